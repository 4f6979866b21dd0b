// Writing: every picture format comes back with the same pixels, and the file holds exactly
// the tags the editor's TIFF files are specified with.
#include "tiff_fixture.h"

#include "imaging/formats/tiff_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/stream.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <functional>
#include <random>
#include <set>

namespace {

std::vector<uint8_t> saved(TDibGraphic& picture)
{
    TMemoryStream stream;
    picture.SaveToStream(stream);
    stream.SetPosition(0);
    return stream.ReadRemaining();
}

// A picture of the format with seeded random pixels (and a random palette when it has one).
void fillRandom(TTiffGraphic& picture, TImageFormat format, int width, int height, uint32_t seed)
{
    std::mt19937 random(seed);
    TLogPalette palette;
    const TLogPalette* chosen = nullptr;
    if (format == ifColor16 || format == ifColor256) {
        palette.palVersion = 0x300;
        palette.palNumEntries = format == ifColor16 ? 16 : 256;
        for (int i = 0; i < palette.palNumEntries; ++i)
            palette.palPalEntry[i] = TPaletteEntry{static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                                                   static_cast<uint8_t>(random()), 0};
        chosen = &palette;
    }
    picture.NewImage(width, height, format, chosen, 150, 72);
    const uint32_t mask = format == ifTrueColor ? 0xFFFFFF : (1u << ImageFormatBitCount(format)) - 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (format == ifTrueColor)
                picture.SetPixelRGB(x, y, random() & mask);
            else
                picture.SetPixelIndex(x, y, random() & mask);
        }
}

class TiffRoundTripTest : public ::testing::TestWithParam<TImageFormat> {};

TEST_P(TiffRoundTripTest, GivesTheSamePixelsPaletteAndResolution)
{
    const TImageFormat format = GetParam();
    // 37 columns: rows end inside a byte at every depth and strips of 16 rows end early.
    TTiffGraphic picture;
    fillRandom(picture, format, 37, 35, 7 + format);
    TTiffGraphic back;
    readTiff(back, saved(picture));
    ASSERT_EQ(back.ImageFormat(), format);
    ASSERT_EQ(back.GetWidth(), 37);
    ASSERT_EQ(back.GetHeight(), 35);
    EXPECT_EQ(back.XDpi(), 150);
    EXPECT_EQ(back.YDpi(), 72);
    if (format == ifColor16 || format == ifColor256) {
        for (int i = 0; i < (format == ifColor16 ? 16 : 256); ++i)
            EXPECT_EQ(back.LogPalette().palPalEntry[i], picture.LogPalette().palPalEntry[i]) << "entry " << i;
    }
    for (int y = 0; y < 35; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(back.GetPixelRGB(x, y), picture.GetPixelRGB(x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, TiffRoundTripTest,
                         ::testing::Values(ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor),
                         [](const ::testing::TestParamInfo<TImageFormat>& info) {
                             return ImageFormatName(info.param).remove(QRegularExpression("[^A-Za-z0-9]")).toStdString();
                         });

// The strips are packed by the writer itself: rows of runs and literals at the code's limits
// must come back through libtiff's decoder unchanged.
TEST(TiffWriterTest, PackedRowsAtTheLimitsOfRunsAndLiteralsReadBack)
{
    const int width = 300;
    const std::vector<std::function<uint8_t(int x)>> rows{
        [](int) { return uint8_t{7}; },                                          // one long run
        [](int x) { return static_cast<uint8_t>(x); },                           // all literal
        [](int x) { return static_cast<uint8_t>(x / 2); },                       // pairs: literal
        [](int x) { return static_cast<uint8_t>(x / 3); },                       // triples: runs
        [](int x) { return static_cast<uint8_t>(x < 128 ? 1 : x < 257 ? 2 : x); }, // runs of 128, 129
        [](int x) { return static_cast<uint8_t>(x < 129 ? x : x < 259 ? 200 : x); }, // 129 literals, 130 run
        [](int x) { return static_cast<uint8_t>(x < 298 ? x : 9); },             // a run of two at the end
        [](int x) { return static_cast<uint8_t>(x < 297 ? x : 9); },             // a run of three at the end
    };
    TTiffGraphic picture;
    picture.NewImage(width, static_cast<int>(rows.size()), ifGray256, nullptr, 72, 72);
    for (size_t y = 0; y < rows.size(); ++y)
        for (int x = 0; x < width; ++x)
            picture.ScanLine(static_cast<int>(y))[x] = rows[y](x);
    TTiffGraphic back;
    readTiff(back, saved(picture));
    ASSERT_EQ(back.GetHeight(), static_cast<int>(rows.size()));
    for (size_t y = 0; y < rows.size(); ++y)
        EXPECT_EQ(std::memcmp(back.ScanLine(static_cast<int>(y)), picture.ScanLine(static_cast<int>(y)), width), 0)
            << "row " << y;
}

// Large enough for two threads to pack the strips and read them back.
TEST(TiffWriterTest, ALargePictureRoundTripsThroughTheTwoThreadPaths)
{
    const int width = 1001, height = 1003;
    TTiffGraphic picture;
    picture.NewImage(width, height, ifTrueColor, nullptr, 72, 72);
    std::mt19937 random(5);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        // Flat stretches and noise, so both runs and literals occur in every strip.
        for (int x = 0; x < width * 3; ++x)
            row[x] = (x / 45 + y / 7) % 3 == 0 ? static_cast<uint8_t>(random()) : static_cast<uint8_t>(y + x / 90);
    }
    TTiffGraphic back;
    readTiff(back, saved(picture));
    ASSERT_EQ(back.GetWidth(), width);
    ASSERT_EQ(back.GetHeight(), height);
    int wrongRows = 0;
    for (int y = 0; y < height; ++y)
        wrongRows += std::memcmp(back.ScanLine(y), picture.ScanLine(y), size_t(width) * 3) != 0;
    EXPECT_EQ(wrongRows, 0);
}

// The tag numbers of the first directory, straight from the file's bytes (little-endian, as
// libtiff writes on this platform).
std::set<uint16_t> tagsOf(const std::vector<uint8_t>& bytes)
{
    const auto u16 = [&](size_t at) { return static_cast<uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8); };
    const auto u32 = [&](size_t at) { return uint32_t{u16(at)} | uint32_t{u16(at + 2)} << 16; };
    EXPECT_EQ(bytes.at(0), 'I');
    const size_t directory = u32(4);
    std::set<uint16_t> tags;
    for (uint16_t i = 0; i < u16(directory); ++i)
        tags.insert(u16(directory + 2 + size_t{i} * 12));
    return tags;
}

struct TagCase {
    TImageFormat format;
    uint16_t bitsPerSample, samplesPerPixel, photometric, compression;
};

class TiffTagsTest : public ::testing::TestWithParam<TagCase> {};

TEST_P(TiffTagsTest, AreExactlyTheSpecifiedOnes)
{
    const TagCase& c = GetParam();
    TTiffGraphic picture;
    fillRandom(picture, c.format, 20, 40, 3);
    const std::vector<uint8_t> bytes = saved(picture);

    std::set<uint16_t> expected{256, 257, 258, 259, 262, 273, 277, 278, 279, 282, 283, 284, 296, 305, 306};
    if (c.photometric == PHOTOMETRIC_PALETTE)
        expected.insert(320);
    EXPECT_EQ(tagsOf(bytes), expected);

    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("t.tif")).toStdString();
    {
        TFileStream file(QString::fromStdString(path), fmCreate);
        file.WriteBuffer(bytes);
    }
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint32_t width = 0, height = 0, rowsPerStrip = 0;
    uint16_t bits = 0, samples = 0, photometric = 0, compression = 0, planar = 0, unit = 0;
    float xRes = 0, yRes = 0;
    const char* software = nullptr;
    const char* dateTime = nullptr;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xRes);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yRes);
    TIFFGetField(tif, TIFFTAG_SOFTWARE, &software);
    TIFFGetField(tif, TIFFTAG_DATETIME, &dateTime);
    EXPECT_EQ(width, 20u);
    EXPECT_EQ(height, 40u);
    EXPECT_EQ(bits, c.bitsPerSample);
    EXPECT_EQ(samples, c.samplesPerPixel);
    EXPECT_EQ(photometric, c.photometric);
    EXPECT_EQ(compression, c.compression);
    EXPECT_EQ(rowsPerStrip, 16u);
    EXPECT_EQ(TIFFNumberOfStrips(tif), 3u);
    EXPECT_EQ(planar, PLANARCONFIG_CONTIG);
    EXPECT_EQ(unit, RESUNIT_INCH);
    EXPECT_EQ(xRes, 150.0f);
    EXPECT_EQ(yRes, 72.0f);
    ASSERT_NE(software, nullptr);
    EXPECT_NE(QString::fromUtf8(software).indexOf(QStringLiteral("Пиктаво")), -1);
    ASSERT_NE(dateTime, nullptr);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}:\\d\\d:\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(QString::fromLatin1(dateTime))
                    .hasMatch())
        << dateTime;
    TIFFClose(tif);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, TiffTagsTest,
    ::testing::Values(TagCase{ifTrueColor, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_PACKBITS},
                      TagCase{ifGray256, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS},
                      TagCase{ifGray16, 4, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS},
                      TagCase{ifColor256, 8, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS},
                      TagCase{ifColor16, 4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS},
                      TagCase{ifBlackWhite, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4}),
    [](const ::testing::TestParamInfo<TagCase>& info) {
        return ImageFormatName(info.param.format).remove(QRegularExpression("[^A-Za-z0-9]")).toStdString();
    });

TEST(TiffWriterTest, StoresBlackAndWhiteWithWhiteAsZero)
{
    TTiffGraphic picture;
    picture.NewImage(8, 1, ifBlackWhite, nullptr, 96, 96);
    for (int x = 0; x < 8; ++x)
        picture.SetPixelRGB(x, 0, x < 3 ? 0xFFFFFF : 0);
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("bw.tif")).toStdString();
    {
        TFileStream file(QString::fromStdString(path), fmCreate);
        picture.SaveToStream(file);
    }
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint8_t row[4] = {};
    ASSERT_EQ(TIFFReadScanline(tif, row, 0, 0), 1);
    EXPECT_EQ(row[0], 0x1F);
    TIFFClose(tif);
}

// The document's Save: a true-colour picture of 300 dpi that takes over a framework bitmap
// or another picture, format included.
TEST(TiffWriterTest, WritesWhatWasAssignedFromABitmapOrAPicture)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(9, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            bitmap.Canvas()->SetPixels(x, y, static_cast<TColor>((x * 25) | (y * 50) << 8 | (x * y) << 16));
    TTiffGraphic fromBitmap;
    fromBitmap.NewImage(9, 5, ifTrueColor, nullptr, 300, 300);
    fromBitmap.Assign(&bitmap);
    TTiffGraphic back;
    readTiff(back, saved(fromBitmap));
    ASSERT_EQ(back.GetWidth(), 9);
    ASSERT_EQ(back.GetHeight(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(back.GetPixelRGB(x, y), static_cast<uint32_t>((x * 25) << 16 | (y * 50) << 8 | (x * y)))
                << x << "," << y;

    TTiffGraphic source;
    fillRandom(source, ifColor256, 11, 6, 5);
    TTiffGraphic fromPicture;
    fromPicture.NewImage(11, 6, ifTrueColor, nullptr, 300, 300);
    fromPicture.Assign(&source);
    TTiffGraphic again;
    readTiff(again, saved(fromPicture));
    ASSERT_EQ(again.ImageFormat(), ifColor256);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 11; ++x)
            EXPECT_EQ(again.GetPixelRGB(x, y), source.GetPixelRGB(x, y));
}

TEST(TiffWriterTest, RefusesAnEmptyPicture)
{
    TTiffGraphic empty;
    TMemoryStream stream;
    EXPECT_THROW(empty.SaveToStream(stream), EPictureError);
}

} // namespace
