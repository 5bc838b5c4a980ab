// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace purlo {

// One serial port the system has now.
struct PortInfo {
    std::string location;      // the device file: "/dev/ttyUSB0"
    std::string stablePath;    // "/dev/serial/by-id/…" when it has one, else empty
    std::string description;   // "FT232R USB UART"
    std::string manufacturer;  // "FTDI"
    std::string serialNumber;
    std::optional<std::uint16_t> vendorId;  // USB ids, when a USB device
    std::optional<std::uint16_t> productId;

    // The name a binding keeps: the stable path, which survives replugs and
    // reboots, else the device file.
    const std::string& bindingName() const { return stablePath.empty() ? location : stablePath; }
};

// Whether a device could be opened now, and if not why.
enum class PortAccess {
    Usable,
    Absent,        // no such device
    Busy,          // another program holds it
    NoPermission,  // this user may not open it
};

// The serial ports of the system, as far as the console needs them: what is
// present, which device files exist, whether one can be opened. The program
// asks the system; tests present any set of ports.
class PortCatalogue {
  public:
    virtual ~PortCatalogue() = default;

    virtual std::vector<PortInfo> ports() const = 0;
    // Whether the device file (or link to one) exists.
    virtual bool exists(const std::string& device) const = 0;
    virtual PortAccess access(const std::string& device) const = 0;
};

}  // namespace purlo
