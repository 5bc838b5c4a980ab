// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingCheck.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace purlo::bench {

namespace {

// The log's columns: "%10.3f  %-11s  text".
constexpr std::size_t kDirectionAt = 12;
constexpr std::size_t kTextAt = 25;

std::string unescaped(std::string_view quoted) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') {
        throw std::runtime_error("not a quoted text: " + std::string(quoted));
    }
    const std::string_view s = quoted.substr(1, quoted.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        if (c == 'r') {
            out += '\r';
        } else if (c == 'n') {
            out += '\n';
        } else if (c == 'x' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string recordBytes(std::string_view text) {
    // echo record "=" + 160 bytes: 0A FF ...
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) throw std::runtime_error("echo record without bytes");
    std::istringstream hex{std::string(text.substr(colon + 1))};
    std::string out = "=";
    std::string byte;
    while (hex >> byte) out += static_cast<char>(std::stoi(byte, nullptr, 16));
    return out;
}

// The fewest bytes that must be taken out of `sent` for `kept` to be left,
// over the shortest stretch of `sent` that holds `kept` in order; the number
// of kept bytes found nowhere when it does not.
struct Placement {
    std::int64_t missing = 0;
    std::int64_t unmatched = 0;
};
Placement place(std::string_view kept, std::string_view sent) {
    if (kept.empty() || sent.find(kept) != std::string_view::npos) return {};
    std::size_t best = std::numeric_limits<std::size_t>::max();
    for (std::size_t start = sent.find(kept.front()); start != std::string_view::npos;
         start = sent.find(kept.front(), start + 1)) {
        std::size_t at = start;
        std::size_t k = 0;
        for (; k < kept.size() && at < sent.size(); ++at) {
            if (sent[at] == kept[k]) ++k;
        }
        if (k == kept.size()) best = std::min(best, at - start - kept.size());
    }
    if (best == std::numeric_limits<std::size_t>::max()) {
        return {0, static_cast<std::int64_t>(kept.size())};
    }
    return {static_cast<std::int64_t>(best), 0};
}

// Sample bytes of `sentRecord` (after its "=") that `recording` repeats from `at`.
std::size_t sampleBytesMatching(std::string_view sentRecord, std::string_view recording,
                                std::size_t at) {
    std::size_t n = 0;
    while (n + 1 < sentRecord.size() && at + n < recording.size() &&
           recording[at + n] == sentRecord[n + 1]) {
        ++n;
    }
    return n;
}

}  // namespace

std::vector<SentMessage> sentToPc(std::string_view log) {
    std::vector<SentMessage> out;
    std::istringstream lines{std::string(log)};
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line.front() == '#' || line.size() < kTextAt) continue;
        if (line.compare(kDirectionAt, 11, "probe -> PC") != 0) continue;
        const std::string_view text = std::string_view(line).substr(kTextAt);
        if (text.rfind("echo record", 0) == 0) {
            out.push_back({true, recordBytes(text)});
        } else {
            out.push_back({false, unescaped(text)});
        }
    }
    return out;
}

RecordingComparison compareRecording(const std::vector<SentMessage>& sent,
                                     std::string_view recording, int sampleLength) {
    RecordingComparison cmp;
    cmp.recordedBytes = static_cast<std::int64_t>(recording.size());
    // The text the probe sent in front of each record, and after the last.
    std::vector<std::string> textBefore(1);
    std::vector<const std::string*> records;
    for (const SentMessage& m : sent) {
        if (m.record) {
            records.push_back(&m.bytes);
            textBefore.emplace_back();
        } else {
            textBefore.back() += m.bytes;
        }
    }
    const auto note = [&cmp](const std::string& problem) {
        if (cmp.firstProblem.empty()) cmp.firstProblem = problem;
    };
    // A marker is looked for among the first 51 bytes, so at least this many
    // sample bytes of a record are kept.
    const std::size_t leastKept = static_cast<std::size_t>(std::max(1, sampleLength - 50));

    std::size_t at = 0;    // position in the recording
    std::size_t next = 0;  // first sent record not yet matched
    bool first = true;
    while (at <= recording.size()) {
        const std::size_t marker = std::min(recording.find('=', at), recording.size());
        const std::string_view text = recording.substr(at, marker - at);
        if (marker == recording.size()) {
            // After the last record: the start of what followed it.
            const Placement p = place(text, textBefore[next]);
            cmp.lostBytes += p.missing;
            cmp.unmatchedBytes += p.unmatched;
            if (p.missing + p.unmatched > 0) note("the text after the last record differs");
            cmp.droppedByDesign += static_cast<std::int64_t>(
                textBefore[next].size() - std::min(textBefore[next].size(), text.size()));
            break;
        }
        // The sent record this one is: the next in order (on the first, any).
        std::size_t found = records.size();
        std::size_t kept = 0;
        for (std::size_t k = next; k < records.size(); ++k) {
            kept = sampleBytesMatching(*records[k], recording, marker + 1);
            if (kept >= leastKept && (!first || place(text, textBefore[k]).unmatched == 0)) {
                found = k;
                break;
            }
            if (!first && k > next + 64) break;
        }
        if (found == records.size()) {
            note("recorded bytes at offset " + std::to_string(marker) +
                 " start no record the probe sent");
            cmp.unmatchedBytes += 1;
            at = marker + 1;
            continue;
        }
        if (!first && found > next) {
            cmp.recordsLost += static_cast<int>(found - next);
            note("records sent but not recorded before offset " + std::to_string(marker));
        }
        const Placement p = place(text, textBefore[found]);
        cmp.lostBytes += p.missing;
        cmp.unmatchedBytes += p.unmatched;
        if (p.missing + p.unmatched > 0) {
            note("text in front of the record at offset " + std::to_string(marker) + " differs");
        } else if (!first) {
            cmp.droppedByDesign +=
                static_cast<std::int64_t>(textBefore[found].size() - text.size());
        }
        const std::size_t full = records[found]->size() - 1;
        kept = std::min(kept, static_cast<std::size_t>(sampleLength));
        if (kept < std::min(full, static_cast<std::size_t>(sampleLength))) ++cmp.recordsCutShort;
        cmp.droppedByDesign += static_cast<std::int64_t>(full - kept);
        ++cmp.recordsMatched;
        first = false;
        next = found + 1;
        at = marker + 1 + kept;
    }
    return cmp;
}

}  // namespace purlo::bench
