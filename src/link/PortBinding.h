// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/PortCatalogue.h"

namespace purlo {

// Where the device of "Comm n" came from.
enum class CommSource {
    Environment,  // PURLO_COMMn
    Binding,      // the port the operator bound to Comm n
    Automatic,    // /dev/ttyUSB<n-1>, else /dev/ttyACM<n-1>, else /dev/ttyS<n-1>
};

struct CommMapping {
    std::string device;  // what Comm n opens
    CommSource source = CommSource::Automatic;
    // Bound to a device that is not there now. The binding holds: the open
    // fails rather than take another adapter, which could be another probe.
    bool boundButAbsent = false;
};

// The device of Comm n (n >= 1), in this order: `environment` (the value of
// PURLO_COMMn) when not empty; else `binding` (the bound port's stable path,
// or its device file when it has none) when not empty, present or not; else
// the first of /dev/ttyUSB<n-1> and /dev/ttyACM<n-1> that exists, else
// /dev/ttyS<n-1>. Throws RuntimeError for n < 1.
CommMapping mapComm(int n, std::string_view environment, std::string_view binding,
                    const PortCatalogue& catalogue);

// Why a port cannot be opened, as the port chooser says it; empty when it can.
std::string accessNote(PortAccess access);

// One entry of the port chooser of Comm n.
struct PortChoice {
    std::string text;      // as shown
    std::string binding;   // what choosing it binds Comm n to; empty: drop the binding
    std::string details;   // manufacturer, serial number, USB ids, stable path; one a line
    bool current = false;  // the device Comm n maps to now
    bool enabled = true;   // false: a line that only informs
};

// Why the last attempt to reach a network address (as NetworkAddress::text
// writes it) failed ("refused"); empty when it did not.
using LastFailure = std::function<std::string(const std::string&)>;

// The entries of the chooser of Comm n: the environment variable when it
// names the device (it overrides any choice), "Automatic" with the device it
// picks now, the bound device when the ports present do not include it
// (absent, or not a listed serial port; a network port is left to
// networkChoices), then every port present with its description. Each port
// that cannot be opened says why; a network port in the environment says why
// it is no address, or why it was last not reached (`lastFailure`).
std::vector<PortChoice> portChoices(int n, std::string_view environment, std::string_view binding,
                                    const PortCatalogue& catalogue,
                                    const LastFailure& lastFailure = {});

// The chooser's network ports for Comm n: the one bound (when it is not among
// `recent`), then the ones used lately, newest first, each once; the one Comm
// n maps to marked, each with why it was last not reached. A bound address
// that is no address is listed (disabled) with what is wrong with it.
std::vector<PortChoice> networkChoices(std::string_view environment, std::string_view binding,
                                       const std::vector<std::string>& recent,
                                       const LastFailure& lastFailure);

}  // namespace purlo
