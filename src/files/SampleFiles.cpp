// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/SampleFiles.h"

#include <system_error>

#include "text/RuntimeError.h"

namespace purlo {

namespace {

constexpr std::size_t kBlockSize = std::size_t{64} * 1024;

std::int64_t fileLength(const platform::File& f) {
    const std::optional<FileIdentity> now = f.identity();
    if (!now) throw RuntimeError("cannot size Purlo.Spl");
    return now->size;
}

}  // namespace

SampleFiles::~SampleFiles() {
    closeAll();
}

void SampleFiles::openRecording(const std::filesystem::path& path) {
    closeRecording();
    std::error_code ec;
    recording_ = platform::File::open(path, platform::OpenMode::Truncate, ec);
    if (!recording_.isOpen()) throw RuntimeError("cannot create Purlo.Spl");
    written_ = 0;
    whole_ = 0;
    replyEnded_ = false;
}

void SampleFiles::markWhole() {
    if (!recording_.isOpen()) return;
    whole_ = written_;
    replyEnded_ = false;
}

void SampleFiles::dropSinceWhole() {
    if (!recording_.isOpen()) return;
    std::error_code ec;
    if (!recording_.truncate(whole_, ec) || !recording_.seek(whole_, ec))
        throw RuntimeError("cannot write Purlo.Spl");
    written_ = whole_;
    replyEnded_ = false;
}

void SampleFiles::append(std::string_view bytes) {
    if (bytes.empty()) return;
    if (!recording_.isOpen()) throw RuntimeError("no recording open");
    std::error_code ec;
    written_ += static_cast<std::int64_t>(recording_.write(bytes, ec));
    if (ec) throw RuntimeError("cannot write Purlo.Spl");
}

void SampleFiles::closeRecording() {
    std::error_code ignored;
    recording_.close(ignored);
}

void SampleFiles::openPlayback(const std::filesystem::path& path) {
    closePlayback();
    std::error_code ec;
    playback_ = platform::File::open(path, platform::OpenMode::Read, ec);
    if (!playback_.isOpen() && ec == std::errc::no_such_file_or_directory) {
        // A missing file is not a failure: arming creates it, empty.
        if (platform::File::open(path, platform::OpenMode::Append, ec).isOpen()) {
            playback_ = platform::File::open(path, platform::OpenMode::Read, ec);
        }
    }
    const std::optional<FileIdentity> opened = playback_.identity();
    if (!opened || !opened->regular) {
        closePlayback();
        throw RuntimeError("cannot open Purlo.Spl");
    }
    length_ = opened->size;
    blockStart_ = -1;
}

std::optional<std::uint8_t> SampleFiles::byteFromFile(std::int64_t position) {
    if (!playback_.isOpen()) throw RuntimeError("no playback open");
    if (position < 1) return std::nullopt;
    const std::int64_t offset = position - 1;
    if (blockStart_ < 0 || offset < blockStart_ ||
        offset >= blockStart_ + static_cast<std::int64_t>(block_.size())) {
        // The file may have grown since it was opened (a recording into it).
        if (offset >= length_) length_ = fileLength(playback_);
        if (offset >= length_) return std::nullopt;
        blockStart_ = offset - offset % static_cast<std::int64_t>(kBlockSize);
        block_.resize(kBlockSize);
        std::error_code ec;
        const std::size_t got = playback_.readAt(blockStart_, block_, ec);
        if (got == 0 && ec) throw RuntimeError("cannot read Purlo.Spl");
        block_.resize(got);
        if (offset >= blockStart_ + static_cast<std::int64_t>(got)) return std::nullopt;
    }
    return block_[static_cast<std::size_t>(offset - blockStart_)];
}

std::size_t SampleFiles::read(std::int64_t offset, std::span<std::uint8_t> out) {
    if (!playback_.isOpen()) throw RuntimeError("no playback open");
    if (offset < 0 || out.empty()) return 0;
    std::error_code ec;
    const std::size_t got = playback_.readAt(offset, out, ec);
    if (ec) throw RuntimeError("cannot read Purlo.Spl");
    return got;
}

FileIdentity SampleFiles::playbackIdentity() const {
    if (!playback_.isOpen()) throw RuntimeError("no playback open");
    const std::optional<FileIdentity> now = playback_.identity();
    if (!now) throw RuntimeError("cannot stat Purlo.Spl");
    return *now;
}

void SampleFiles::rereadPlayback() {
    if (!playback_.isOpen()) throw RuntimeError("no playback open");
    length_ = fileLength(playback_);
    block_.clear();
    blockStart_ = -1;
}

void SampleFiles::closePlayback() {
    std::error_code ignored;
    playback_.close(ignored);
    block_.clear();
    blockStart_ = -1;
    length_ = 0;
}

void SampleFiles::closeAll() {
    closeRecording();
    closePlayback();
}

}  // namespace purlo
