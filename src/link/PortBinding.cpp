// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/PortBinding.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "link/NetworkAddress.h"
#include "platform/System.h"
#include "text/RuntimeError.h"

namespace purlo {

namespace {

std::string automaticDevice(int n, const PortCatalogue& catalogue) {
    std::vector<std::string> names = platform::automaticSerialPorts(n);
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        if (catalogue.exists(names[i])) return names[i];
    }
    return names.back();
}

bool present(std::string_view device, const std::vector<PortInfo>& ports,
             const PortCatalogue& catalogue) {
    for (const PortInfo& p : ports) {
        if (p.stablePath == device || p.location == device) return true;
    }
    return catalogue.exists(std::string(device));
}

std::string hex4(std::uint16_t id) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%04x", static_cast<unsigned>(id));
    return text.data();
}

std::string withNote(std::string text, PortAccess access) {
    const std::string note = accessNote(access);
    if (!note.empty()) text += " (" + note + ")";
    return text;
}

std::string details(const PortInfo& p) {
    std::string out;
    const auto line = [&out](const std::string& text) {
        if (text.empty()) return;
        if (!out.empty()) out += '\n';
        out += text;
    };
    if (!p.manufacturer.empty()) line("Manufacturer: " + p.manufacturer);
    if (!p.serialNumber.empty()) line("Serial number: " + p.serialNumber);
    if (p.vendorId && p.productId) line("USB id: " + hex4(*p.vendorId) + ":" + hex4(*p.productId));
    line(p.stablePath);
    return out;
}

// Why `address` cannot be reached, as far as is known: not an address at all,
// or what the last attempt to reach it met (`lastFailure`); empty if nothing.
std::string networkNote(std::string_view address, const LastFailure& lastFailure) {
    try {
        const NetworkAddress a = parseNetworkAddress(address);
        return lastFailure ? lastFailure(a.text()) : std::string();
    } catch (const RuntimeError& e) {
        // The message quotes the address first; the note is what follows.
        const std::string what = e.what();
        const std::string quoted = "\"" + std::string(address) + "\": ";
        return what.rfind(quoted, 0) == 0 ? what.substr(quoted.size()) : what;
    }
}

std::string withNetworkNote(std::string text, std::string_view address,
                            const LastFailure& lastFailure) {
    const std::string note = networkNote(address, lastFailure);
    if (!note.empty()) text += " (" + note + ")";
    return text;
}

}  // namespace

CommMapping mapComm(int n, std::string_view environment, std::string_view binding,
                    const PortCatalogue& catalogue) {
    if (n < 1) throw RuntimeError("invalid port number");
    environment = trimAddress(environment);
    binding = trimAddress(binding);
    if (!environment.empty()) return {std::string(environment), CommSource::Environment, false};
    if (!binding.empty()) {
        // A network port is reached or not when it opens; never "absent".
        const bool there =
            isNetworkAddress(binding) || present(binding, catalogue.ports(), catalogue);
        return {std::string(binding), CommSource::Binding, !there};
    }
    return {automaticDevice(n, catalogue), CommSource::Automatic, false};
}

std::string accessNote(PortAccess access) {
    switch (access) {
        case PortAccess::Absent: return "absent";
        case PortAccess::Busy: return "busy: another program has it open";
        case PortAccess::NoPermission: return "no permission: add your user to the group dialout";
        case PortAccess::Usable: break;
    }
    return {};
}

std::vector<PortChoice> portChoices(int n, std::string_view environment, std::string_view binding,
                                    const PortCatalogue& catalogue,
                                    const LastFailure& lastFailure) {
    binding = trimAddress(binding);
    const CommMapping now = mapComm(n, environment, binding, catalogue);
    const std::vector<PortInfo> ports = catalogue.ports();
    std::vector<PortChoice> choices;

    if (now.source == CommSource::Environment) {
        PortChoice env;
        env.text = "PURLO_COMM" + std::to_string(n) + "=" + now.device;
        env.text = isNetworkAddress(now.device) ? withNetworkNote(env.text, now.device, lastFailure)
                                                : withNote(env.text, catalogue.access(now.device));
        env.details = "Set in the environment: it overrides the choice below.";
        env.current = true;
        env.enabled = false;
        choices.push_back(std::move(env));
    }

    PortChoice automatic;
    const std::string automaticNow = mapComm(n, {}, {}, catalogue).device;
    const std::string automaticNote = accessNote(catalogue.access(automaticNow));
    automatic.text =
        "Automatic (" + automaticNow + (automaticNote.empty() ? "" : ", " + automaticNote) + ")";
    for (const std::string& name : platform::automaticSerialPorts(n)) {
        if (!automatic.details.empty()) automatic.details += ", else ";
        automatic.details += name;
    }
    automatic.current = now.source == CommSource::Automatic;
    choices.push_back(std::move(automatic));

    // A bound device the list lacks: absent, or a device the system does not
    // list as a serial port (a pseudo-terminal, a link of one's own).
    const bool listed = std::any_of(ports.begin(), ports.end(), [&binding](const PortInfo& p) {
        return p.bindingName() == binding || p.location == binding;
    });
    if (!binding.empty() && !listed && !isNetworkAddress(binding)) {
        PortChoice bound;
        bound.text = withNote(std::string(binding), catalogue.access(std::string(binding)));
        bound.binding = binding;
        bound.details = "Bound to Comm" + std::to_string(n) +
                        (now.boundButAbsent ? "; Start fails until it is back." : ".");
        bound.current = now.source == CommSource::Binding;
        choices.push_back(std::move(bound));
    }

    for (const PortInfo& p : ports) {
        PortChoice c;
        const std::string& about = p.description.empty() ? p.manufacturer : p.description;
        c.text = withNote(about.empty() ? p.location : p.location + " – " + about,
                          catalogue.access(p.location));
        c.binding = p.bindingName();
        c.details = details(p);
        c.current =
            now.device == p.location || (!p.stablePath.empty() && now.device == p.stablePath);
        choices.push_back(std::move(c));
    }
    return choices;
}

std::vector<PortChoice> networkChoices(std::string_view environment, std::string_view binding,
                                       const std::vector<std::string>& recent,
                                       const LastFailure& lastFailure) {
    environment = trimAddress(environment);
    binding = trimAddress(binding);
    std::vector<std::string> addresses = recent;
    const bool boundToServer = isNetworkAddress(binding);
    // The bound one first when it has dropped off the list, so it shows.
    if (boundToServer) {
        const std::vector<std::string> withBound =
            rememberRecent(recent, binding, recent.size() + 1);
        if (withBound.size() > recent.size()) addresses = withBound;
    }
    std::optional<NetworkAddress> bound;
    if (environment.empty() && boundToServer) {
        try {
            bound = parseNetworkAddress(binding);
        } catch (const RuntimeError&) {
            // Bound to something that cannot be reached: nothing listed is it.
        }
    }
    std::vector<PortChoice> choices;
    for (const std::string& address : addresses) {
        PortChoice c;
        NetworkAddress a;
        try {
            a = parseNetworkAddress(address);
        } catch (const RuntimeError&) {
            // Not an address (the settings file edited): a recent one is
            // dropped; the bound one says why Start fails.
            if (address != binding) continue;
            c.text = withNetworkNote(address, address, lastFailure);
            c.details = "Bound to this Comm; Start fails until another port is chosen.";
            c.current = environment.empty();
            c.enabled = false;
            choices.push_back(std::move(c));
            continue;
        }
        c.binding = a.text();
        c.text = withNetworkNote(c.binding, c.binding, lastFailure);
        c.details = a.kind == NetworkKind::Rfc2217
                        ? "Serial device server, RFC 2217: the line settings are set from here."
                        : "Serial device server, raw TCP: the line settings are set on the server.";
        c.current = bound == a;
        choices.push_back(std::move(c));
    }
    return choices;
}

}  // namespace purlo
