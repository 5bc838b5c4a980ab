// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/System.h"

namespace purlo {

inline constexpr const char* kSampleFileName = "Purlo.Spl";

// Which file, and which content of it: another device or inode is another
// file; another size or modification time, the same file written again.
using platform::FileIdentity;

// Purlo.Spl: the raw bytes the probe sent, no header. A recording appends to
// it; a playback reads it byte by byte at 1-based positions. Both handles stay
// open between handlers. Every failure throws RuntimeError.
class SampleFiles {
  public:
    SampleFiles() = default;
    SampleFiles(const SampleFiles&) = delete;
    SampleFiles& operator=(const SampleFiles&) = delete;
    ~SampleFiles();

    // Starts a recording: the file is emptied first, so an older, longer
    // recording leaves no tail behind the new one.
    void openRecording(const std::filesystem::path& path);
    // Appends the bytes at once (unbuffered), so a failure is seen by the
    // write that caused it and everything before it is already in the file.
    void append(std::string_view bytes);
    void closeRecording();
    bool recording() const { return recording_.isOpen(); }
    // The recording is whole up to here: a reply line or a sample line ended.
    void markWhole();
    // The reply line under way has had its carriage return: only its line
    // feed is missing.
    void markReplyEnded() { replyEnded_ = true; }
    bool replyEnded() const { return replyEnded_; }
    // Drops what was appended since the recording was last whole.
    void dropSinceWhole();

    // Opens for playback, creating an empty file when there is none.
    void openPlayback(const std::filesystem::path& path);
    // The byte at a 1-based position; nothing past the end of the file.
    // Playback reads every byte so: the block in hand is read here, inline.
    std::optional<std::uint8_t> byteAt(std::int64_t position) {
        const std::int64_t at = position - 1 - blockStart_;
        if (blockStart_ >= 0 && position >= 1 && at >= 0 &&
            at < static_cast<std::int64_t>(block_.size()) && playback_.isOpen()) {
            return block_[static_cast<std::size_t>(at)];
        }
        return byteFromFile(position);
    }
    // Up to out.size() bytes from 0-based `offset` on, into `out`: how many
    // (fewer only at the end of the file). For reading ahead in bulk.
    std::size_t read(std::int64_t offset, std::span<std::uint8_t> out);
    // The playback file's length in bytes, as it was when it was opened.
    std::int64_t playbackLength() const { return length_; }
    void closePlayback();
    bool playing() const { return playback_.isOpen(); }
    // The open playback file's identity as it is now.
    FileIdentity playbackIdentity() const;
    // The playback file was written again under it: forgets what was read
    // ahead and takes its length anew.
    void rereadPlayback();

    void closeAll();

  private:
    // byteAt past the block in hand: reads the block around `position`.
    std::optional<std::uint8_t> byteFromFile(std::int64_t position);

    platform::File recording_;
    std::int64_t written_ = 0;  // bytes of the recording
    std::int64_t whole_ = 0;    // bytes of the recording up to its last whole line
    bool replyEnded_ = false;
    platform::File playback_;
    std::int64_t length_ = 0;
    // Playback reads through a block cache: a byte at a time, at disk speed.
    std::vector<std::uint8_t> block_;
    std::int64_t blockStart_ = -1;
};

}  // namespace purlo
