// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

namespace purlo {

// One-pixel lines along a row or a column, waiting to be drawn into an image.
//
// They are drawn in one pass from the last to the first, and each pixel is
// written once, by the last line that covers it: exactly what drawing them
// one after the other leaves in the image. An echo record is thousands of
// short lines over the same few hundred columns (each column erased, then
// perhaps drawn again), and the next record covers it again, so most of
// those writes would be lost anyway.
//
// A group of lines may wait as one entry, a number the owner gives: when the
// pass reaches it, the owner's expander draws the group's lines, last first,
// through the Pass it is handed.
class LineBatch {
  public:
    // Room for this many entries; the image the lines are for.
    LineBatch(std::size_t capacity, QSize imageSize);

    // For another image size; the batch must be empty.
    void resizeFor(QSize imageSize);

    // Both take lines inside the image. Return false when the batch is full.
    bool addRow(QRgb colour, int y, int x1, int x2) { return add({colour, x1, x2, y, Kind::Row}); }
    bool addColumn(QRgb colour, int x, int y1, int y2) {
        return add({colour, y1, y2, x, Kind::Column});
    }
    bool addGroup(int number) { return add({0, 0, 0, number, Kind::Group}); }

    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }

    // What an expander draws a group's lines with, last line first.
    class Pass {
      public:
        void row(QRgb colour, int y, int x1, int x2);
        void column(QRgb colour, int x, int y1, int y2);

      private:
        friend class LineBatch;
        Pass(QImage& image, std::uint64_t* covered, std::size_t wordsPerColumn);
        void columnWord(int x, int w, std::uint64_t mask, QRgb colour);
        uchar* bits_;
        qsizetype stride_;
        std::uint64_t* covered_;
        std::size_t words_;
    };

    // Draws the lines into the image (of the size given) and empties the
    // batch; `expand(number, pass)` draws the group entries.
    template <typename Expand>
    void drawInto(QImage& image, Expand&& expand) {
        if (size_ == 0) return;
        Pass pass(image, covered_.data(), wordsPerColumn_);
        for (std::size_t i = size_; i-- > 0;) {
            const Line& line = lines_[i];
            switch (line.kind) {
                case Kind::Row: pass.row(line.colour, line.at, line.from, line.to); break;
                case Kind::Column: pass.column(line.colour, line.at, line.from, line.to); break;
                case Kind::Group: expand(line.at, pass); break;
            }
        }
        finish();
    }

  private:
    enum class Kind : std::uint8_t { Row, Column, Group };
    struct Line {
        QRgb colour;
        int from;  // first and last pixel along the line
        int to;
        int at;  // its row, its column, or the group's number
        Kind kind;
    };
    bool add(const Line& line) {
        lines_[size_++] = line;
        return size_ < capacity_;
    }
    void finish();

    std::size_t capacity_;
    std::unique_ptr<Line[]> lines_;
    std::size_t size_ = 0;
    // Per column, one bit per row: written already in this pass.
    std::vector<std::uint64_t> covered_;
    std::size_t wordsPerColumn_;
};

}  // namespace purlo
