// SPDX-License-Identifier: GPL-3.0-or-later
// The line settings as a Windows COM port takes them (the Windows build only).
#include <gtest/gtest.h>

#include "serial/CommState.h"

namespace purlo::test {
namespace {

TEST(CommState, EveryLineSettingReachesTheDriverAndNothingElseChanges) {
    DCB driver{};
    driver.XonChar = 0x11;
    driver.XoffChar = 0x13;
    driver.XonLim = 2048;
    driver.EofChar = 0x1a;
    driver.fOutxCtsFlow = TRUE;  // a driver's default the probe has no line for
    driver.fInX = TRUE;
    driver.fNull = TRUE;
    const std::pair<Parity, BYTE> parities[] = {{Parity::None, NOPARITY},
                                                {Parity::Even, EVENPARITY},
                                                {Parity::Odd, ODDPARITY},
                                                {Parity::Mark, MARKPARITY},
                                                {Parity::Space, SPACEPARITY}};
    const std::pair<int, BYTE> stops[] = {{2, ONESTOPBIT}, {3, ONE5STOPBITS}, {4, TWOSTOPBITS}};
    for (const int baud : {110, 1200, 9600, 57600, 115200, 921600}) {
        for (const auto& [parity, dcbParity] : parities) {
            for (int bits = 5; bits <= 8; ++bits) {
                for (const auto& [half, dcbStop] : stops) {
                    const LineSettings line{baud, parity, bits, half};
                    SCOPED_TRACE(testing::Message() << baud << " " << bits << " " << half);
                    const DCB d = commStateFor(line, driver);
                    EXPECT_EQ(d.DCBlength, sizeof(DCB));
                    EXPECT_EQ(d.BaudRate, static_cast<DWORD>(baud));
                    EXPECT_EQ(d.ByteSize, bits);
                    EXPECT_EQ(d.Parity, dcbParity);
                    EXPECT_EQ(d.fParity, parity == Parity::None ? 0U : 1U);
                    EXPECT_EQ(d.StopBits, dcbStop);
                    EXPECT_TRUE(d.fBinary);
                    EXPECT_FALSE(d.fOutxCtsFlow || d.fOutxDsrFlow || d.fOutX || d.fInX);
                    EXPECT_FALSE(d.fNull || d.fErrorChar || d.fAbortOnError);
                    EXPECT_EQ(d.XonChar, driver.XonChar);
                    EXPECT_EQ(d.XonLim, driver.XonLim);
                    EXPECT_EQ(d.EofChar, driver.EofChar);

                    // A read returns what is there or the first bytes to
                    // come (both MAXDWORD and a constant neither 0 nor
                    // MAXDWORD); a write has at least the time its bytes
                    // need on the line (12 bit times a character).
                    const COMMTIMEOUTS t = commTimeoutsFor(line);
                    EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
                    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, MAXDWORD);
                    EXPECT_GT(t.ReadTotalTimeoutConstant, 0U);
                    EXPECT_LT(t.ReadTotalTimeoutConstant, MAXDWORD);
                    EXPECT_GE(static_cast<double>(t.WriteTotalTimeoutMultiplier), 12000.0 / baud);
                }
            }
        }
    }
}

}  // namespace
}  // namespace purlo::test
