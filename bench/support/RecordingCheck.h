// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace purlo::bench {

// One thing the probe sent: a reply line (CR LF included) or an echo record
// (its "=" and sample bytes).
struct SentMessage {
    bool record = false;
    std::string bytes;
};

// What the probe simulator's traffic log (--log) says it sent to the PC, in
// order. Notes and the PC's commands are left out. Throws std::runtime_error
// on an entry it cannot read.
std::vector<SentMessage> sentToPc(std::string_view trafficLog);

// How a live recording compares with what the probe sent.
//
// The console keeps every byte it reads, except, by design, around each echo
// record: what was waiting when it emptied the receive buffer to ask for the
// record and whatever came in front of the marker (together: bytes just in
// front of a record's "="), and what came after the last sample byte it used
// (bytes just behind a record's sample bytes; a marker found at index k
// leaves the last k sample bytes unused). Any other difference is a loss.
struct RecordingComparison {
    std::int64_t recordedBytes = 0;
    int recordsMatched = 0;
    int recordsCutShort = 0;           // marker not first: fewer sample bytes kept, by design
    std::int64_t droppedByDesign = 0;  // bytes of matched stretches the console did not keep
    std::int64_t lostBytes = 0;        // bytes missing where nothing may go missing
    int recordsLost = 0;               // records sent between two recorded ones, not recorded
    std::int64_t unmatchedBytes = 0;   // recorded bytes found nowhere in what was sent
    std::string firstProblem;          // empty when there is none
    bool clean() const { return lostBytes == 0 && recordsLost == 0 && unmatchedBytes == 0; }
};

// `sampleLength` is the console's record length (sample bytes after "=").
RecordingComparison compareRecording(const std::vector<SentMessage>& sent,
                                     std::string_view recording, int sampleLength);

}  // namespace purlo::bench
