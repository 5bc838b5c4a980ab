// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace purlo {

// The ports the operator bound to Comm n, per user (QSettings,
// ~/.config/purlo/ports.conf, "Comm1=/dev/serial/by-id/…"). Each is kept by
// the name PortInfo::bindingName() gives, so it survives replugs and reboots.
class PortBindings {
  public:
    // Empty when Comm n is not bound.
    static std::string binding(int n);
    static void bind(int n, const std::string& device);
    static void unbind(int n);
};

}  // namespace purlo
