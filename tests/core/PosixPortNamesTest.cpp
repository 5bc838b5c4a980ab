// SPDX-License-Identifier: GPL-3.0-or-later
// "Comm n" among Linux's serial devices: USB adapters, CDC-ACM and built-in
// ports by their device files. The Windows build leaves this file out (COMn).
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/FakePortCatalogue.h"
#include "link/PortBinding.h"
#include "text/RuntimeError.h"

namespace purlo::test {
namespace {

const std::string kFtdiById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9KX1Q3E-if00-port0";

std::vector<std::string> texts(const std::vector<PortChoice>& choices) {
    std::vector<std::string> out;
    for (const PortChoice& c : choices) out.push_back(c.text);
    return out;
}

TEST(CommMapping, TheEnvironmentThenTheBindingThenUsbAcmAndBuiltIn) {
    FakePortCatalogue c;
    c.add("/dev/ttyUSB0", kFtdiById);
    c.add("/dev/ttyACM0", "/dev/serial/by-id/usb-Arduino-if00");
    c.add("/dev/ttyACM1");
    c.files.insert("/dev/ttyS2");

    const CommMapping env = mapComm(1, "/tmp/probe", kFtdiById, c);
    EXPECT_EQ(env.device, "/tmp/probe");
    EXPECT_EQ(env.source, CommSource::Environment);

    const CommMapping bound = mapComm(1, "", "/dev/serial/by-id/usb-Arduino-if00", c);
    EXPECT_EQ(bound.device, "/dev/serial/by-id/usb-Arduino-if00");
    EXPECT_EQ(bound.source, CommSource::Binding);
    EXPECT_FALSE(bound.boundButAbsent);

    // Unbound: a USB adapter before a CDC-ACM one before the built-in port,
    // each by the index n-1.
    EXPECT_EQ(mapComm(1, "", "", c).device, "/dev/ttyUSB0");
    EXPECT_EQ(mapComm(2, "", "", c).device, "/dev/ttyACM1");
    EXPECT_EQ(mapComm(3, "", "", c).device, "/dev/ttyS2");
    // Nothing of the kind at all: the built-in name, which the open then rejects.
    EXPECT_EQ(mapComm(4, "", "", c).device, "/dev/ttyS3");
    EXPECT_EQ(mapComm(4, "", "", c).source, CommSource::Automatic);
    EXPECT_EQ(mapComm(12, "", "", c).device, "/dev/ttyS11");

    EXPECT_THROW(mapComm(0, "", "", c), RuntimeError);
}

TEST(PortChoices, AutomaticFirstThenEveryPortWithItsDescriptionAndWhyItCannotOpen) {
    FakePortCatalogue c;
    PortInfo& ftdi = c.add("/dev/ttyUSB0", kFtdiById, "FT232R USB UART");
    ftdi.manufacturer = "FTDI";
    ftdi.serialNumber = "A9KX1Q3E";
    ftdi.vendorId = 0x0403;
    ftdi.productId = 0x6001;
    c.add("/dev/ttyACM0", "/dev/serial/by-id/usb-Acme_Probe-if00").manufacturer = "Acme";
    c.add("/dev/ttyS0");
    c.denied["/dev/ttyACM0"] = PortAccess::Busy;
    c.denied["/dev/ttyS0"] = PortAccess::NoPermission;

    const std::vector<PortChoice> choices = portChoices(1, "", "", c);
    EXPECT_EQ(texts(choices), (std::vector<std::string>{
                                  "Automatic (/dev/ttyUSB0)",
                                  "/dev/ttyUSB0 – FT232R USB UART",
                                  "/dev/ttyACM0 – Acme (busy: another program has it open)",
                                  "/dev/ttyS0 (no permission: add your user to the group dialout)",
                              }));
    // Automatic maps to the FTDI adapter now: both are marked.
    EXPECT_TRUE(choices[0].current);
    EXPECT_TRUE(choices[0].binding.empty());
    EXPECT_TRUE(choices[1].current);
    EXPECT_FALSE(choices[2].current);
    EXPECT_FALSE(choices[3].current);
    // Choosing binds by the stable path, else by the device file.
    EXPECT_EQ(choices[1].binding, kFtdiById);
    EXPECT_EQ(choices[3].binding, "/dev/ttyS0");
    EXPECT_EQ(choices[1].details,
              "Manufacturer: FTDI\nSerial number: A9KX1Q3E\nUSB id: 0403:6001\n" + kFtdiById);
    for (const PortChoice& choice : choices) EXPECT_TRUE(choice.enabled) << choice.text;

    // Comm2 has no adapter of its own: Automatic says so.
    EXPECT_EQ(portChoices(2, "", "", c).front().text, "Automatic (/dev/ttyS1, absent)");
}

}  // namespace
}  // namespace purlo::test
