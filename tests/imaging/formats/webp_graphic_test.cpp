// The WebP picture class against files the format's own command-line tools make and read: the
// pixels their decoder gives, exact round trips of lossless files, and lossless or lossy saving
// carried by the class that read the file.
#include "imaging/formats/webp_graphic.h"

#include "file_bytes.h"
#include "format_test_util.h"
#include "imaging/formats/picture_formats.h"
#include "picture_compare.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/picture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Runs one of the format's tools; the test fails with its output when it does not succeed.
::testing::AssertionResult runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return ::testing::AssertionFailure() << program.toStdString() << " failed: " << process.errorString().toStdString()
                                             << " " << process.readAll().toStdString();
    return ::testing::AssertionSuccess();
}

// A photo-like source: smooth gradients with noise, and, with alpha, a ramp from clear to opaque
// across the picture and a fully clear corner.
QImage sourceImage(int width, int height, bool alpha, uint32_t seed)
{
    QImage image(width, height, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(random.bounded(24u));
            const int a = !alpha ? 255 : (x < width / 4 && y < height / 4) ? 0 : 255 * x / std::max(1, width - 1);
            line[x] = qRgba((x * 255 / std::max(1, width - 1) + noise) & 0xFF, (y * 7 + noise) & 0xFF,
                            (x * y + noise) & 0xFF, a);
        }
    }
    return image;
}

// The picture's colour at (x, y) against the reference as a viewer on a white page shows it.
int differenceAt(const TDibGraphic& picture, const QImage& reference, int x, int y)
{
    const uint32_t got = picture.GetPixelRGB(x, y);
    const uint32_t want = overWhite(reference.pixel(x, y));
    int worst = 0;
    for (int shift : {0, 8, 16})
        worst = std::max(worst, std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)));
    return worst;
}

struct ToolCase {
    const char* name;
    int width, height;
    bool alpha;
    QStringList options;
    bool lossless;
};

} // namespace

TEST(WebpGraphic, ReadsFilesTheEncoderMadeToThePixelsItsDecoderGives)
{
    const ToolCase cases[] = {
        {"lossy", 67, 45, false, {"-q", "80"}, false},
        {"lossless", 67, 45, false, {"-lossless"}, true},
        {"lossy alpha", 67, 45, true, {"-q", "80"}, false},
        {"lossless alpha", 67, 45, true, {"-lossless", "-exact"}, true},
        {"one lossy pixel", 1, 1, false, {"-q", "50"}, false},
        {"one lossless pixel", 1, 1, true, {"-lossless"}, true},
    };
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const ToolCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = folder.filePath(QStringLiteral("source.png"));
        const QString file = folder.filePath(QStringLiteral("made.webp"));
        const QString decoded = folder.filePath(QStringLiteral("decoded.png"));
        ASSERT_TRUE(sourceImage(c.width, c.height, c.alpha, 7).save(source));
        ASSERT_TRUE(runTool("cwebp", QStringList(c.options) << "-quiet" << source << "-o" << file));
        ASSERT_TRUE(runTool("dwebp", {file, "-quiet", "-o", decoded}));

        TWebpGraphic picture;
        picture.LoadFromFile(file);
        EXPECT_EQ(picture.Lossless(), c.lossless);
        EXPECT_EQ(picture.ImageFormat(), ifTrueColor);
        const QImage reference(decoded);
        ASSERT_EQ(picture.GetWidth(), reference.width());
        ASSERT_EQ(picture.GetHeight(), reference.height());
        EXPECT_EQ(maxDifference(picture, reference), 0);
    }
}

TEST(WebpGraphic, AnAnimationOpensAtItsFirstFrame)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QImage first = sourceImage(40, 30, true, 1);
    QImage second(40, 30, QImage::Format_ARGB32);
    second.fill(Qt::red);
    ASSERT_TRUE(first.save(folder.filePath("1.png")));
    ASSERT_TRUE(second.save(folder.filePath("2.png")));
    const QString file = folder.filePath("moving.webp");
    ASSERT_TRUE(runTool("img2webp", {"-lossless", folder.filePath("1.png"), folder.filePath("2.png"), "-o", file}));

    TWebpGraphic picture;
    picture.LoadFromFile(file);
    ASSERT_EQ(picture.GetWidth(), 40);
    ASSERT_EQ(picture.GetHeight(), 30);
    // An animation is written back as one still picture, so nothing says it must stay lossless.
    EXPECT_FALSE(picture.Lossless());
    EXPECT_EQ(maxDifference(picture, first), 0);
}

// The largest side the format has, at full size in both directions.
TEST(WebpGraphic, ReadsTheLargestPictureTheFormatHolds)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QImage source(2, 2, QImage::Format_RGB32);
    source.fill(QColor(10, 200, 30));
    source.setPixel(1, 1, qRgb(250, 5, 90));
    ASSERT_TRUE(source.save(folder.filePath("small.png")));
    const QString file = folder.filePath("large.webp");
    // Upscaling keeps the colours of the corners.
    ASSERT_TRUE(runTool("cwebp", {"-quiet", "-lossless", "-z", "0", "-resize", "16383", "16383", folder.filePath("small.png"),
                                  "-o", file}));
    TWebpGraphic picture;
    picture.LoadFromFile(file);
    ASSERT_EQ(picture.GetWidth(), 16383);
    ASSERT_EQ(picture.GetHeight(), 16383);
    EXPECT_EQ(picture.GetPixelRGB(0, 0), 0x0AC81Eu);
    EXPECT_EQ(picture.GetPixelRGB(16382, 0), 0x0AC81Eu);
    EXPECT_EQ(picture.GetPixelRGB(0, 16382), 0x0AC81Eu);
    EXPECT_EQ(picture.GetPixelRGB(16382, 16382), 0xFA055Au);
}

// Every picture format this editor holds, written lossless and read back pixel for pixel, by
// the format's own decoder too.
TEST(WebpGraphic, LosslessWritingKeepsEveryPixelOfEveryPictureFormat)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const TImageFormat formats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};
    for (const TImageFormat format : formats) {
        SCOPED_TRACE(static_cast<int>(format));
        TWebpGraphic written;
        FillRandom(written, 37, 23, format, 11 + format);
        const QString file = folder.filePath("kept.webp");
        written.SaveToFile(file);

        TWebpGraphic read;
        read.LoadFromFile(file);
        EXPECT_TRUE(read.Lossless());
        ASSERT_EQ(read.GetWidth(), 37);
        ASSERT_EQ(read.GetHeight(), 23);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(read.GetPixelRGB(x, y), written.GetPixelRGB(x, y)) << x << "," << y;

        const QString decoded = folder.filePath("kept.png");
        ASSERT_TRUE(runTool("dwebp", {file, "-quiet", "-o", decoded}));
        EXPECT_EQ(maxDifference(written, QImage(decoded)), 0);
    }
}

// A lossy file is written back lossy at the program's quality: what the encoder gives at that
// quality, not a lossless file many times the size.
TEST(WebpGraphic, ALossyFileIsWrittenBackLossyAtQualityNinety)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString source = folder.filePath("source.png");
    const QString lossy = folder.filePath("lossy.webp");
    ASSERT_TRUE(sourceImage(120, 80, false, 3).save(source));
    ASSERT_TRUE(runTool("cwebp", {"-quiet", "-q", "40", source, "-o", lossy}));

    TWebpGraphic read;
    read.LoadFromFile(lossy);
    ASSERT_FALSE(read.Lossless());
    std::unique_ptr<TGraphic> like = read.CreateLike();
    auto* writer = dynamic_cast<TWebpGraphic*>(like.get());
    ASSERT_NE(writer, nullptr);
    writer->Assign(&read);
    const QString saved = folder.filePath("saved.webp");
    writer->SaveToFile(saved);

    // The same pixels through the encoder's own tool at quality 90.
    const QString asRead = folder.filePath("as read.png");
    const QString reference = folder.filePath("reference.webp");
    ASSERT_TRUE(runTool("dwebp", {lossy, "-quiet", "-o", asRead}));
    ASSERT_TRUE(runTool("cwebp", {"-quiet", "-q", "90", asRead, "-o", reference}));
    TWebpGraphic again;
    again.LoadFromFile(saved);
    EXPECT_FALSE(again.Lossless());
    TWebpGraphic expected;
    expected.LoadFromFile(reference);
    EXPECT_TRUE(samePixels(again, expected));
    // A lossless file carries its setting to the copy that writes it.
    read.SetLossless(true);
    EXPECT_TRUE(dynamic_cast<TWebpGraphic&>(*read.CreateLike()).Lossless());
}

TEST(WebpGraphic, RefusesToWriteASideTheFormatCannotHold)
{
    TWebpGraphic picture;
    picture.NewImage(16384, 2, ifBlackWhite, nullptr, 0, 0);
    EXPECT_THROW(picture.Encode(), EInvalidGraphic);
}

TEST(WebpGraphic, IsReadByItsExtensionInAnyLetterCase)
{
    RegisterPictureFormats();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    TWebpGraphic written;
    FillRandom(written, 9, 5, ifTrueColor, 2);
    const QString file = folder.filePath("Upper.WEBP");
    written.SaveToFile(file);
    TPicture holder;
    holder.LoadFromFile(file);
    auto* read = dynamic_cast<TWebpGraphic*>(holder.Graphic());
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(samePixels(*read, written));
}
