// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "fakes/Harness.h"
#include "monitor/CsvLog.h"

namespace purlo::test {
namespace {

std::size_t fields(const std::string& row) {
    return std::count(row.begin(), row.end(), ',') + 1;
}

TEST(CsvText, QuotesOnlyFieldsThatNeedIt) {
    std::string row;
    appendCsvField(row, "mm");
    row += '|';
    appendCsvField(row, "a,b");
    row += '|';
    appendCsvField(row, "say \"hi\"");
    row += '|';
    appendCsvField(row, "two\r\nlines");
    row += '|';
    appendCsvField(row, "lf\nonly");
    EXPECT_EQ(row, "mm|\"a,b\"|\"say \"\"hi\"\"\"|\"two\r\nlines\"|\"lf\nonly\"");
}

TEST(CsvText, NumbersReadBackAsStoredWithAPoint) {
    auto text = [](double v) {
        std::string s;
        appendNumber(s, v);
        return s;
    };
    EXPECT_EQ(text(static_cast<double>(21.3f)), "21.3");
    EXPECT_EQ(text(static_cast<double>(2.675f)), "2.675");
    EXPECT_EQ(text(115200), "115200");
    EXPECT_EQ(text(-5), "-5");
    EXPECT_EQ(text(0.1), "0.1");
    EXPECT_EQ(text(-1855), "-1855");
}

TEST(CsvText, TimesAreLocalWithTheirOffset) {
    EXPECT_EQ(iso8601({1796658312, 3600}), "2026-12-07T16:45:12+01:00");
    EXPECT_EQ(iso8601({1796658312, 0}), "2026-12-07T15:45:12+00:00");
    // Half-hour zones, west of Greenwich, and a date that the offset moves back.
    EXPECT_EQ(iso8601({1796658312, -(16 * 3600 + 30 * 60)}), "2026-12-06T23:15:12-16:30");
    EXPECT_EQ(iso8601({0, 19800}), "1970-01-01T05:30:00+05:30");
}

TEST(CsvText, RowHasEveryHeaderColumnAndEmptyFieldsForUnseenValues) {
    const std::string header = csvLogHeader();
    EXPECT_EQ(header.rfind("time,fill height,unit,temperature (°C),probe baud rate (bit/s),", 0),
              0u);
    EXPECT_NE(header.find(",dead zone,dead zone unit,"), std::string::npos);
    ASSERT_TRUE(header.ends_with("\r\n"));

    LastValues values;
    values.set({ProbeValue::FillHeight, 500, "mm"});
    values.set({ProbeValue::Temperature, static_cast<double>(21.5f), "°C"});
    values.set({ProbeValue::DeadZone, 2, "cm"});
    std::string row;
    appendCsvLogRow(row, {1796658312, 3600}, values);
    EXPECT_EQ(row.rfind("2026-12-07T16:45:12+01:00,500,mm,21.5,,", 0), 0u) << row;
    EXPECT_NE(row.find(",2,cm,"), std::string::npos) << row;
    EXPECT_TRUE(row.ends_with("\r\n"));
    EXPECT_EQ(fields(row), fields(header));

    // A unit text that needs quoting is quoted, and the columns still line up.
    values.set({ProbeValue::FillHeight, 1.5, "in,ch"});
    row.clear();
    appendCsvLogRow(row, {0, 0}, values);
    EXPECT_NE(row.find(",1.5,\"in,ch\","), std::string::npos) << row;
}

TEST(CsvLog, WritesTheHeaderOnlyToANewOrEmptyFile) {
    TempDir dir;
    const auto path = dir.path() / "Purlo.csv";
    {
        CsvLog log(path);
        EXPECT_TRUE(log.append("a\r\n"));
        EXPECT_TRUE(log.append("b\r\n"));
    }
    {
        CsvLog log(path);  // a later session appends below
        EXPECT_TRUE(log.append("c\r\n"));
    }
    EXPECT_EQ(readFile(path), csvLogHeader() + "a\r\nb\r\nc\r\n");

    writeFile(dir.path() / "empty.csv", "");
    CsvLog empty(dir.path() / "empty.csv");
    EXPECT_TRUE(empty.append("x\r\n"));
    EXPECT_EQ(readFile(dir.path() / "empty.csv"), csvLogHeader() + "x\r\n");
}

TEST(CsvLog, AFileThatCannotBeOpenedStopsTheLog) {
    TempDir dir;
    CsvLog missing(dir.path() / "no such folder" / "Purlo.csv");
    EXPECT_FALSE(missing.append("a\r\n"));
    EXPECT_NE(missing.failure()->find("Purlo.csv: cannot be opened"), std::string::npos);
}

TEST(CsvLog, FollowsTheNameWhenTheFileIsMovedOrDeleted) {
    TempDir dir;
    const auto path = dir.path() / "Purlo.csv";
    CsvLog log(path);
    EXPECT_TRUE(log.append("a\r\n"));
    std::filesystem::rename(path, dir.path() / "old.csv");
    EXPECT_TRUE(log.append("b\r\n"));
    EXPECT_EQ(readFile(dir.path() / "old.csv"), csvLogHeader() + "a\r\n");
    EXPECT_EQ(readFile(path), csvLogHeader() + "b\r\n");

    std::filesystem::remove(path);
    EXPECT_TRUE(log.append("c\r\n"));
    EXPECT_TRUE(log.append("d\r\n"));
    EXPECT_EQ(readFile(path), csvLogHeader() + "c\r\nd\r\n");

    // Emptied in place (same file, cut to nothing): it takes a header again.
    std::filesystem::resize_file(path, 0);
    EXPECT_TRUE(log.append("e\r\n"));
    EXPECT_EQ(readFile(path), csvLogHeader() + "e\r\n");
}

TEST(CsvLog, ANewSessionStartsOnAFreshLine) {
    TempDir dir;
    const auto path = dir.path() / "Purlo.csv";
    // A file left ending in the middle of a row (by an older program or a
    // crash): the next session's first row starts on a line of its own.
    writeFile(path, csvLogHeader() + "a\r\n2026-12-07T16:45,5");
    CsvLog next(path);
    EXPECT_TRUE(next.append("b\r\n"));
    EXPECT_TRUE(next.append("c\r\n"));
    EXPECT_EQ(readFile(path), csvLogHeader() + "a\r\n2026-12-07T16:45,5\r\nb\r\nc\r\n");
}

}  // namespace
}  // namespace purlo::test
