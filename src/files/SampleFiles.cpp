// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/SampleFiles.h"

#include <sys/stat.h>

#include <cerrno>

#include "text/RuntimeError.h"

namespace purlo {

namespace {

constexpr std::size_t kBlockSize = std::size_t{64} * 1024;

std::int64_t fileLength(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) throw RuntimeError("cannot seek Purlo.Spl");
    const long end = std::ftell(f);
    if (end < 0) throw RuntimeError("cannot size Purlo.Spl");
    return end;
}

}  // namespace

SampleFiles::~SampleFiles() {
    closeAll();
}

void SampleFiles::openRecording(const std::filesystem::path& path) {
    closeRecording();
    recording_ = std::fopen(path.c_str(), "wb");
    if (recording_ == nullptr) throw RuntimeError("cannot create Purlo.Spl");
    std::setvbuf(recording_, nullptr, _IONBF, 0);
    recordingPath_ = path;
    whole_ = 0;
    replyEnded_ = false;
}

void SampleFiles::markWhole() {
    if (recording_ == nullptr) return;
    const long at = std::ftell(recording_);
    if (at >= 0) whole_ = at;
    replyEnded_ = false;
}

void SampleFiles::dropSinceWhole() {
    if (recording_ == nullptr) return;
    std::error_code failed;
    std::filesystem::resize_file(recordingPath_, static_cast<std::uintmax_t>(whole_), failed);
    if (failed || std::fseek(recording_, static_cast<long>(whole_), SEEK_SET) != 0)
        throw RuntimeError("cannot write Purlo.Spl");
    replyEnded_ = false;
}

void SampleFiles::append(std::string_view bytes) {
    if (bytes.empty()) return;
    if (recording_ == nullptr) throw RuntimeError("no recording open");
    if (std::fwrite(bytes.data(), 1, bytes.size(), recording_) != bytes.size()) {
        throw RuntimeError("cannot write Purlo.Spl");
    }
}

void SampleFiles::closeRecording() {
    if (recording_ != nullptr) {
        std::fclose(recording_);
        recording_ = nullptr;
    }
}

void SampleFiles::openPlayback(const std::filesystem::path& path) {
    closePlayback();
    playback_ = std::fopen(path.c_str(), "rb");
    if (playback_ == nullptr && errno == ENOENT) {
        // A missing file is not a failure: arming creates it, empty.
        if (std::FILE* created = std::fopen(path.c_str(), "ab")) {
            std::fclose(created);
            playback_ = std::fopen(path.c_str(), "rb");
        }
    }
    struct stat info {};
    if (playback_ != nullptr &&
        (::fstat(::fileno(playback_), &info) != 0 || !S_ISREG(info.st_mode))) {
        std::fclose(playback_);
        playback_ = nullptr;
    }
    if (playback_ == nullptr) throw RuntimeError("cannot open Purlo.Spl");
    length_ = fileLength(playback_);
    blockStart_ = -1;
}

std::optional<std::uint8_t> SampleFiles::byteAt(std::int64_t position) {
    if (playback_ == nullptr) throw RuntimeError("no playback open");
    if (position < 1) return std::nullopt;
    const std::int64_t offset = position - 1;
    if (blockStart_ < 0 || offset < blockStart_ ||
        offset >= blockStart_ + static_cast<std::int64_t>(block_.size())) {
        // The file may have grown since it was opened (a recording into it).
        if (offset >= length_) length_ = fileLength(playback_);
        if (offset >= length_) return std::nullopt;
        blockStart_ = offset - offset % static_cast<std::int64_t>(kBlockSize);
        if (std::fseek(playback_, static_cast<long>(blockStart_), SEEK_SET) != 0) {
            throw RuntimeError("cannot seek Purlo.Spl");
        }
        block_.resize(kBlockSize);
        const std::size_t got = std::fread(block_.data(), 1, kBlockSize, playback_);
        if (got == 0 && std::ferror(playback_)) throw RuntimeError("cannot read Purlo.Spl");
        block_.resize(got);
        if (offset >= blockStart_ + static_cast<std::int64_t>(got)) return std::nullopt;
    }
    return block_[static_cast<std::size_t>(offset - blockStart_)];
}

std::size_t SampleFiles::read(std::int64_t offset, std::span<std::uint8_t> out) {
    if (playback_ == nullptr) throw RuntimeError("no playback open");
    if (offset < 0 || out.empty()) return 0;
    if (std::fseek(playback_, static_cast<long>(offset), SEEK_SET) != 0) {
        throw RuntimeError("cannot seek Purlo.Spl");
    }
    const std::size_t got = std::fread(out.data(), 1, out.size(), playback_);
    if (got < out.size() && std::ferror(playback_)) throw RuntimeError("cannot read Purlo.Spl");
    return got;
}

FileIdentity SampleFiles::playbackIdentity() const {
    if (playback_ == nullptr) throw RuntimeError("no playback open");
    struct stat info {};
    if (::fstat(::fileno(playback_), &info) != 0) throw RuntimeError("cannot stat Purlo.Spl");
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

void SampleFiles::rereadPlayback() {
    if (playback_ == nullptr) throw RuntimeError("no playback open");
    length_ = fileLength(playback_);
    block_.clear();
    blockStart_ = -1;
}

void SampleFiles::closePlayback() {
    if (playback_ != nullptr) {
        std::fclose(playback_);
        playback_ = nullptr;
    }
    block_.clear();
    blockStart_ = -1;
    length_ = 0;
}

void SampleFiles::closeAll() {
    closeRecording();
    closePlayback();
}

}  // namespace purlo
