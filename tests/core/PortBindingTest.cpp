// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/FakePortCatalogue.h"
#include "link/PortBinding.h"
#include "platform/System.h"
#include "text/RuntimeError.h"

namespace purlo::test {
namespace {

const std::string kFtdiById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9KX1Q3E-if00-port0";
TEST(CommMapping, UnboundIsTheFirstOfTheSystemsNamesThatExistsElseItsLast) {
    for (const int n : {1, 2, 12}) {
        const std::vector<std::string> names = platform::automaticSerialPorts(n);
        ASSERT_FALSE(names.empty());
        FakePortCatalogue c;
        EXPECT_EQ(mapComm(n, "", "", c).device, names.back());
        EXPECT_EQ(mapComm(n, "", "", c).source, CommSource::Automatic);
        c.files.insert(names.front());
        EXPECT_EQ(mapComm(n, "", "", c).device, names.front());
        EXPECT_EQ(mapComm(n, "/tmp/probe", "", c).device, "/tmp/probe");
    }
}

const std::string kCh340ById = "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0";

TEST(CommMapping, ABindingFollowsItsAdapterAcrossReplugs) {
    FakePortCatalogue c;
    c.add("/dev/ttyUSB0", kCh340ById);
    c.add("/dev/ttyUSB1", kFtdiById);
    EXPECT_EQ(mapComm(1, "", kFtdiById, c).device, kFtdiById);
    // Replugged in the other order: the numbers swap, the binding does not.
    c.listed.clear();
    c.add("/dev/ttyUSB0", kFtdiById);
    c.add("/dev/ttyUSB1", kCh340ById);
    const CommMapping m = mapComm(1, "", kFtdiById, c);
    EXPECT_EQ(m.device, kFtdiById);
    EXPECT_FALSE(m.boundButAbsent);
    // A port without a stable path is bound by its device file.
    c.files.insert("/dev/ttyS0");
    EXPECT_EQ(mapComm(1, "", "/dev/ttyS0", c).device, "/dev/ttyS0");
    EXPECT_FALSE(mapComm(1, "", "/dev/ttyS0", c).boundButAbsent);
}

TEST(CommMapping, ABindingWhoseAdapterIsAbsentStaysBound) {
    FakePortCatalogue c;
    c.add("/dev/ttyUSB0", kCh340ById);  // another adapter, maybe another probe
    c.add("/dev/ttyUSB1", kFtdiById);
    c.unplug("/dev/ttyUSB1");
    const CommMapping m = mapComm(1, "", kFtdiById, c);
    EXPECT_EQ(m.device, kFtdiById);
    EXPECT_EQ(m.source, CommSource::Binding);
    EXPECT_TRUE(m.boundButAbsent);
    // Only the environment variable overrides it.
    EXPECT_EQ(mapComm(1, "/dev/ttyUSB0", kFtdiById, c).device, "/dev/ttyUSB0");
    EXPECT_FALSE(mapComm(1, "/dev/ttyUSB0", kFtdiById, c).boundButAbsent);
}

const PortChoice* choiceFor(const std::vector<PortChoice>& choices, const std::string& binding) {
    const auto it = std::find_if(choices.begin(), choices.end(),
                                 [&](const PortChoice& c) { return c.binding == binding; });
    return it == choices.end() ? nullptr : &*it;
}

TEST(PortChoices, TheBoundPortIsMarkedAndAnAbsentOneStaysListed) {
    FakePortCatalogue c;
    c.add("/dev/ttyUSB0", kCh340ById, "USB Serial");
    c.add("/dev/ttyUSB1", kFtdiById, "FT232R USB UART");

    std::vector<PortChoice> choices = portChoices(3, "", kFtdiById, c);
    EXPECT_FALSE(choices.front().current);  // Automatic
    EXPECT_FALSE(choiceFor(choices, kCh340ById)->current);
    EXPECT_TRUE(choiceFor(choices, kFtdiById)->current);
    EXPECT_EQ(choiceFor(choices, kFtdiById)->text, "/dev/ttyUSB1 – FT232R USB UART");

    c.unplug("/dev/ttyUSB1");
    choices = portChoices(3, "", kFtdiById, c);
    ASSERT_EQ(choices.size(), 3U);
    EXPECT_EQ(choices[1].text, kFtdiById + " (absent)");
    EXPECT_EQ(choices[1].binding, kFtdiById);
    EXPECT_TRUE(choices[1].current);
    EXPECT_FALSE(choices[2].current);  // the other adapter is not taken instead
}

TEST(PortChoices, ABoundDeviceTheListLacksIsShownAsBound) {
    FakePortCatalogue c;
    c.add("/dev/ttyUSB0", kCh340ById, "USB Serial");
    c.files.insert("/tmp/x/ttyPROBE");  // a pseudo-terminal's link: never listed
    const std::vector<PortChoice> choices = portChoices(1, "", "/tmp/x/ttyPROBE", c);
    ASSERT_EQ(choices.size(), 3U);
    EXPECT_EQ(choices[1].text, "/tmp/x/ttyPROBE");
    EXPECT_TRUE(choices[1].current);
    EXPECT_FALSE(choices[0].current);
    EXPECT_FALSE(choices[2].current);
    EXPECT_EQ(mapComm(1, "", "/tmp/x/ttyPROBE", c).device, "/tmp/x/ttyPROBE");
}

TEST(PortChoices, AnEnvironmentVariableIsShownAsWhatCountsAndCannotBeChosen) {
    FakePortCatalogue c;
    c.add("/dev/ttyUSB0", kFtdiById, "FT232R USB UART");
    const std::vector<PortChoice> choices = portChoices(1, "/tmp/x/ttyPROBE", kFtdiById, c);
    ASSERT_EQ(choices.size(), 3U);
    EXPECT_EQ(choices[0].text, "PURLO_COMM1=/tmp/x/ttyPROBE (absent)");
    EXPECT_TRUE(choices[0].current);
    EXPECT_FALSE(choices[0].enabled);
    // The binding is kept for when the variable is gone, but is not what Comm1 opens now.
    EXPECT_FALSE(choices[1].current);
    EXPECT_FALSE(choices[2].current);
}

TEST(PortChoices, NetworkPortsAreNeverAbsentAndListedRecentFirstWithWhyTheyFailed) {
    FakePortCatalogue c;
    c.add("/dev/ttyUSB0", kFtdiById);
    const std::string bound = "socket://gw:4001";
    const CommMapping m = mapComm(1, "", bound, c);
    EXPECT_EQ(m.device, bound);
    EXPECT_FALSE(m.boundButAbsent);
    // The serial section does not repeat it, nor call it absent.
    for (const PortChoice& p : portChoices(1, "", bound, c)) EXPECT_NE(p.binding, bound);
    EXPECT_EQ(portChoices(1, "rfc2217://gw:4002", "", c)[0].text, "PURLO_COMM1=rfc2217://gw:4002");

    const auto failure = [](const std::string& a) {
        return a == "rfc2217://[::1]:4002" ? std::string("refused") : std::string();
    };
    const std::vector<std::string> recent{"rfc2217://[::1]:4002", "tcp://gw:4001", "junk://x"};
    std::vector<PortChoice> n = networkChoices("", bound, recent, failure);
    ASSERT_EQ(n.size(), 2U);  // the bound one is among them; junk is dropped
    EXPECT_EQ(n[0].text, "rfc2217://[::1]:4002 (refused)");
    EXPECT_EQ(n[0].binding, "rfc2217://[::1]:4002");
    EXPECT_FALSE(n[0].current);
    EXPECT_EQ(n[1].binding, "tcp://gw:4001");
    EXPECT_TRUE(n[1].current);
    EXPECT_NE(n[1].details.find("raw TCP"), std::string::npos);
    // Bound to one no longer among the recent: it comes first. The
    // environment overrides a binding: nothing is marked then.
    n = networkChoices("", "tcp://other:9", recent, failure);
    ASSERT_EQ(n.size(), 3U);
    EXPECT_EQ(n[0].binding, "tcp://other:9");
    EXPECT_TRUE(n[0].current);
    n = networkChoices("/dev/ttyUSB0", "tcp://gw:4001", recent, failure);
    EXPECT_TRUE(std::none_of(n.begin(), n.end(), [](const PortChoice& p) { return p.current; }));
}

// Pasted with blanks around, or not quite an address: it is still read as
// one, and the chooser says what is wrong rather than "absent".
TEST(PortChoices, ANetworkAddressWithBlanksCountsTrimmedAndOneNotUnderstoodSaysWhy) {
    FakePortCatalogue c;
    const auto refused = [](const std::string& a) {
        return a == "rfc2217://gw:4002" ? std::string("refused") : std::string();
    };
    EXPECT_EQ(mapComm(1, " rfc2217://gw:4002\n", "", c).device, "rfc2217://gw:4002");
    EXPECT_EQ(mapComm(1, "", "\ttcp://gw:4001 ", c).device, "tcp://gw:4001");
    EXPECT_EQ(mapComm(1, "  ", "", c).source, CommSource::Automatic);
    EXPECT_EQ(portChoices(1, " rfc2217://gw:4002", "", c, refused)[0].text,
              "PURLO_COMM1=rfc2217://gw:4002 (refused)");
    EXPECT_EQ(networkChoices("", " tcp://gw:4001", {}, refused)[0].binding, "tcp://gw:4001");
    for (const std::string bad : {"telnet://gw:23", "rfc2217:/gw:4002", "TCP:gw:4001"}) {
        EXPECT_EQ(portChoices(1, bad, "", c)[0].text,
                  "PURLO_COMM1=" + bad + " (not rfc2217://HOST:PORT or tcp://HOST:PORT)");
    }
}

}  // namespace
}  // namespace purlo::test
