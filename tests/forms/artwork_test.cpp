#include "platform/forms/artwork.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A 4 x 2 picture of one colour, and its double of another, so the source shows in any pixel.
struct Pictures {
    QTemporaryDir dir;
    QString plain() const { return dir.filePath(QStringLiteral("art.png")); }

    void write(bool withDouble)
    {
        QImage one(4, 2, QImage::Format_RGB32);
        one.fill(qRgb(200, 0, 0));
        ASSERT_TRUE(one.save(plain()));
        if (withDouble) {
            QImage two(8, 4, QImage::Format_RGB32);
            two.fill(qRgb(0, 0, 200));
            ASSERT_TRUE(two.save(dir.filePath(QStringLiteral("art@2x.png"))));
        }
    }
};

} // namespace

TEST(ArtworkPixmap, TakesTheDoublePictureOnDenseScreensAndFitsItToTheScreensPixels)
{
    const struct {
        qreal scale;
        bool withDouble;
        QSize pixels;
        QRgb colour;
    } cases[] = {
        {1.0, true, {4, 2}, qRgb(200, 0, 0)},
        {2.0, true, {8, 4}, qRgb(0, 0, 200)},
        {1.5, true, {6, 3}, qRgb(0, 0, 200)},
        {3.0, true, {12, 6}, qRgb(0, 0, 200)},
        {2.0, false, {8, 4}, qRgb(200, 0, 0)}, // no double: the single one, scaled
    };
    for (const auto& c : cases) {
        Pictures pictures;
        pictures.write(c.withDouble);
        const QPixmap pixmap = forms::ArtworkPixmap(pictures.plain(), c.scale);
        EXPECT_EQ(pixmap.size(), c.pixels) << c.scale;
        EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), c.scale);
        EXPECT_EQ(pixmap.toImage().pixel(c.pixels.width() - 1, c.pixels.height() - 1) & 0xFFFFFF, c.colour & 0xFFFFFF)
            << c.scale;
    }
    EXPECT_TRUE(forms::ArtworkPixmap(QStringLiteral("/nonexistent/art.png"), 2).isNull());
}
