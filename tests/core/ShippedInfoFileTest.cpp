// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fakes/Harness.h"
#include "help/InfoFile.h"

namespace purlo::test {
namespace {

namespace fs = std::filesystem;

// The information file as it ships with the program.
const fs::path kShipped = fs::path(PURLO_DATA_DIR) / "Purlo.Txt";

std::string shippedBytes() {
    return readFile(kShipped);
}

TEST(ShippedInfoFile, FitsTheViewer) {
    ASSERT_TRUE(fs::is_regular_file(kShipped)) << kShipped;
    const std::string bytes = shippedBytes();
    EXPECT_GT(bytes.size(), 1000u);
    EXPECT_LT(bytes.size(), kInfoFileMaxBytes);
}

TEST(ShippedInfoFile, IsPlainTextWithCarriageReturnLineFeedLineEnds) {
    const std::string bytes = shippedBytes();
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(bytes.ends_with("\r\n"));
    int lines = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at byte " << i;
        } else if (b == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
            ++lines;
        } else {
            ASSERT_TRUE(b >= 32 && b != 127) << "control byte " << int{b} << " at byte " << i;
        }
    }
    EXPECT_GT(lines, 50);
}

TEST(ShippedInfoFile, IsShownByTheConsole) {
    Harness h;
    fs::copy_file(kShipped, h.dir.path() / "Purlo.Txt");
    h.console.click(Control::Com_view_program_info);
    EXPECT_TRUE(h.s.info_file_shown);
    EXPECT_EQ(h.ui.text(Control::Text_Info), shippedBytes());
}

}  // namespace
}  // namespace purlo::test
