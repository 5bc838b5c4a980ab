// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>

#include "fakes/FakeSerialPort.h"

namespace purlo::test {

// A probe that answers each command character with a fixed reply and, when
// the console waits with nothing to read, sends an unsolicited distance line
// (as a probe in "each burst" mode does).
struct ScriptedProbe {
    explicit ScriptedProbe(FakeSerialPort& port) {
        port.onOutput = [this, &port](std::string_view data) {
            for (char ch : data) {
                if (auto it = replies.find(ch); it != replies.end()) send(port, it->second);
            }
        };
        port.onPoll = [this, &port] {
            if (port.inbox.empty() && !unsolicited.empty()) send(port, unsolicited);
        };
    }

    void send(FakeSerialPort& port, const std::string& bytes) {
        port.feed(bytes);
        toPc += bytes;
    }

    // Everything the probe sent, in order.
    std::string toPc;

    std::map<char, std::string> replies{
        {'?', "D1234\r\n"}, {'j', "j3\r\n"},    {'P', "P4\r\n"},   {'s', "s125\r\n"},
        {'q', "q30\r\n"},   {'Y', "Y10\r\n"},   {'m', "m100\r\n"}, {'w', "w3310\r\n"},
        {'k', "k60\r\n"},   {'x', "x9600\r\n"}, {'c', "c215\r\n"}, {'e', "e5\r\n"},
        {'g', "g3\r\n"},    {'o', "o2\r\n"},    {'a', "a1\r\n"},
    };
    std::string unsolicited = "D1000\r\n";
};

}  // namespace purlo::test
