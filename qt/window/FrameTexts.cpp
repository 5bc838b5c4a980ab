// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/FrameTexts.h"

#include <limits>

namespace purlo {

namespace {

// About one frame of a 60 Hz screen.
constexpr qint64 kFrameNs = 16'000'000;

}  // namespace

FrameTexts::FrameTexts(std::size_t count, Show show)
    : show_(std::move(show)),
      shownAt_(count, std::numeric_limits<qint64>::min() / 2),
      waiting_(count),
      isWaiting_(count, false) {
    clock_.start();
    showSoon_.setSingleShot(true);
    showSoon_.setInterval(0);
    QObject::connect(&showSoon_, &QTimer::timeout, this, [this] { showWaiting(); });
}

void FrameTexts::set(std::size_t which, std::string_view text) {
    const qint64 now = clock_.nsecsElapsed();
    if (!isWaiting_[which] && now - shownAt_[which] >= kFrameNs) {
        shownAt_[which] = now;
        show_(which, text);
        return;
    }
    waiting_[which].assign(text);
    isWaiting_[which] = true;
    if (!anyWaiting_) {
        anyWaiting_ = true;
        showSoon_.start();
    }
}

const std::string* FrameTexts::waiting(std::size_t which) const {
    return isWaiting_[which] ? &waiting_[which] : nullptr;
}

void FrameTexts::showWaiting() {
    if (!anyWaiting_) return;
    anyWaiting_ = false;
    showSoon_.stop();
    const qint64 now = clock_.nsecsElapsed();
    for (std::size_t i = 0; i < isWaiting_.size(); ++i) {
        if (!isWaiting_[i]) continue;
        isWaiting_[i] = false;
        shownAt_[i] = now;
        show_(i, waiting_[i]);
    }
}

}  // namespace purlo
