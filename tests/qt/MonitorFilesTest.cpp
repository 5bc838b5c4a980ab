// SPDX-License-Identifier: GPL-3.0-or-later
// The monitor's exports on a disk that fills up while they are written: each
// replaces its file whole or leaves the old one as it was, and says so.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "MonitorFiles.h"
#include "fakes/Harness.h"
#include "support/FileSizeLimit.h"

namespace purlo {
namespace {

using test::TempDir;

// A picture that compresses badly, so every format of it is some 100 kB.
QImage noise(std::uint32_t seed) {
    QImage image(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            image.setPixel(x, y, seed >> 8);
        }
    }
    return image;
}

using Save = std::function<std::optional<QString>(const QString&, std::uint32_t)>;

TEST(MonitorFiles, AnExportThatCannotBeWrittenWholeKeepsTheOldFileAndSaysSo) {
    const std::pair<const char*, Save> exports[] = {
        {"trend.csv",
         [](const QString& path, std::uint32_t seed) {
             return saveBytes(path, QByteArray(60000, static_cast<char>('a' + seed % 26)));
         }},
        {"trend.png",
         [](const QString& path, std::uint32_t seed) { return savePng(path, noise(seed)); }},
        {"window.pdf",
         [](const QString& path, std::uint32_t seed) {
             return savePdf(path, QPixmap::fromImage(noise(seed)));
         }},
    };
    for (const auto& [name, save] : exports) {
        SCOPED_TRACE(name);
        TempDir dir;
        const auto file = dir.path() / name;
        const QString path = QString::fromStdString(file.string());
        ASSERT_EQ(save(path, 1), std::nullopt);
        const std::string good = test::readFile(file);
        ASSERT_GT(good.size(), 20000u);
        if (file.extension() == ".pdf") {
            EXPECT_EQ(good.substr(0, 5), "%PDF-");
            EXPECT_NE(good.find("%%EOF", good.size() - 8), std::string::npos);
        }

        // Room for a part of the new file only, however far it gets.
        for (const std::size_t room : {std::size_t{0}, std::size_t{4096}, good.size() / 2}) {
            std::optional<QString> failure;
            {
                testsupport::FileSizeLimit full(room);
                failure = save(path, 2);
            }
            ASSERT_TRUE(failure.has_value()) << room;
            EXPECT_TRUE(failure->contains(QStringLiteral("was not written"))) << room;
            EXPECT_EQ(test::readFile(file), good) << room;
        }
        // Nothing else is left behind in the folder.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

}  // namespace
}  // namespace purlo
