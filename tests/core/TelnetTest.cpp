// SPDX-License-Identifier: GPL-3.0-or-later
// The Telnet / RFC 2217 client layer of the network port: the data through it
// unchanged however the stream is split, the negotiation with a server, the
// line settings encoded, and hostile streams that cost bounded memory.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "link/Telnet.h"

namespace purlo::telnet {
namespace {

std::string bytes(std::initializer_list<int> list) {
    std::string out;
    for (const int b : list) out += static_cast<char>(b);
    return out;
}

// Feeds `stream` to `client` in one read; returns the data.
std::string feed(Client& client, const std::string& stream, std::string* reply = nullptr) {
    std::string data;
    std::string answer;
    client.receive(stream, data, answer);
    if (reply != nullptr) *reply = answer;
    return data;
}

// What ser2net sends when a client connects to a telnet(rfc2217) port.
const std::string kServerOpening = bytes({kIac, kWill, kSuppressGoAhead,
                                          kIac, kDo,   kSuppressGoAhead,
                                          kIac, kWill, kEcho,
                                          kIac, kDont, kEcho,
                                          kIac, kDo,   kBinary,
                                          kIac, kWill, kBinary,
                                          kIac, kDo,   kComPort});

TEST(Telnet, AnyDataSurvivesEscapingAndAnySplitOfTheStream) {
    std::mt19937 rng(25);
    for (int round = 0; round < 300; ++round) {
        std::string data(rng() % 200, '\0');
        // Many 0xFF and CR bytes, the ones the layer has to treat with care.
        for (char& b : data) {
            const auto r = rng() % 4;
            b = static_cast<char>(r == 0 ? 0xff : r == 1 ? '\r' : rng() % 256);
        }
        const std::string wire = escape(data);
        EXPECT_EQ(wire.size(), data.size() + std::count(data.begin(), data.end(), '\xff'));
        Client client;
        std::string reply;
        feed(client, kServerOpening, &reply);
        std::string got;
        for (std::size_t at = 0; at < wire.size();) {
            const std::size_t n = std::min<std::size_t>(1 + rng() % 5, wire.size() - at);
            client.receive(std::string_view(wire).substr(at, n), got, reply);
            at += n;
        }
        ASSERT_EQ(got, data) << "round " << round;
    }
}

TEST(Telnet, AgreesWithSer2netsOpeningWithoutRepeatingItselfAndRefusesEcho) {
    Client client;
    EXPECT_EQ(client.start(),
              bytes({kIac, kWill, kBinary, kIac, kWill, kComPort, kIac, kWill, kSuppressGoAhead,
                     kIac, kDo, kBinary, kIac, kDo, kSuppressGoAhead}));
    std::string reply;
    EXPECT_EQ(feed(client, kServerOpening, &reply), "");
    // Everything asked for was agreed; only the echo is refused.
    EXPECT_EQ(reply, bytes({kIac, kDont, kEcho}));
    for (const auto option : {kBinary, kSuppressGoAhead}) {
        EXPECT_TRUE(client.localEnabled(option));
        EXPECT_TRUE(client.remoteEnabled(option));
    }
    EXPECT_TRUE(client.localEnabled(kComPort));
    EXPECT_EQ(client.comPort(), Agreement::Agreed);
    EXPECT_FALSE(client.remoteEnabled(kEcho));

    // The same requests again are no changes: no answer, no loop.
    feed(client, kServerOpening, &reply);
    EXPECT_EQ(reply, bytes({kIac, kDont, kEcho}));
    // A server that turns binary off is answered once; unknown options are refused.
    feed(client,
         bytes({kIac, kDont, kBinary, kIac, kDont, kBinary, kIac, kDo, 24, kIac, kWill, 31}),
         &reply);
    EXPECT_EQ(reply, bytes({kIac, kWont, kBinary, kIac, kWont, 24, kIac, kDont, 31}));
    EXPECT_FALSE(client.localEnabled(kBinary));
}

TEST(Telnet, TellsWhetherTheServerTookTheComPortOptionAndHowItOpens) {
    Client plain;  // a Telnet server without RFC 2217
    plain.start();
    EXPECT_EQ(plain.comPort(), Agreement::Pending);
    feed(plain, bytes({kIac, kDo, kBinary, kIac, kDont, kComPort}));
    EXPECT_EQ(plain.comPort(), Agreement::Refused);
    EXPECT_FALSE(plain.localEnabled(kComPort));

    // A server's opening, whole or cut short, against what a probe sends.
    EXPECT_TRUE(opensWithNegotiation(kServerOpening));
    EXPECT_TRUE(opensWithNegotiation(kServerOpening.substr(0, 4)));
    EXPECT_TRUE(opensWithNegotiation(bytes({kIac, kDo, kComPort})));
    EXPECT_TRUE(
        opensWithNegotiation(bytes({kIac, kSb, kComPort, 107, 0, kIac, kSe, kIac, kWill, 1})));
    for (const std::string& data :
         {std::string("F25.1\r\n"), std::string(), bytes({kIac, kIac, 7}),
          bytes({kIac, kDo, kComPort, 'x'}), bytes({kIac, kWill}), bytes({1, kIac, kDo, 0})})
        EXPECT_FALSE(opensWithNegotiation(data));
}

TEST(Telnet, AServerSpeakingFirstIsAnsweredOptionByOption) {
    Client client;
    std::string reply;
    feed(client, kServerOpening, &reply);
    EXPECT_EQ(reply,
              bytes({kIac, kDo, kSuppressGoAhead, kIac, kWill, kSuppressGoAhead, kIac, kDont, kEcho,
                     kIac, kWill, kBinary, kIac, kDo, kBinary, kIac, kWill, kComPort}));
}

TEST(Telnet, EncodesTheLineSettingsAndPurge) {
    EXPECT_EQ(Client::lineSettings({9600, Parity::None, 8, 2}),
              bytes({kIac, kSb, kComPort, 1, 0, 0,    0x25, 0x80, kIac, kSe,  // 9600
                     kIac, kSb, kComPort, 2, 8, kIac, kSe,                    // 8 data bits
                     kIac, kSb, kComPort, 3, 1, kIac, kSe,                    // no parity
                     kIac, kSb, kComPort, 4, 1, kIac, kSe}));                 // 1 stop bit
    const std::string odd = Client::lineSettings({300, Parity::Odd, 7, 3});
    EXPECT_NE(odd.find(bytes({kComPort, 3, 2})), std::string::npos);
    EXPECT_NE(odd.find(bytes({kComPort, 4, 3})), std::string::npos);
    EXPECT_NE(Client::lineSettings({300, Parity::Even, 7, 4}).find(bytes({kComPort, 4, 2})),
              std::string::npos);
    // A value byte 0xFF is doubled inside the subnegotiation.
    EXPECT_EQ(Client::setBaudRate(65535),
              bytes({kIac, kSb, kComPort, 1, 0, 0, kIac, kIac, kIac, kIac, kIac, kSe}));
    EXPECT_EQ(Client::purgeData(Purge::Both), bytes({kIac, kSb, kComPort, 12, 3, kIac, kSe}));
}

TEST(Telnet, ReadsTheBaudRateAcknowledgedSplitAnywhereAndPassesOverNotifications) {
    const std::string stream =
        "a" + bytes({kIac, kSb, kComPort, 101, 0, 0, 0x96, 0x00, kIac, kSe}) + "b" +
        bytes({kIac, kSb, kComPort, 102, 8,    kIac, kSe, kIac, kSb, kComPort, 106, 0x08, kIac, kSe,
               kIac, kSb, kComPort, 107, 0x30, kIac, kSe, kIac, kSb, kComPort, 108, kIac, kSe}) +
        "c" +
        bytes({kIac, kSb, kComPort, 106, 0x60, kIac, kSe, kIac, kSb, kComPort, 101, 0, 0, kIac,
               kIac, kIac, kIac, kIac, kSe});
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        Client client;
        std::string data;
        std::string reply;
        client.receive(stream.substr(0, cut), data, reply);
        // The first acknowledgement counts as soon as its IAC SE is in.
        if (cut == 11) {
            EXPECT_EQ(client.acknowledgedBaud(), 38400u);
        }
        client.receive(stream.substr(cut), data, reply);
        EXPECT_EQ(data, "abc") << "cut at " << cut;
        EXPECT_EQ(reply, "");
        EXPECT_EQ(client.acknowledgedBaud(), 65535u);
    }
}

TEST(Telnet, TextModeDropsTheNulAfterACarriageReturnBinaryModeKeepsIt) {
    const std::string line = bytes({'1', '\r', 0, '2', 0, '\r', '\n'});
    Client text;
    EXPECT_EQ(feed(text, line), bytes({'1', '\r', '2', 0, '\r', '\n'}));
    Client binary;
    binary.start();
    feed(binary, bytes({kIac, kWill, kBinary}));
    EXPECT_EQ(feed(binary, line), line);
}

TEST(Telnet, HostileStreamsCostBoundedMemoryAndTheDataAfterThemGetsThrough) {
    // A subnegotiation that does not end for a long time, then does.
    Client client;
    std::string data;
    std::string reply;
    client.receive(bytes({kIac, kSb, kComPort, 101}), data, reply);
    const std::string junk(100000, 'x');
    for (int i = 0; i < 10; ++i) client.receive(junk, data, reply);
    EXPECT_EQ(data, "");
    client.receive(bytes({kIac, kSe}) + "ok", data, reply);
    EXPECT_EQ(data, "ok");
    EXPECT_EQ(client.acknowledgedBaud(), 0u);  // the overlong one is not taken

    // A command in the middle of a subnegotiation ends it; stray commands
    // and a lone SE carry no data; an IAC at the very end waits for its pair.
    Client broken;
    data.clear();
    reply.clear();
    broken.receive(bytes({kIac, kSb, kComPort, 101, 1, kIac, kWill, kEcho, 'a', kIac, 241, kIac,
                          kSe, kIac, 249, 'b', kIac}),
                   data, reply);
    EXPECT_EQ(data, "ab");
    EXPECT_EQ(reply, bytes({kIac, kDont, kEcho}));
    broken.receive(bytes({kIac, 'c'}), data, reply);
    EXPECT_EQ(data,
              "ab\xff"
              "c");
}

}  // namespace
}  // namespace purlo::telnet
