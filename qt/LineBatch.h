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
class LineBatch {
  public:
    // Room for this many lines; the image the lines are for.
    LineBatch(std::size_t capacity, QSize imageSize);

    // Both take lines inside the image. Return false when the batch is full.
    bool addRow(QRgb colour, int y, int x1, int x2) { return add({colour, x1, x2, y, false}); }
    bool addColumn(QRgb colour, int x, int y1, int y2) { return add({colour, y1, y2, x, true}); }

    // For another image size; the batch must be empty.
    void resizeFor(QSize imageSize);

    bool empty() const { return size_ == 0; }
    bool full() const { return size_ == capacity_; }
    void clear() { size_ = 0; }

    // Draws the lines into the image (of the size given) and empties the batch.
    void drawInto(QImage& image);

  private:
    struct Line {
        QRgb colour;
        int from;  // first and last pixel along the line
        int to;
        int at;  // its row, or its column
        bool column;
    };
    bool add(const Line& line) {
        lines_[size_++] = line;
        return size_ < capacity_;
    }

    std::size_t capacity_;
    std::unique_ptr<Line[]> lines_;
    std::size_t size_ = 0;
    // Per column, one bit per row: written already in this pass.
    std::vector<std::uint64_t> covered_;
    std::size_t wordsPerColumn_;
};

}  // namespace purlo
