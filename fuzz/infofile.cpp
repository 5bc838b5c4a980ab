// SPDX-License-Identifier: GPL-3.0-or-later
// Purlo.Txt may hold anything an editor, another installation or a crash
// left behind. Showing it and closing it again must never change it unless
// the operator edited the text and confirmed the save; a confirmed save
// writes exactly the text shown plus one CR LF.
//
// Input: one byte of operator actions (bit 0: a key pressed in the box,
// bit 1: the save question answered with Cancel), then the file.
#include "help/InfoFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "NullPorts.h"
#include "Scratch.h"
#include "app/Console.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace purlo;
    if (size == 0) return 0;
    const bool edited = (data[0] & 1) != 0;
    const bool cancelled = (data[0] & 2) != 0;
    const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto& dir = fuzz::scratchDir();

    fuzz::NullUi ui;
    fuzz::NullSurface surface;
    fuzz::NoPort port;
    Console console(ui, surface, port, dir);
    console.Form_Load();
    const auto path = console.file("Purlo.Txt");
    fuzz::writeFile(path, file);

    console.click(Control::Com_view_program_info);
    if (file.size() > kInfoFileMaxBytes) {
        if (console.s.info_file_shown || ui.visible(Control::Text_Info))
            fuzz::fail("a file too large to show was shown");
        if (ui.lastMessage != "View the Info file with an external editor")
            fuzz::fail("a file too large to show was not refused with its message");
        if (fuzz::readFile(path) != file) fuzz::fail("refusing the file changed it");
        return 0;
    }
    if (!console.s.info_file_shown || !ui.visible(Control::Text_Info))
        fuzz::fail("a readable file was not shown");
    if (ui.text(Control::Text_Info) != file) fuzz::fail("the box does not show the file's bytes");

    if (edited) console.keyDown(Control::Text_Info);
    ui.answer = cancelled ? Answer::Cancel : Answer::Ok;
    console.click(Control::Com_view_program_info);

    if (console.s.info_file_shown || ui.visible(Control::Text_Info))
        fuzz::fail("the box stayed shown");
    const std::string after = fuzz::readFile(path);
    const std::string expected =
        edited && !cancelled ? std::string(file) + "\r\n" : std::string(file);
    if (after != expected) fuzz::fail("closing the box did not leave the file as it should");
    return 0;
}
