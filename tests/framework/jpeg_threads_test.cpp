// The JPEG codec's two-thread paths against its one-thread ones: a decode split between two
// threads gives the very pixels of one decode, and a picture encoded in bands and joined with
// restart markers decodes to the pixels of the file encoded in one piece.
#include "platform/framework/jpeg_codec.h"
#include "file_bytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

const QString kDecoderDir = QStringLiteral(PICTAVO_CORPORA_DIR "/jpeg-decoder/reftest");

// Smooth gradients with seeded noise: every DCT coefficient and the chroma matter.
std::unique_ptr<gdi::DibSurface> photoLike(int width, int height, unsigned seed = 7)
{
    auto surface = std::make_unique<gdi::DibSurface>(width, height, 24);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = surface->scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(random() % 24);
            row[3 * x] = static_cast<uint8_t>(x * 3 + noise);
            row[3 * x + 1] = static_cast<uint8_t>(y * 5 + noise);
            row[3 * x + 2] = static_cast<uint8_t>((x ^ y) + noise);
        }
    }
    return surface;
}

// A file written by the library itself with the given luma sampling (chroma at 1 x 1), or
// grey when components is 1, so the decoder meets the layouts other programs write.
std::vector<uint8_t> libraryJpeg(const gdi::DibSurface& surface, int components, int hSampling, int vSampling)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(surface.width());
    info.image_height = static_cast<JDIMENSION>(surface.height());
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    if (components == 1)
        jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    info.comp_info[0].h_samp_factor = hSampling;
    info.comp_info[0].v_samp_factor = vSampling;
    jpeg_set_quality(&info, 85, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(surface.scanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

std::unique_ptr<gdi::DibSurface> decodeSplit(const std::vector<uint8_t>& bytes, int splitRow)
{
    std::unique_ptr<gdi::DibSurface> surface;
    JpegCodec::decodeSplitInto(bytes, [&surface](int width, int height, uint16_t, uint16_t) -> gdi::DibSurface& {
        surface = std::make_unique<gdi::DibSurface>(width, height, 24);
        return *surface;
    }, splitRow);
    return surface;
}

// The first row that differs, or -1.
int firstDifferentRow(const gdi::DibSurface& a, const gdi::DibSurface& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return 0;
    const size_t bytes = size_t(a.width()) * 3;
    for (int y = 0; y < a.height(); ++y)
        if (!std::equal(a.scanLine(y), a.scanLine(y) + bytes, b.scanLine(y)))
            return y;
    return -1;
}

void expectSplitsMatchOneThread(const std::vector<uint8_t>& bytes, const std::string& what)
{
    const auto whole = decodeSplit(bytes, 0);
    const int height = whole->height();
    for (int split : {1, 7, 8, 9, 16, 17, height / 2, height * 3 / 5, height - 1}) {
        if (split <= 0 || split >= height)
            continue;
        const auto parts = decodeSplit(bytes, split);
        EXPECT_EQ(firstDifferentRow(*whole, *parts), -1) << what << ", split at row " << split;
    }
}

struct Layout {
    const char* name;
    int components;
    int hSampling;
    int vSampling;
    int width;
    int height;
};

// 4:2:0, 4:2:2, 4:4:0, 4:4:4 and grey, at sizes that end inside an MCU.
const Layout kLayouts[] = {
    {"colour 4:2:0", 3, 2, 2, 203, 157}, {"colour 4:2:2", 3, 2, 1, 97, 61},  {"colour 4:4:0", 3, 1, 2, 45, 83},
    {"colour 4:4:4", 3, 1, 1, 131, 70},  {"grey", 1, 1, 1, 77, 101},          {"grey 2 x 2", 1, 2, 2, 40, 49},
};

std::vector<uint8_t> bandFile(const gdi::DibSurface& surface, int quality, int bandRows)
{
    return JpegCodec::encodeInBands(surface, quality, 0, 0, bandRows);
}

int countRestartMarkers(const std::vector<uint8_t>& bytes)
{
    int count = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        count += bytes[i] == 0xFF && bytes[i + 1] >= 0xD0 && bytes[i + 1] <= 0xD7;
    return count;
}

} // namespace

TEST(JpegThreads, SplitDecodeGivesTheOneThreadPixelsForEverySampling)
{
    for (const Layout& layout : kLayouts) {
        const auto source = photoLike(layout.width, layout.height);
        expectSplitsMatchOneThread(libraryJpeg(*source, layout.components, layout.hSampling, layout.vSampling),
                                   layout.name);
    }
    // One row: nothing to split, the one-thread path.
    const auto row = photoLike(300, 1);
    const auto bytes = libraryJpeg(*row, 3, 2, 2);
    EXPECT_EQ(firstDifferentRow(*decodeSplit(bytes, 0), *decodeSplit(bytes, 1)), -1);
}

TEST(JpegThreads, SplitDecodeGivesTheOneThreadPixelsForTheDecoderSuite)
{
    // Restart intervals, non-interleaved scans, 16-bit tables, progressive files (one thread).
    const QStringList names = QDir(kDecoderDir).entryList({"*.jpg"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        const std::vector<uint8_t> bytes = readFileBytes(kDecoderDir + "/" + name);
        try {
            decodeSplit(bytes, 0);
        } catch (const std::exception&) {
            continue; // the files the suite expects to fail are tested elsewhere
        }
        expectSplitsMatchOneThread(bytes, name.toStdString());
    }
}

TEST(JpegThreads, ADamagedFileFailsOrReadsAlikeOnBothPaths)
{
    const auto source = photoLike(160, 200);
    std::vector<uint8_t> bytes = libraryJpeg(*source, 3, 2, 2);
    // Cut in the middle of the entropy-coded data: the rest reads as the library fills it.
    bytes.resize(bytes.size() / 2);
    EXPECT_EQ(firstDifferentRow(*decodeSplit(bytes, 0), *decodeSplit(bytes, 150)), -1);
    // Cut inside the headers: both paths refuse it the same way.
    bytes.resize(40);
    EXPECT_ANY_THROW(decodeSplit(bytes, 0));
    EXPECT_ANY_THROW(decodeSplit(bytes, 10));
}

TEST(JpegThreads, BandsJoinIntoOneFileWithThePixelsOfTheOneThreadFile)
{
    struct Case {
        int width;
        int height;
        int bandRows;
    };
    // A band of 16 rows is one MCU row; heights end inside a band and inside an MCU; 20 bands
    // use every restart marker more than once.
    const Case cases[] = {{50, 1, 16}, {64, 16, 16}, {61, 17, 16}, {100, 33, 16},
                          {37, 250, 48}, {203, 320, 16}, {1, 90, 32}};
    for (const Case& c : cases) {
        const auto source = photoLike(c.width, c.height, static_cast<unsigned>(c.width * c.height));
        const auto one = bandFile(*source, 90, c.height + 16);
        const auto bands = bandFile(*source, 90, c.bandRows);
        const int bandCount = (c.height + c.bandRows - 1) / c.bandRows;
        EXPECT_EQ(countRestartMarkers(bands), bandCount - 1) << c.width << " x " << c.height;
        EXPECT_EQ(firstDifferentRow(*JpegCodec::decode(one).surface, *JpegCodec::decode(bands).surface), -1)
            << c.width << " x " << c.height << " in bands of " << c.bandRows;
    }
}

TEST(JpegThreads, BandedQualityAboveHundredIsHundredAndOneIsTheSmallest)
{
    const auto source = photoLike(120, 96);
    const auto q1 = bandFile(*source, 1, 32);
    const auto q50 = bandFile(*source, 50, 32);
    const auto q100 = bandFile(*source, 100, 32);
    EXPECT_EQ(q100, bandFile(*source, 200, 32));
    EXPECT_LT(q1.size(), q50.size());
    EXPECT_LT(q50.size(), q100.size());
}

TEST(JpegThreads, ALargePictureIsWrittenInBandsThatAnotherDecoderReads)
{
    // Large enough for encode to choose bands by itself.
    const int width = 1200, height = 900;
    const auto source = photoLike(width, height);
    const std::vector<uint8_t> file = JpegCodec::encode(*source, 90, 96, 96);
    ASSERT_GT(countRestartMarkers(file), 0);
    const auto ours = JpegCodec::decode(file);
    EXPECT_EQ(firstDifferentRow(*ours.surface, *JpegCodec::decode(bandFile(*source, 90, height)).surface), -1);
    EXPECT_EQ(ours.xDpi, 96);

    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (djpeg.isEmpty())
        GTEST_SKIP() << "no djpeg to read the joined file";
    QProcess process;
    process.start(djpeg, {QStringLiteral("-pnm")});
    process.write(reinterpret_cast<const char*>(file.data()), qint64(file.size()));
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardError().isEmpty()) << "djpeg warned about the file";
    const QByteArray ppm = process.readAllStandardOutput();
    const QByteArray header = QByteArray("P6\n") + QByteArray::number(width) + " " + QByteArray::number(height) + "\n255\n";
    ASSERT_TRUE(ppm.startsWith(header));
    ASSERT_EQ(ppm.size(), header.size() + qsizetype(width) * height * 3);
    int firstDifferent = -1;
    for (int y = 0; y < height && firstDifferent < 0; ++y) {
        const auto* theirs = reinterpret_cast<const uint8_t*>(ppm.constData() + header.size() + qsizetype(y) * width * 3);
        const uint8_t* row = ours.surface->scanLine(y);
        for (int x = 0; x < width; ++x)
            if (theirs[3 * x] != row[3 * x + 2] || theirs[3 * x + 1] != row[3 * x + 1] || theirs[3 * x + 2] != row[3 * x])
                firstDifferent = y;
    }
    EXPECT_EQ(firstDifferent, -1);
}
