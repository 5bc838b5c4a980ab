// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Replay.h"

#include <algorithm>
#include <chrono>

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

double Replay::waitBefore(std::int64_t position, std::int32_t baud) {
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
    const double due = anchorTime_ + static_cast<double>(position - anchorPosition_) *
                                         kBitsPerByte / (static_cast<double>(baud) * speed_);
    if (due <= now) {
        if (now - due > kBehindSeconds) {
            anchorTime_ = now;
            anchorPosition_ = position;
        }
        return 0.0;
    }
    return std::max(due - now, kChunkSeconds);
}

void Replay::recordRead() {
    if (steps_ > 0) {
        --steps_;
        update();
    }
}

}  // namespace purlo
