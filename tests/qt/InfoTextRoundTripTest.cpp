// SPDX-License-Identifier: GPL-3.0-or-later
// Text_Info shows the information file byte for byte and hands it back: any
// bytes at all when the operator has not edited the box, and every byte but
// the line breaks (which become the program's CR LF) around an edit.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <random>
#include <string>

#include "window/MainWindow.h"

namespace purlo {
namespace {

// Bytes as a file left by any editor, or by none, may hold them: line ends
// of every kind among arbitrary 8-bit characters, NUL included.
std::string anyText(std::mt19937& random) {
    constexpr std::string_view kLikely = "ab \t\r\n\r\n";
    std::string out(random() % 3000, '\0');
    for (char& ch : out) {
        const unsigned r = random();
        ch = (r & 1) != 0 ? static_cast<char>(r >> 8) : kLikely[(r >> 8) % kLikely.size()];
    }
    return out;
}

std::string withoutLineBreaks(std::string_view bytes) {
    std::string out;
    for (const char ch : bytes) {
        if (ch != '\r' && ch != '\n') out += ch;
    }
    return out;
}

// Line breaks of any kind: CR LF, a lone CR, a lone LF.
std::size_t lineBreaks(std::string_view bytes) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' ||
            (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++n;
    }
    return n;
}

TEST(InfoTextRoundTrip, AnyBytesComeBackUnchangedOrAroundAnEdit) {
    MainWindow window;
    window.setVisible(Control::Text_Info, true);
    auto* box = qobject_cast<QPlainTextEdit*>(window.widget(Control::Text_Info));
    ASSERT_NE(box, nullptr);
    std::mt19937 random(2024);
    for (int i = 0; i < 300; ++i) {
        const std::string bytes = anyText(random);
        SCOPED_TRACE("text " + std::to_string(i) + " of " + std::to_string(bytes.size()) +
                     " bytes");
        window.setText(Control::Text_Info, bytes);
        ASSERT_EQ(window.text(Control::Text_Info), bytes);

        box->moveCursor(QTextCursor::Start);
        QTest::keyClick(box, Qt::Key_Z);
        const std::string edited = window.text(Control::Text_Info);
        ASSERT_EQ(withoutLineBreaks(edited), "z" + withoutLineBreaks(bytes));
        // Every line break comes back as CR LF, and none is lost or added.
        std::size_t crlf = 0;
        for (std::size_t at = edited.find("\r\n"); at != std::string::npos;
             at = edited.find("\r\n", at + 2))
            ++crlf;
        ASSERT_EQ(edited.size() - 1 - withoutLineBreaks(bytes).size(), 2 * crlf)
            << "a lone CR or LF";
        ASSERT_EQ(crlf, lineBreaks(bytes));
    }
}

TEST(InfoTextRoundTrip, EveryKindOfLineBreakStaysOneLineBreak) {
    MainWindow window;
    auto* box = qobject_cast<QPlainTextEdit*>(window.widget(Control::Text_Info));
    const std::pair<std::string, std::string> cases[] = {
        {"a\r\nb", "za\r\nb"},
        {"a\nb", "za\r\nb"},
        {"a\rb", "za\r\nb"},
        {"a\r\r\nb", "za\r\n\r\nb"},  // converted twice on its way: two breaks, as shown
        {"a\n\rb", "za\r\n\r\nb"},
        {std::string("a\0\x85\xff", 4), std::string("za\0\x85\xff", 5)},
    };
    for (const auto& [bytes, saved] : cases) {
        window.setText(Control::Text_Info, bytes);
        box->moveCursor(QTextCursor::Start);
        QTest::keyClick(box, Qt::Key_Z);
        EXPECT_EQ(window.text(Control::Text_Info), saved);
    }
}

}  // namespace
}  // namespace purlo
