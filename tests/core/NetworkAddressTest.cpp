// SPDX-License-Identifier: GPL-3.0-or-later
// Network port addresses as PURLO_COMMn and the port chooser give them, the
// list of recent ones, and the pauses between attempts to reach a server.
#include <gtest/gtest.h>

#include "link/NetworkAddress.h"
#include "text/RuntimeError.h"

namespace purlo {
namespace {

TEST(NetworkAddress, ReadsEverySpellingAndWritesOneBack) {
    struct Case {
        const char* text;
        NetworkAddress expected;
        const char* written;
    };
    const Case cases[] = {
        {"rfc2217://plant-gw.local:4002",
         {NetworkKind::Rfc2217, "plant-gw.local", 4002},
         "rfc2217://plant-gw.local:4002"},
        {"tcp://127.0.0.1:4001", {NetworkKind::RawTcp, "127.0.0.1", 4001}, "tcp://127.0.0.1:4001"},
        {"socket://10.0.0.7:1", {NetworkKind::RawTcp, "10.0.0.7", 1}, "tcp://10.0.0.7:1"},
        {"RFC2217://[::1]:65535/", {NetworkKind::Rfc2217, "::1", 65535}, "rfc2217://[::1]:65535"},
        {"tcp://[fe80::1%eth0]:23",
         {NetworkKind::RawTcp, "fe80::1%eth0", 23},
         "tcp://[fe80::1%eth0]:23"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(isNetworkAddress(c.text)) << c.text;
        const NetworkAddress a = parseNetworkAddress(c.text);
        EXPECT_EQ(a, c.expected) << c.text;
        EXPECT_EQ(a.text(), c.written);
        EXPECT_EQ(parseNetworkAddress(a.text()), a);
    }
}

TEST(NetworkAddress, RefusesMalformedAddressesSayingWhy) {
    const char* const bad[] = {
        "rfc2217://",         "rfc2217://host",  "tcp://:4001",       "tcp://host:0",
        "tcp://host:65536",   "tcp://host:40x1", "tcp://host:",       "tcp://::1:4001",
        "tcp://[::1:4001",    "tcp://[::1]4001", "tcp://[host]:4001", "tcp://ho st:4001",
        "telnet://host:4001", "/dev/ttyUSB0",
    };
    for (const char* text : bad) {
        try {
            parseNetworkAddress(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const RuntimeError& e) {
            EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
        }
    }
    EXPECT_FALSE(isNetworkAddress("/dev/ttyUSB0"));
    EXPECT_FALSE(isNetworkAddress("/dev/serial/by-id/usb-FTDI_tcp://x"));
    EXPECT_FALSE(isNetworkAddress("ttyUSB0"));
    EXPECT_FALSE(isNetworkAddress("rfc2217"));
    // Meant as addresses: refused as addresses, not opened as files.
    for (const char* meant : {"telnet://host:4001", " rfc2217:/host:4002", "Socket:host:1"})
        EXPECT_TRUE(isNetworkAddress(meant)) << meant;
}

TEST(NetworkAddress, BlanksAroundAreNoPartOfIt) {
    for (const char* text :
         {" rfc2217://gw:4002", "rfc2217://gw:4002 ", "\trfc2217://gw:4002\r\n"}) {
        EXPECT_TRUE(isNetworkAddress(text));
        EXPECT_EQ(parseNetworkAddress(text).text(), "rfc2217://gw:4002");
    }
    EXPECT_EQ(trimAddress(" \t "), "");
    EXPECT_THROW(parseNetworkAddress("rfc2217://gw :4002"), RuntimeError);
}

TEST(NetworkAddress, RecentPortsKeepTheLastFewOnceEach) {
    std::vector<std::string> recent;
    for (const char* used : {"tcp://a:1", "rfc2217://b:2", "socket://a:1", "tcp://c:3",
                             "rfc2217://d:4", "RFC2217://b:2"}) {
        recent = rememberRecent(recent, used, 3);
    }
    EXPECT_EQ(recent, (std::vector<std::string>{"rfc2217://b:2", "rfc2217://d:4", "tcp://c:3"}));
}

TEST(NetworkAddress, ReconnectPausesGrowToTheirCapAServerThatDropsWaitsLonger) {
    for (const bool dropping : {false, true}) {
        const auto cap = dropping ? kMaxDroppingPause : kMaxReconnectPause;
        EXPECT_EQ(reconnectPause(0, dropping), kFirstReconnectPause);
        for (int n = 1; n < 40; ++n) {
            EXPECT_GE(reconnectPause(n, dropping), reconnectPause(n - 1, dropping));
            EXPECT_LE(reconnectPause(n, dropping), cap);
        }
        EXPECT_EQ(reconnectPause(39, dropping), cap);
    }
    EXPECT_GT(reconnectPause(5, true), reconnectPause(5, false));
}

}  // namespace
}  // namespace purlo
