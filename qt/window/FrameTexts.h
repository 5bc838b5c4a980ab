// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace purlo {

// Texts a running loop rewrites again and again: the slot text lines (with
// every echo record), the playback count, the window caption (with every
// distance reply). A fast playback rewrites them tens of thousands of times
// a second, and each time the widget lays its text out anew, for a screen
// that shows a few dozen frames a second.
//
// So a text is shown at once unless the same one was shown less than a frame
// ago; then it waits, and only the newest waiting text is shown: when
// showWaiting() is called (the window does so before it lets events run) or
// else as soon as any event loop runs. Readers ask waiting() first, so they
// always see the newest text.
class FrameTexts : public QObject {
  public:
    // Shows text number `which` on its widget.
    using Show = std::function<void(std::size_t which, std::string_view text)>;

    FrameTexts(std::size_t count, Show show);

    void set(std::size_t which, std::string_view text);
    // The newest text not yet shown, or null when there is none.
    const std::string* waiting(std::size_t which) const;
    void showWaiting();

  private:
    Show show_;
    QElapsedTimer clock_;
    std::vector<qint64> shownAt_;  // ns on clock_; far in the past at first
    std::vector<std::string> waiting_;
    std::vector<bool> isWaiting_;
    bool anyWaiting_ = false;
    QTimer showSoon_;
};

}  // namespace purlo
