// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fakes/Harness.h"
#include "settings/SettingsFile.h"

namespace purlo::test {
namespace {

const std::string kStartUpFile =
    " 1     Serial CommPort.\r\n"
    " 300 baud rate.\r\n"
    "False  mm + C or inch + F.\r\n"
    " 10    Zoom Horizontal.\r\n"
    " 150   Zoom Vertical.\r\n"
    " 160   Sampling Length.\r\n"
    "54211  #.\r\n"
    "False  if 1 or true, check probe transducer!\r\n"
    "2336543  Eep.\r\n"
    " 0   Reserve command Rc1.\r\n"
    " 0   Reserve command Rc2.\r\n"
    " 0   Level offset +/-7000mm maxi.\r\n"
    " 0   Reserve command Rc4 Top Alarm.\r\n"
    " 0   Reserve command Rc3.Bottom Alarm.\r\n"
    " \r\n"
    "This is the Purlo Program Setup Purlo.set file. Do not edit.\r\n"
    " \r\n";

TEST(SettingsSave, WritesTheFileByteForByte) {
    Harness h;
    h.console.click(Control::Com_Save_to_eeprom);
    EXPECT_EQ(readFile(h.console.file("purlo.Set")), kStartUpFile);
    EXPECT_EQ(h.s.sample_length, 160);  // was 0: below 100
    EXPECT_EQ(h.port.sent, "");         // link closed: nothing sent
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "");
}

TEST(SettingsSave, WritesValuesWithTheirBlanks) {
    Harness h;
    h.s.pc_baud_rate = 9600;
    h.s.inch_units = true;
    h.s.zero_offset_mm = -500;
    h.s.sample_length = 100;
    const std::string text = settingsFileText(h.s);
    EXPECT_NE(text.find("\r\n 9600 baud rate.\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nTrue  mm + C or inch + F.\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n-500   Level offset +/-7000mm maxi.\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n 100   Sampling Length.\r\n"), std::string::npos);
}

TEST(SettingsSave, ShortSampleLengthIsSavedAs160) {
    Harness h;
    h.s.sample_length = 50;
    h.console.click(Control::Com_Save_to_eeprom);
    EXPECT_EQ(h.s.sample_length, 160);
    EXPECT_NE(readFile(h.console.file("purlo.Set")).find(" 160   Sampling Length."),
              std::string::npos);
}

TEST(SettingsSave, TellsAnAttachedProbeToStore) {
    Harness h;
    h.port.open = true;
    h.s.port_open = true;
    h.s.settings_loaded = true;
    h.console.click(Control::Com_Save_to_eeprom);
    EXPECT_EQ(h.port.sent, "W");
    EXPECT_EQ(h.ui.text(Control::Text_command_to_send), "W");
    EXPECT_FALSE(h.s.settings_loaded);  // the next Start reads what was saved
}

TEST(SettingsSave, AFailedReplaceRemovesTheTemporaryFile) {
    Harness h;
    std::filesystem::create_directory(h.console.file("purlo.Set"));
    writeFile(h.console.file("purlo.Set") / "inside", "x");
    h.console.click(Control::Com_Save_to_eeprom);
    EXPECT_EQ(h.ui.windowCaption(), "No set File or file corrupt! Save again.");
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(h.dir.path()))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"purlo.Set"});
}

TEST(SettingsRead, RoundTripsWhatWasSaved) {
    Harness saved;
    saved.s.comm_port = 3;
    saved.s.pc_baud_rate = 19200;
    saved.s.inch_units = true;
    saved.s.zoom_horizontal = 7;
    saved.s.zoom_vertical = 210;
    saved.s.sample_length = 120;
    saved.s.zero_offset_mm = -1500;
    std::istringstream in(settingsFileText(saved.s));
    Harness h;
    applySettings(in, h.console);
    EXPECT_EQ(h.s.comm_port, 3);
    EXPECT_EQ(h.s.pc_baud_rate, 19200);
    EXPECT_TRUE(h.s.inch_units);
    EXPECT_EQ(h.s.zoom_horizontal, 7);
    EXPECT_EQ(h.s.zoom_vertical, 210);
    EXPECT_EQ(h.s.sample_length, 120);
    EXPECT_EQ(h.s.zero_offset_mm, -1500);
    EXPECT_EQ(h.ui.text(Control::Com_Comm_port), "Comm3");
    EXPECT_EQ(h.ui.text(Control::Com_baudrate_pc), "19200");
    EXPECT_EQ(h.ui.text(Control::Com_inch_mm_far_centi), "inch/F");
    EXPECT_EQ(h.ui.text(Control::Com_view_zoom_horizontal), "7");
    EXPECT_EQ(h.ui.text(Control::Com_view_zoom_vertical), "210");
}

TEST(SettingsRead, HalvesGoToTheEvenNeighbour) {
    for (const auto& [line1, port] : {std::pair{" 2.5 ", 2}, std::pair{" 3.5 ", 4}}) {
        Harness h;
        std::string text = kStartUpFile;
        text.replace(0, text.find("    Serial"), line1);
        std::istringstream in(text);
        applySettings(in, h.console);
        EXPECT_EQ(h.s.comm_port, port) << line1;
        EXPECT_EQ(h.ui.text(Control::Com_Comm_port), "Comm" + std::to_string(port));
    }
}

TEST(SettingsRead, AShortFileAppliesWhatItHasAndReportsTheRest) {
    Harness h;
    std::string text = kStartUpFile;
    text.replace(text.find(" 300"), 4, " 9600");
    text.replace(text.find(" 160 "), 5, " 120 ");
    std::size_t end = 0;
    for (int i = 0; i < 11; ++i) end = text.find("\r\n", end) + 2;
    writeFile(h.console.file("purlo.Set"), text.substr(0, end));
    h.s.zero_offset_mm = 77;
    readSettingsFile(h.console);
    EXPECT_EQ(h.s.pc_baud_rate, 9600);
    EXPECT_EQ(h.ui.text(Control::Com_baudrate_pc), "9600");
    EXPECT_EQ(h.s.sample_length, 120);
    EXPECT_EQ(h.s.zero_offset_mm, 77);  // not reached
    EXPECT_FALSE(h.s.settings_loaded);
    EXPECT_EQ(h.ui.windowCaption(), "Save working setting With [Save Probe + PC]");
}

TEST(SettingsRead, AValueThatDoesNotFitStopsTheRead) {
    Harness h;
    std::string text = kStartUpFile;
    text.replace(0, 2, " 256");
    writeFile(h.console.file("purlo.Set"), text);
    readSettingsFile(h.console);
    EXPECT_EQ(h.s.comm_port, 1);
    EXPECT_EQ(h.s.sample_length, 160);  // still 0: made 160
    EXPECT_FALSE(h.s.settings_loaded);
    EXPECT_EQ(h.ui.windowCaption(), "Save working setting With [Save Probe + PC]");
}

TEST(SettingsRead, UnitsLineOtherThanTrueOrFalseChangesNothing) {
    Harness h;
    h.s.inch_units = true;
    std::string text = kStartUpFile;
    text.replace(text.find("False  mm"), 5, "Maybe");
    std::istringstream in(text);
    applySettings(in, h.console);
    EXPECT_TRUE(h.s.inch_units);
    EXPECT_EQ(h.ui.text(Control::Com_inch_mm_far_centi), "mm/C");
}

TEST(SettingsRead, ZeroSampleLengthBecomes160AndLinesSevenToElevenAreIgnored) {
    Harness h;
    std::string text = kStartUpFile;
    text.replace(text.find(" 160 "), 5, " 0 ");
    text.replace(text.find("54211"), 5, "garbage that is no number at all 99999999999");
    writeFile(h.console.file("purlo.Set"), text);
    readSettingsFile(h.console);
    EXPECT_TRUE(h.s.settings_loaded);
    EXPECT_EQ(h.s.sample_length, 160);
}

// The start-up file with line `number` (1-based) replaced by `text`.
std::string withLine(int number, const std::string& text) {
    std::size_t begin = 0;
    for (int i = 1; i < number; ++i) begin = kStartUpFile.find("\r\n", begin) + 2;
    std::string file = kStartUpFile;
    return file.replace(begin, file.find("\r\n", begin) - begin, text);
}
// The start-up file's first `lines` lines.
std::string firstLines(int lines) {
    std::size_t end = 0;
    for (int i = 0; i < lines; ++i) end = kStartUpFile.find("\r\n", end) + 2;
    return kStartUpFile.substr(0, end);
}
SettingsRead readText(const std::string& text) {
    std::istringstream in(text);
    return readSettings(in);
}

TEST(SettingsParse, AWholeFileGivesEveryValueAndNeedsNoMoreThanTwelveLines) {
    for (const std::string& text : {kStartUpFile, firstLines(12)}) {
        const SettingsRead r = readText(text);
        EXPECT_TRUE(r.complete());
        EXPECT_EQ(r.failedLine, 0);
        EXPECT_EQ(r.comm_port, 1);
        EXPECT_EQ(r.pc_baud_rate, 300);
        EXPECT_EQ(r.inch_units, false);
        EXPECT_EQ(r.zoom_horizontal, 10);
        EXPECT_EQ(r.zoom_vertical, 150);
        EXPECT_EQ(r.sample_length, 160);
        EXPECT_EQ(r.zero_offset_mm, 0);
    }
}

TEST(SettingsParse, StopsAtTheFirstBadLineWithWhatCameBefore) {
    const SettingsRead tooWide = readText(withLine(5, " 256  Zoom Vertical."));
    EXPECT_EQ(tooWide.failedLine, 5);
    EXPECT_FALSE(tooWide.failure.empty());
    EXPECT_EQ(tooWide.zoom_horizontal, 10);
    EXPECT_EQ(tooWide.zoom_vertical, std::nullopt);
    EXPECT_EQ(tooWide.sample_length, std::nullopt);
    EXPECT_EQ(tooWide.zero_offset_mm, std::nullopt);

    const SettingsRead cut = readText(firstLines(11));
    EXPECT_EQ(cut.failedLine, 12);
    EXPECT_EQ(cut.sample_length, 160);
    EXPECT_EQ(cut.zero_offset_mm, std::nullopt);

    const SettingsRead empty = readText("");
    EXPECT_EQ(empty.failedLine, 1);
    EXPECT_EQ(empty.comm_port, std::nullopt);
}

TEST(SettingsParse, UnitsOtherThanTrueOrFalseAreReadPast) {
    const SettingsRead r = readText(withLine(3, "Maybe  mm + C or inch + F."));
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.inch_units, std::nullopt);
    EXPECT_EQ(r.zoom_horizontal, 10);
    EXPECT_EQ(readText(withLine(3, "Truest")).inch_units, true);
}

TEST(SettingsApply, AppliesOnlyWhatWasReadWithItsCaptions) {
    Harness h;
    h.s.zoom_vertical = 99;
    h.s.zero_offset_mm = 77;
    SettingsRead r;
    r.comm_port = 2;
    r.pc_baud_rate = 4800;
    r.inch_units = true;
    r.zoom_horizontal = 5;
    r.failedLine = 5;
    applySettings(r, h.console);
    EXPECT_EQ(h.s.comm_port, 2);
    EXPECT_EQ(h.ui.text(Control::Com_Comm_port), "Comm2");
    EXPECT_EQ(h.ui.text(Control::Com_baudrate_pc), "4800");
    EXPECT_EQ(h.ui.text(Control::Com_inch_mm_far_centi), "inch/F");
    EXPECT_EQ(h.ui.text(Control::Com_view_zoom_horizontal), "5");
    EXPECT_EQ(h.s.zoom_vertical, 99);
    EXPECT_EQ(h.s.zero_offset_mm, 77);
}

}  // namespace
}  // namespace purlo::test
