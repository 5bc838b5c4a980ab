// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/InfoFile.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "app/Console.h"
#include "app/HandlerFailure.h"
#include "files/ReplaceFile.h"
#include "text/RuntimeError.h"

namespace purlo {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFileName = "Purlo.Txt";

// The file's bytes, or nothing when it is too large to be shown. A missing
// or unreadable file throws.
std::optional<std::string> readInfoFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RuntimeError("Purlo.Txt not found");
    const std::uintmax_t length = fs::file_size(path);  // throws for a directory
    if (length > kInfoFileMaxBytes) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(in.gcount()) != length)
        throw RuntimeError("Purlo.Txt unreadable");
    return bytes;
}

void hideBox(Console& c) {
    c.ui.setBackColour(Control::Com_view_program_info, Colour::face());
    c.ui.setText(Control::Com_view_program_info, "View Info");
    c.ui.setText(Control::Text_Info, "");
    c.ui.setVisible(Control::Text_Info, false);
}

void closeShownFile(Console& c) {
    // Without a key press the box holds nothing the operator wrote: it may
    // have been emptied by "Cls" or have the send log or the command list
    // appended, and none of that belongs in the file. So only a confirmed
    // modification is written.
    if (c.s.info_text_modified) {
        const Answer answer = c.ui.messageBox("Do you want to save the text modification ?",
                                              " Save this to Purlo.Txt", Buttons::OkCancel);
        if (answer == Answer::Ok) {
            replaceFile(c.file(kFileName), c.ui.text(Control::Text_Info) + c.s.cr_lf);
        }
    }
    hideBox(c);
    c.s.info_file_shown = false;
    c.s.info_text_modified = false;
}

void showFile(Console& c) {
    const std::optional<std::string> bytes = readInfoFile(c.file(kFileName));
    if (!bytes) {
        c.ui.messageBox("View the Info file with an external editor", "", Buttons::Ok);
        c.s.info_file_shown = false;
        return;
    }
    c.ui.setText(Control::Text_Info, *bytes);
    showInfoBox(c);
    c.s.info_file_shown = true;
}

void reportMissingFile(Console& c) {
    c.ui.messageBox("File Purlo.Txt not found ! File should be in Purlo program Directory." +
                        c.s.cr_lf + "Email to; " + std::string(kInfoContact) +
                        " for the last actual info file.",
                    "", Buttons::Ok);
}

}  // namespace

void Com_view_program_info_Click(Console& c) {
    runHandler(c, reportMissingFile, [&] {
        if (c.s.info_file_shown && c.ui.visible(Control::Text_Info)) {
            closeShownFile(c);
        } else if (c.ui.text(Control::Com_view_program_info) == "Close") {
            // The command overview: nothing of it is kept.
            hideBox(c);
            c.s.info_file_shown = false;
        } else {
            showFile(c);
        }
    });
}

void Text_Info_KeyDown(Console& c) {
    c.s.info_text_modified = true;
}

void showInfoBox(Console& c) {
    c.ui.setVisible(Control::Text_Info, true);
    c.ui.setText(Control::Com_view_program_info, "Close");
    c.ui.setBackColour(Control::Com_view_program_info, Colour::of(kButtonOnRed));
}

}  // namespace purlo
