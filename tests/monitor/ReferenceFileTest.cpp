// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fakes/Harness.h"
#include "monitor/ReferenceEcho.h"

namespace purlo::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ReferenceEchoFile, RoundTripsThroughTheWorkingFolder) {
    TempDir dir;
    const Bytes echo{0x00, 0xff, 0x80, 0x0a};
    EXPECT_FALSE(saveReferenceEcho(dir.path(), echo));
    EXPECT_EQ(readFile(dir.path() / "Purlo-reference.echo"),
              "Purlo reference echo 1\r\nsamples 32\r\nbytes 00ff800a\r\n");
    const ReferenceRead read = loadReferenceEcho(dir.path());
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(read.bytes, echo);
}

TEST(ReferenceEchoFile, ReadsLineFeedsAloneAndUpperCaseHex) {
    const ReferenceRead read =
        parseReferenceEcho("Purlo reference echo 1\nsamples 16\nbytes A0fF\n\n");
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(read.bytes, (Bytes{0xa0, 0xff}));
    EXPECT_TRUE(parseReferenceEcho("Purlo reference echo 1\r\nsamples 8\r\nbytes 01").ok());
}

TEST(ReferenceEchoFile, RefusesDamagedAndForeignTextWithAReason) {
    struct Case {
        std::string text;
        std::string reason;
    };
    const Case cases[] = {
        {"", "not a reference echo file"},
        {"P\x01\x02\xff", "not a reference echo file"},
        {"Purlo reference echo one\r\n", "not a reference echo file"},
        {"Purlo reference echo 2\r\nsamples 8\r\nbytes 00\r\n", "format version 2"},
        {"Purlo reference echo 1\r\n", "sample count is missing"},
        {"Purlo reference echo 1\r\nsamples -8\r\nbytes 00\r\n", "sample count"},
        {"Purlo reference echo 1\r\nsamples 12\r\nbytes 00\r\n", "sample count"},
        {"Purlo reference echo 1\r\nsamples 0\r\nbytes \r\n", "sample count"},
        {"Purlo reference echo 1\r\nsamples 2056\r\nbytes 00\r\n", "sample count"},
        {"Purlo reference echo 1\r\nsamples 16\r\n", "sample bytes are missing"},
        {"Purlo reference echo 1\r\nsamples 16\r\nbytes 00\r\n", "2 sample bytes announced, 1"},
        {"Purlo reference echo 1\r\nsamples 16\r\nbytes 00f\r\n", "announced"},
        {"Purlo reference echo 1\r\nsamples 16\r\nbytes 0g00\r\n", "not hex"},
        {"Purlo reference echo 1\r\nsamples 8\r\nbytes 00\r\nmore\r\n", "text after"},
    };
    for (const Case& c : cases) {
        const ReferenceRead read = parseReferenceEcho(c.text);
        EXPECT_FALSE(read.ok()) << c.text;
        EXPECT_NE(read.error.find(c.reason), std::string::npos) << c.text << " -> " << read.error;
        EXPECT_TRUE(read.bytes.empty());
    }
}

TEST(ReferenceEchoFile, NamesTheFileWhenItIsMissingOrTooLargeOrCannotBeSaved) {
    TempDir dir;
    ReferenceRead read = loadReferenceEcho(dir.path());
    EXPECT_EQ(read.error, "Purlo-reference.echo not found");

    writeFile(dir.path() / "Purlo-reference.echo", std::string(10000, 'x'));
    read = loadReferenceEcho(dir.path());
    EXPECT_NE(read.error.find("Purlo-reference.echo: not a reference echo file"),
              std::string::npos);

    writeFile(dir.path() / "Purlo-reference.echo", "Purlo reference echo 1\r\nsamples 8\r\n");
    read = loadReferenceEcho(dir.path());
    EXPECT_EQ(read.error, "Purlo-reference.echo: the sample bytes are missing");

    const auto saved = saveReferenceEcho(dir.path() / "no such folder", Bytes{1});
    ASSERT_TRUE(saved);
    EXPECT_NE(saved->find("Purlo-reference.echo could not be saved"), std::string::npos);
    EXPECT_TRUE(saveReferenceEcho(dir.path(), Bytes{}));
}

}  // namespace
}  // namespace purlo::test
