// SPDX-License-Identifier: GPL-3.0-or-later
// The line settings every serial adapter accepts, read from the text the port
// selection writes.
#include <gtest/gtest.h>

#include "link/LineSettings.h"
#include "text/RuntimeError.h"

namespace purlo {
namespace {

TEST(LineSettings, ParsesWhatThePortSelectionWrites) {
    struct Case {
        const char* text;
        LineSettings expected;
    };
    const Case cases[] = {
        {"300,N,8,1", {300, Parity::None, 8, 2}},
        {"9600,N,8,1", {9600, Parity::None, 8, 2}},
        {"38400,N,8,1", {38400, Parity::None, 8, 2}},
        {"1200,e,7,2", {1200, Parity::Even, 7, 4}},
        {"4800,O,5,1.5", {4800, Parity::Odd, 5, 3}},
        {" 19200 , M , 6 , 1 ", {19200, Parity::Mark, 6, 2}},
        {"2400,s,8,1", {2400, Parity::Space, 8, 2}},
    };
    for (const Case& c : cases) EXPECT_EQ(parseLineSettings(c.text), c.expected) << c.text;
}

TEST(LineSettings, RefusesAnythingMalformed) {
    const char* const bad[] = {
        "",
        "9600",
        "9600,N,8",
        "9600,N,8,1,1",
        "0,N,8,1",
        "-300,N,8,1",
        "96OO,N,8,1",
        "9600,X,8,1",
        "9600,NN,8,1",
        "9600,N,9,1",
        "9600,N,4,1",
        "9600,N,8,3",
        "9600,N,8,",
        "99999999999,N,8,1",
        "9600;N;8;1",
        "9600,N,8.0,1",
    };
    for (const char* text : bad) EXPECT_THROW(parseLineSettings(text), RuntimeError) << text;
}

}  // namespace
}  // namespace purlo
