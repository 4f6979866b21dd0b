// The JPEG codec against the conformance corpora, its quality rule, and the framework's JPEG
// image as the holder and the document commands use it.
#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/jpeg_codec.h"
#include "platform/framework/jpeg_image.h"
#include "platform/framework/picture.h"
#include "platform/framework/stream.h"
#include "file_bytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

// Corpora of other programs' test pictures, used only as test data.
const QString kDecoderDir = QStringLiteral(PICTAVO_CORPORA_DIR "/jpeg-decoder");
const QString kTurboDir = QStringLiteral(PICTAVO_CORPORA_DIR "/jpeg-libjpeg-turbo");

struct Difference {
    int max = 0;
    double mean = 0;
};

// Channel differences between a 24-bit surface and a reference image of the same size.
Difference compare(const gdi::DibSurface& surface, const QImage& referenceImage)
{
    const QImage reference = referenceImage.convertToFormat(QImage::Format_RGB32);
    Difference d;
    int64_t sum = 0;
    for (int y = 0; y < surface.height(); ++y) {
        const uint8_t* row = surface.scanLine(y);
        const auto* ref = reinterpret_cast<const QRgb*>(reference.constScanLine(y));
        for (int x = 0; x < surface.width(); ++x) {
            const int diffs[3] = {std::abs(row[3 * x] - qBlue(ref[x])), std::abs(row[3 * x + 1] - qGreen(ref[x])),
                                  std::abs(row[3 * x + 2] - qRed(ref[x]))};
            for (int v : diffs) {
                d.max = std::max(d.max, v);
                sum += v;
            }
        }
    }
    d.mean = double(sum) / (3.0 * surface.width() * surface.height());
    return d;
}

// The reference pairs of the decoder suite, less the ones its own list disables.
std::vector<std::string> referenceJpegs()
{
    const std::vector<uint8_t> list = readFileBytes(kDecoderDir + "/reftest/disabled.list");
    const QString disabled = QString::fromUtf8(reinterpret_cast<const char*>(list.data()), qsizetype(list.size()));
    std::vector<std::string> names;
    for (const QString& sub : {QStringLiteral("reftest"), QStringLiteral("reftest/mozilla")}) {
        const QString prefix = sub.mid(8).isEmpty() ? QString() : sub.mid(8) + "/";
        for (const QString& name : QDir(kDecoderDir + "/" + sub).entryList({"*.jpg"}, QDir::Files, QDir::Name))
            if (!disabled.contains(prefix + name) && QFile::exists(kDecoderDir + "/" + sub + "/" + name.chopped(4) + ".png"))
                names.push_back((sub + "/" + name).toStdString());
    }
    return names;
}

std::string testName(const testing::TestParamInfo<std::string>& info)
{
    std::string name = info.param.substr(info.param.rfind('/') + 1);
    name.resize(name.size() - 4);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

std::unique_ptr<gdi::DibSurface> gradient(int width, int height)
{
    auto surface = std::make_unique<gdi::DibSurface>(width, height, 24);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = surface->scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
            row[3 * x + 1] = static_cast<uint8_t>(y * 255 / std::max(1, height - 1));
            row[3 * x + 2] = static_cast<uint8_t>((x + y) * 2);
        }
    }
    return surface;
}

} // namespace

class JpegReference : public testing::TestWithParam<std::string> {};

// The suite's references were made by another program on the same library; the inverse
// transform and upsampling may round differently, so a small difference is allowed.
TEST_P(JpegReference, DecodesToTheReferencePixels)
{
    const QString path = kDecoderDir + "/" + QString::fromStdString(GetParam());
    const DecodedJpeg decoded = JpegCodec::decode(readFileBytes(path));
    const QImage reference(path.chopped(4) + ".png");
    ASSERT_FALSE(reference.isNull());
    ASSERT_EQ(decoded.surface->width(), reference.width());
    ASSERT_EQ(decoded.surface->height(), reference.height());
    const Difference d = compare(*decoded.surface, reference);
    RecordProperty("max", d.max);
    EXPECT_LE(d.max, 8) << "mean " << d.mean;
    EXPECT_LE(d.mean, 1.0) << "max " << d.max;
}

INSTANTIATE_TEST_SUITE_P(DecoderSuite, JpegReference, testing::ValuesIn(referenceJpegs()), testName);

TEST(JpegCodec, CrashFilesDecodeOrRaiseTheGraphicError)
{
    const QDir dir(kDecoderDir + "/crashtest");
    const QStringList names = dir.entryList({"*.jpg"}, QDir::Files);
    ASSERT_GE(names.size(), 13);
    for (const QString& name : names) {
        try {
            const DecodedJpeg decoded = JpegCodec::decode(readFileBytes(dir.filePath(name)));
            EXPECT_GT(decoded.surface->width(), 0) << name.toStdString();
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Данные рисунка повреждены: ошибка декодера JPEG ("))) << e.what();
        }
    }
}

TEST(JpegCodec, LibrarySuiteBaselineMatchesItsSourceAndArithmeticMatchesHuffman)
{
    const DecodedJpeg original = JpegCodec::decode(readFileBytes(kTurboDir + "/testorig.jpg"));
    const Difference d = compare(*original.surface, QImage(kTurboDir + "/testorig.ppm"));
    // Lossy at the encoder's default quality: the mean stays small.
    EXPECT_LE(d.mean, 4.0);

    // The arithmetic-coded file is a lossless transcode of the Huffman one.
    const DecodedJpeg huffman = JpegCodec::decode(readFileBytes(kTurboDir + "/testimgint.jpg"));
    const DecodedJpeg arithmetic = JpegCodec::decode(readFileBytes(kTurboDir + "/testimgari.jpg"));
    ASSERT_EQ(huffman.surface->imageBytes(), arithmetic.surface->imageBytes());
    EXPECT_EQ(0, std::memcmp(huffman.surface->bits(), arithmetic.surface->bits(), huffman.surface->imageBytes()));

    // Twelve-bit samples are beyond this library build: refused with its message.
    EXPECT_THROW(JpegCodec::decode(readFileBytes(kTurboDir + "/monkey12.jpg")), EInvalidGraphic);
}

TEST(JpegCodec, ForeignAndTruncatedDataFailCleanlyOrReadAsFarAsItGoes)
{
    const std::vector<uint8_t> bmp{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    try {
        JpegCodec::decode(bmp);
        FAIL() << "a BMP header decoded as JPEG";
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(e.Message().contains("JPEG")) << e.what();
    }
    EXPECT_THROW(JpegCodec::decode({}), EInvalidGraphic);

    const std::vector<uint8_t> whole = readFileBytes(kTurboDir + "/testorig.jpg");
    for (size_t size : {size_t{2}, size_t{100}, size_t{400}, whole.size() / 2, whole.size() - 2}) {
        const std::span<const uint8_t> part(whole.data(), size);
        try {
            const DecodedJpeg decoded = JpegCodec::decode(part);
            EXPECT_EQ(decoded.surface->width(), 227);
        } catch (const EInvalidGraphic&) {
        }
    }
}

TEST(JpegCodec, QualityAboveHundredIsHundredAndOneIsTheSmallest)
{
    const auto surface = gradient(96, 64);
    const auto q1 = JpegCodec::encode(*surface, 1);
    const auto q50 = JpegCodec::encode(*surface, 50);
    const auto q100 = JpegCodec::encode(*surface, 100);
    EXPECT_EQ(q100, JpegCodec::encode(*surface, 200));
    EXPECT_EQ(q1, JpegCodec::encode(*surface, 0));
    EXPECT_LT(q1.size(), q50.size());
    EXPECT_LT(q50.size(), q100.size());
}

TEST(JpegCodec, EveryDepthRoundTripsWithinTheLossAndKeepsTheDensity)
{
    // Flat areas survive the lossy codec almost exactly; one colour per depth.
    for (int bits : {1, 4, 8, 24, 32}) {
        gdi::DibSurface surface(40, 24, bits);
        if (bits <= 8) {
            std::vector<gdi::RgbQuad> table(size_t{1} << bits);
            table[1] = gdi::RgbQuad{200, 100, 30, 0};
            surface.setColorTable(table);
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 40; ++x)
                    surface.setRawPixel(x, y, x < 16 ? 1 : 0);
        } else {
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 40; ++x)
                    surface.setRawPixel(x, y, x < 16 ? 0x1E64C8 : 0);
        }
        const DecodedJpeg back = JpegCodec::decode(JpegCodec::encode(surface, 95, 300, 150));
        ASSERT_EQ(back.surface->width(), 40);
        EXPECT_EQ(back.xDpi, 300);
        EXPECT_EQ(back.yDpi, 150);
        for (int x : {2, 30}) {
            const uint32_t expected = x < 16 ? 0x1E64C8 : 0;
            const uint32_t got = back.surface->rawPixel(x, 12);
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(int((got >> shift) & 0xFF), int((expected >> shift) & 0xFF), 4) << bits << " bits";
        }
    }
}

TEST(JPEGImage, SavesABitmapAtItsQualityAndReadsItBackAsA24BitBitmap)
{
    QTemporaryDir dir;
    TBitmap source;
    source.SetPixelFormat(pf24bit);
    source.SetSize(64, 48);
    const auto pixels = gradient(64, 48);
    for (int y = 0; y < 48; ++y)
        std::memcpy(source.ScanLine(y), pixels->scanLine(y), 64 * 3);

    const QString best = dir.filePath("best.jpg");
    const QString worst = dir.filePath("worst.jpg");
    {
        TJPEGImage jpeg;
        jpeg.Assign(&source);
        jpeg.SetCompressionQuality(100);
        jpeg.SaveToFile(best);
        jpeg.SetCompressionQuality(1);
        jpeg.SaveToFile(worst);
    }
    EXPECT_LT(QFileInfo(worst).size(), QFileInfo(best).size());

    TJPEGImage jpeg;
    jpeg.LoadFromFile(best);
    TBitmap work;
    work.Assign(&jpeg);
    ASSERT_EQ(work.Width(), 64);
    ASSERT_EQ(work.Height(), 48);
    EXPECT_EQ(work.PixelFormat(), pf24bit);
    int worstDiff = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64 * 3; ++x)
            worstDiff = std::max(worstDiff, std::abs(work.ScanLine(y)[x] - pixels->scanLine(y)[x]));
    EXPECT_LE(worstDiff, 6);

    // Unchanged, the image writes back the very data it read.
    TMemoryStream again;
    jpeg.SaveToStream(again);
    EXPECT_EQ(std::vector<uint8_t>(again.Bytes().begin(), again.Bytes().end()), readFileBytes(best));
}

TEST(JPEGImage, HolderReadsJpegByExtensionAndItsBitmapHasTheSamePixels)
{
    TPicture::RegisterFileFormat("jpg", "JPEG Image File", &CreateGraphicOf<TJPEGImage>);
    TPicture picture;
    picture.LoadFromFile(kTurboDir + "/testorig.jpg");
    ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    const DecodedJpeg decoded = JpegCodec::decode(readFileBytes(kTurboDir + "/testorig.jpg"));
    TBitmap* bitmap = picture.Bitmap();
    ASSERT_EQ(bitmap->Width(), 227);
    ASSERT_EQ(bitmap->Height(), 149);
    for (int y = 0; y < 149; ++y)
        ASSERT_EQ(0, std::memcmp(bitmap->ScanLine(y), decoded.surface->scanLine(y), 227 * 3)) << "row " << y;

    // A file that is not JPEG leaves the holder as it was.
    QTemporaryDir dir;
    QFile bogus(dir.filePath("bogus.jpg"));
    ASSERT_TRUE(bogus.open(QIODevice::WriteOnly));
    bogus.write("not a picture");
    bogus.close();
    EXPECT_THROW(picture.LoadFromFile(bogus.fileName()), EInvalidGraphic);
    EXPECT_EQ(picture.Width(), 227);
}
