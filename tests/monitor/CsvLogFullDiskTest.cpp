// SPDX-License-Identifier: GPL-3.0-or-later
// The log on a full disk: /dev/full, or a file size limit (POSIX only; the
// Windows build leaves this file out).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fakes/Harness.h"
#include "monitor/CsvLog.h"
#include "support/FileSizeLimit.h"

namespace purlo::test {
namespace {

TEST(CsvLog, AFailingWriteStopsTheLogWithOneMessage) {
    CsvLog log("/dev/full");
    EXPECT_FALSE(log.append("a\r\n"));
    ASSERT_TRUE(log.stopped());
    const std::string message = *log.failure();
    EXPECT_NE(message.find("writing failed"), std::string::npos) << message;
    EXPECT_NE(message.find("the log has stopped"), std::string::npos) << message;
    EXPECT_FALSE(log.append("b\r\n"));
    EXPECT_EQ(*log.failure(), message);
}

TEST(CsvLog, ARowIsWrittenWholeOrNotAtAll) {
    TempDir dir;
    const auto path = dir.path() / "Purlo.csv";
    const std::string row(200, 'x');
    // Every room left from none up to one byte short of the row.
    for (std::size_t room : {std::size_t{0}, std::size_t{1}, std::size_t{100}, row.size() + 1}) {
        writeFile(path, csvLogHeader() + "a\r\n");
        const std::string before = readFile(path);
        CsvLog log(path);
        {
            testsupport::FileSizeLimit full(before.size() + room);
            EXPECT_FALSE(log.append(row + "\r\n")) << room;
        }
        EXPECT_TRUE(log.stopped());
        EXPECT_EQ(readFile(path), before) << room;
    }
}

}  // namespace
}  // namespace purlo::test
