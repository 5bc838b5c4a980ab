// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/PortCatalogue.h"

namespace purlo::test {

// A system's serial ports as a test sets them: the ports listed, further
// device files that exist without being listed (a built-in /dev/ttyS0, a
// link), and which devices cannot be opened. A listed port's device file and
// stable path exist.
class FakePortCatalogue : public PortCatalogue {
  public:
    std::vector<PortInfo> listed;
    std::set<std::string> files;
    std::map<std::string, PortAccess> denied;

    // Adds a port; its stable path only when given.
    PortInfo& add(std::string location, std::string stablePath = {}, std::string description = {}) {
        PortInfo p;
        p.location = std::move(location);
        p.stablePath = std::move(stablePath);
        p.description = std::move(description);
        listed.push_back(std::move(p));
        return listed.back();
    }
    // Unplugs the port at `location`: its device file and stable path go.
    void unplug(const std::string& location) {
        std::erase_if(listed, [&](const PortInfo& p) { return p.location == location; });
    }

    std::vector<PortInfo> ports() const override { return listed; }
    bool exists(const std::string& device) const override {
        if (files.count(device) != 0) return true;
        for (const PortInfo& p : listed) {
            if (p.location == device || (!p.stablePath.empty() && p.stablePath == device)) {
                return true;
            }
        }
        return false;
    }
    PortAccess access(const std::string& device) const override {
        if (!exists(device)) return PortAccess::Absent;
        const auto it = denied.find(device);
        return it == denied.end() ? PortAccess::Usable : it->second;
    }
};

}  // namespace purlo::test
