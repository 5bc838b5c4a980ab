// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Replay.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace purlo {

namespace {

constexpr double kBitsPerByte = 10.0;  // start bit, 8 data bits, stop bit

class SystemReplayClock final : public ReplayClock {
  public:
    double seconds() const override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace

double recordingSeconds(std::int64_t bytes, std::int32_t baud) {
    if (baud <= 0) return 0.0;
    return static_cast<double>(bytes) * kBitsPerByte / static_cast<double>(baud);
}

std::int64_t recordingBytes(double seconds, std::int32_t baud) {
    if (baud <= 0 || !(seconds > 0.0)) return 0;
    return static_cast<std::int64_t>(seconds * static_cast<double>(baud) / kBitsPerByte);
}

std::string recordingClock(std::int64_t bytes, std::int32_t baud) {
    const auto total = static_cast<std::int64_t>(recordingSeconds(bytes, baud));
    const auto two = [](std::int64_t n) {
        return std::string(n < 10 ? "0" : "") + std::to_string(n);
    };
    return two(total / 3600) + ":" + two(total / 60 % 60) + ":" + two(total % 60);
}

const ReplayClock& systemReplayClock() {
    static const SystemReplayClock clock;
    return clock;
}

void Replay::setClock(const ReplayClock& clock) {
    clock_ = &clock;
    anchored_ = false;
}

void Replay::setSpeed(double factor) {
    speed_ = factor > 0.0 ? factor : kFastest;
    anchored_ = false;
    update();
}

void Replay::setPaused(bool paused) {
    paused_ = paused;
    if (!paused) steps_ = 0;
    anchored_ = false;
    update();
}

void Replay::step() {
    paused_ = true;
    steps_ = 1;
    update();
}

void Replay::seek(std::int64_t position) {
    seek_ = std::max<std::int64_t>(position, 0);
    anchored_ = false;
    update();
}

std::optional<std::int64_t> Replay::takeSeek() {
    const auto taken = seek_;
    seek_.reset();
    update();
    return taken;
}

double Replay::waitBefore(std::int64_t position, std::int32_t baud, std::int64_t length) {
    if (steps_ > 0) return 0.0;
    if (paused_) return kPaused;
    if (speed_ == kFastest || baud <= 0) return 0.0;
    const double now = clock_->seconds();
    if (!anchored_) {
        anchored_ = true;
        anchorTime_ = now;
        anchorPosition_ = position;
        return 0.0;
    }
    const double perByte = kBitsPerByte / (static_cast<double>(baud) * speed_);
    const double due = anchorTime_ + static_cast<double>(position - anchorPosition_) * perByte;
    const double end = anchorTime_ + static_cast<double>(length - anchorPosition_) * perByte;
    if (due <= now) {
        if (now - due > kBehindSeconds) {
            anchorTime_ = now;
            anchorPosition_ = position;
        }
        return 0.0;
    }
    return std::max(due - now, std::min(kChunkSeconds, end - now));
}

void Replay::recordRead() {
    if (steps_ > 0) {
        --steps_;
        update();
    }
}

}  // namespace purlo
