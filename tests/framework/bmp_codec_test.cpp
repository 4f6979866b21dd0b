#include "platform/framework/bmp_codec.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"

#include "bmp_test_util.h"
#include "file_bytes.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>

namespace {

const QString kSuite = QStringLiteral(PICTAVO_BMPSUITE_DIR);

// 0x00RRGGBB of a decoded pixel, through the colour table on palettised depths.
uint32_t colorAt(const gdi::DibSurface& s, int x, int y)
{
    const uint32_t raw = s.rawPixel(x, y);
    if (!s.isPalettised())
        return raw;
    const gdi::RgbQuad& q = s.colorTable().at(raw);
    return (uint32_t{q.red} << 16) | (uint32_t{q.green} << 8) | q.blue;
}

struct SuiteCase {
    const char* file;
    const char* reference;
};

void PrintTo(const SuiteCase& c, std::ostream* os) { *os << c.file; }

std::string caseName(const testing::TestParamInfo<SuiteCase>& info)
{
    std::string name = info.param.file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

bool closeEnough(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

// Compares every pixel with the suite's reference rendering; where the reference is not
// opaque (alpha files) only opaque pixels are compared. Channels wider than eight bits may
// round either way, hence the tolerance.
void expectMatchesReference(const SuiteCase& c, int tolerance = 0)
{
    const std::vector<uint8_t> bytes = readFileBytes(kSuite + u'/' + QString::fromLatin1(c.file));
    ASSERT_FALSE(bytes.empty()) << c.file;
    const DecodedBmp decoded = BmpCodec::decodeFile(bytes);
    const QImage reference = QImage(kSuite + QStringLiteral("/reference/") + QString::fromLatin1(c.reference))
                                 .convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(reference.isNull()) << c.reference;
    const gdi::DibSurface& s = *decoded.surface;
    ASSERT_EQ(s.width(), reference.width());
    ASSERT_EQ(s.height(), reference.height());
    int mismatches = 0;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            const QRgb want = reference.pixel(x, y);
            if (qAlpha(want) != 255)
                continue;
            const uint32_t got = colorAt(s, x, y);
            if (!closeEnough(got, want & 0xFFFFFFu, tolerance) && mismatches++ < 3)
                ADD_FAILURE() << c.file << " pixel (" << x << ", " << y << "): got " << std::hex << got
                              << " want " << (want & 0xFFFFFFu);
        }
    }
    EXPECT_EQ(mismatches, 0) << c.file;
}

class BmpSuiteGood : public testing::TestWithParam<SuiteCase> {};

TEST_P(BmpSuiteGood, DecodesToTheReferencePixels)
{
    expectMatchesReference(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, BmpSuiteGood,
    testing::Values(SuiteCase{"g/pal1.bmp", "pal1.png"}, SuiteCase{"g/pal1wb.bmp", "pal1.png"},
                    SuiteCase{"g/pal1bg.bmp", "pal1bg.png"}, SuiteCase{"g/pal4.bmp", "pal4.png"},
                    SuiteCase{"g/pal4gs.bmp", "pal4gs.png"}, SuiteCase{"g/pal4rle.bmp", "pal4.png"},
                    SuiteCase{"g/pal8.bmp", "pal8.png"}, SuiteCase{"g/pal8-0.bmp", "pal8.png"},
                    SuiteCase{"g/pal8gs.bmp", "pal8gs.png"}, SuiteCase{"g/pal8rle.bmp", "pal8.png"},
                    SuiteCase{"g/pal8w126.bmp", "pal8w126.png"}, SuiteCase{"g/pal8w125.bmp", "pal8w125.png"},
                    SuiteCase{"g/pal8w124.bmp", "pal8w124.png"}, SuiteCase{"g/pal8topdown.bmp", "pal8.png"},
                    SuiteCase{"g/pal8nonsquare.bmp", "pal8nonsquare-e.png"}, SuiteCase{"g/pal8os2.bmp", "pal8.png"},
                    SuiteCase{"g/pal8v4.bmp", "pal8.png"}, SuiteCase{"g/pal8v5.bmp", "pal8.png"},
                    SuiteCase{"g/rgb16.bmp", "rgb16.png"}, SuiteCase{"g/rgb16bfdef.bmp", "rgb16.png"},
                    SuiteCase{"g/rgb16-565.bmp", "rgb16-565.png"}, SuiteCase{"g/rgb16-565pal.bmp", "rgb16-565.png"},
                    SuiteCase{"g/rgb24.bmp", "rgb24.png"}, SuiteCase{"g/rgb24pal.bmp", "rgb24.png"},
                    SuiteCase{"g/rgb32.bmp", "rgb24.png"}, SuiteCase{"g/rgb32bfdef.bmp", "rgb24.png"},
                    SuiteCase{"g/rgb32bf.bmp", "rgb24.png"}),
    caseName);

// Questionable files this reader accepts: odd header sizes, gaps, oversize palettes, unusual
// masks, 2-bit pixels, RLE that leaves pixels undefined (index 0).
class BmpSuiteQuestionableAccepted : public testing::TestWithParam<SuiteCase> {};

TEST_P(BmpSuiteQuestionableAccepted, DecodesToTheReferencePixels)
{
    expectMatchesReference(GetParam(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, BmpSuiteQuestionableAccepted,
    testing::Values(SuiteCase{"q/pal1p1.bmp", "pal1p1.png"}, SuiteCase{"q/pal2.bmp", "pal2.png"},
                    SuiteCase{"q/pal2color.bmp", "pal2color.png"}, SuiteCase{"q/pal4rletrns.bmp", "pal4rletrns-0.png"},
                    SuiteCase{"q/pal8rletrns.bmp", "pal8rletrns-0.png"},
                    SuiteCase{"q/pal4rlecut.bmp", "pal4rlecut-0.png"}, SuiteCase{"q/pal8rlecut.bmp", "pal8rlecut-0.png"}, SuiteCase{"q/pal8offs.bmp", "pal8.png"},
                    SuiteCase{"q/pal8oversizepal.bmp", "pal8.png"}, SuiteCase{"q/pal8os2-sz.bmp", "pal8.png"},
                    SuiteCase{"q/pal8os2-hs.bmp", "pal8.png"}, SuiteCase{"q/pal8os2sp.bmp", "pal8.png"},
                    SuiteCase{"q/pal8os2v2.bmp", "pal8.png"}, SuiteCase{"q/pal8os2v2-16.bmp", "pal8.png"},
                    SuiteCase{"q/pal8os2v2-sz.bmp", "pal8.png"}, SuiteCase{"q/pal8os2v2-40sz.bmp", "pal8.png"},
                    SuiteCase{"q/rgb16faketrns.bmp", "rgb16.png"}, SuiteCase{"q/rgb16-231.bmp", "rgb16-231.png"},
                    SuiteCase{"q/rgb16-3103.bmp", "rgb16-3103.png"}, SuiteCase{"q/rgba16-4444.bmp", "rgba16-4444.png"},
                    SuiteCase{"q/rgba16-5551.bmp", "rgba16-5551.png"}, SuiteCase{"q/rgba16-1924.bmp", "rgba16-1924.png"},
                    SuiteCase{"q/rgb24largepal.bmp", "rgb24.png"}, SuiteCase{"q/rgb24prof.bmp", "rgb24.png"},
                    SuiteCase{"q/rgb24lprof.bmp", "rgb24.png"},
                    SuiteCase{"q/rgb32h52.bmp", "rgb24.png"}, SuiteCase{"q/rgb32-xbgr.bmp", "rgb24.png"},
                    SuiteCase{"q/rgb32fakealpha.bmp", "rgb24.png"}, SuiteCase{"q/rgb32-111110.bmp", "rgb24.png"},
                    SuiteCase{"q/rgb32-7187.bmp", "rgb32-7187.png"}, SuiteCase{"q/rgba32-1.bmp", "rgba32.png"},
                    SuiteCase{"q/rgba32-2.bmp", "rgba32.png"}, SuiteCase{"q/rgba32-1010102.bmp", "rgba32-1010102.png"},
                    SuiteCase{"q/rgba32-81284.bmp", "rgba32-81284.png"}, SuiteCase{"q/rgba32-61754.bmp", "rgba32-61754.png"},
                    SuiteCase{"q/rgba32abf.bmp", "rgba32.png"}, SuiteCase{"q/rgba32h56.bmp", "rgba32.png"}),
    caseName);

// Everything else in the suite either decodes or fails with the graphic error; the files
// listed here must fail (unsupported encodings, truncation, lying fields).
TEST(BmpSuite, RefusedFilesRaiseTheGraphicError)
{
    const char* refused[] = {
        "q/pal1huffmsb.bmp", "q/rgb24rle24.bmp", "q/rgb24jpeg.bmp", "q/rgb24png.bmp", "q/rgba64.bmp",
        "b/badbitcount.bmp", "b/badplanes.bmp", "b/badheadersize.bmp",
        "b/badwidth.bmp",    "b/rletopdown.bmp", "b/shortfile.bmp",  "x/ba-bm.bmp",
    };
    for (const char* name : refused) {
        const std::vector<uint8_t> bytes = readFileBytes(kSuite + u'/' + QString::fromLatin1(name));
        ASSERT_FALSE(bytes.empty()) << name;
        try {
            BmpCodec::decodeFile(bytes);
            ADD_FAILURE() << name << " decoded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(dynamic_cast<const EPictureFileError*>(&e)) << name << ": " << e.what();
        }
    }
}

TEST(BmpSuite, EveryFileDecodesOrRaisesTheGraphicError)
{
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(PICTAVO_BMPSUITE_DIR)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".bmp")
            continue;
        ++files;
        const std::vector<uint8_t> bytes = readFileBytes(QString::fromStdString(entry.path().string()));
        try {
            const DecodedBmp d = BmpCodec::decodeFile(bytes);
            ASSERT_TRUE(d.surface) << entry.path();
            // Every stored index names a colour.
            if (d.surface->isPalettised()) {
                for (int y = 0; y < d.surface->height(); ++y)
                    for (int x = 0; x < d.surface->width(); ++x)
                        ASSERT_LT(d.surface->rawPixel(x, y), d.surface->colorTable().size()) << entry.path();
            }
        } catch (const EInvalidGraphic&) {
        }
    }
    EXPECT_GT(files, 80);
}

// The bad palette-index file maps indexes past its table to black instead of reading past it.
TEST(BmpSuite, PaletteIndexPastTheTableIsBlack)
{
    const DecodedBmp d = BmpCodec::decodeFile(readFileBytes(kSuite + QStringLiteral("/b/pal8badindex.bmp")));
    const gdi::DibSurface& s = *d.surface;
    bool sawPastTable = false;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.rawPixel(x, y) >= 101) {
                sawPastTable = true;
                EXPECT_EQ(colorAt(s, x, y), 0u);
            }
    EXPECT_TRUE(sawPastTable);
}

// ---- Hand-made inputs ----

struct BadInput {
    const char* name;
    BmpSpec layout;
    const char* messagePart;
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }

BmpSpec plain8()
{
    BmpSpec s;
    s.palette = {0x000000, 0xFFFFFF};
    s.pixels.assign(8, 1);
    return s;
}

template <class F>
BmpSpec with(F change)
{
    BmpSpec s = plain8();
    change(s);
    return s;
}

class BmpBadInput : public testing::TestWithParam<BadInput> {};

TEST_P(BmpBadInput, RaisesAClearGraphicError)
{
    const BadInput& c = GetParam();
    const std::vector<uint8_t> file = makeBmp(c.layout);
    try {
        BmpCodec::decodeFile(file);
        FAIL() << "decoded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.messagePart))) << e.what();
    }
    // The stream reader, which reads the header before any pixel memory exists, refuses alike.
    TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
    stream.SetPosition(0);
    try {
        BmpCodec::readFile(stream);
        FAIL() << "decoded from a stream";
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.messagePart))) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    LyingHeaders, BmpBadInput,
    testing::Values(
        BadInput{"ZeroWidth", with([](BmpSpec& s) { s.width = 0; }), "размер"},
        BadInput{"NegativeWidth", with([](BmpSpec& s) { s.width = -4; }), "размер"},
        BadInput{"ZeroHeight", with([](BmpSpec& s) { s.height = 0; }), "размер"},
        BadInput{"MinimumHeight", with([](BmpSpec& s) { s.height = INT32_MIN; }), "высота"},
        BadInput{"ZeroPlanes", with([](BmpSpec& s) { s.planes = 0; }), "плоскостей"},
        BadInput{"BitCount3", with([](BmpSpec& s) { s.bitCount = 3; }), "бит на точку 3"},
        BadInput{"BitCount64", with([](BmpSpec& s) { s.bitCount = 64; }), "бит на точку 64"},
        BadInput{"HeaderSize41", with([](BmpSpec& s) { s.headerSize = 41; }), "размер заголовка"},
        BadInput{"HeaderSizeHuge", with([](BmpSpec& s) { s.headerSize = 0x7FFFFFF0; }), "заголов"},
        BadInput{"JpegInside", with([](BmpSpec& s) { s.compression = 4; }), "сжатия 4"},
        BadInput{"Rle8WithFourBits", with([](BmpSpec& s) { s.compression = 1; s.bitCount = 4; }), "сжатие 1"},
        BadInput{"BitFieldsOnEightBits", with([](BmpSpec& s) { s.compression = 3; }), "битовые маски"},
        BadInput{"BitFieldsWithoutMasks", with([](BmpSpec& s) { s.compression = 3; s.bitCount = 16; s.pixels.clear(); }),
                 "обрыва"},
        BadInput{"SixteenBitMaskTooWide",
                 with([](BmpSpec& s) {
                     s.compression = 3;
                     s.bitCount = 16;
                     s.palette.clear();
                     s.masks = {0xF0000, 0x0F0, 0x00F};
                 }),
                 "маска"},
        BadInput{"TopDownRle", with([](BmpSpec& s) { s.compression = 1; s.height = -2; s.pixels = {0, 1}; }), "сверху вниз"},
        BadInput{"PixelsTruncated", with([](BmpSpec& s) { s.pixels.resize(7); }), "обрыва"},
        BadInput{"PixelOffsetPastTheEnd", with([](BmpSpec& s) { s.pixels.clear(); s.offBitsOverride = 5000; }), "за концом файла"},
        // Rows present where the header's own sizes put them, but the offset lies 1 GiB away.
        BadInput{"PixelOffsetFarPastTheEnd", with([](BmpSpec& s) {
                     s.colorsUsed = 2;
                     s.offBitsOverride = INT64_C(1) << 30;
                 }),
                 "за концом файла"},
        BadInput{"ColourCountFarBeyondTheFile", with([](BmpSpec& s) { s.colorsUsed = 0x7FFFFFFF; }),
                 "таблица из 2147483647 цветов"},
        BadInput{"HugeDimensions",
                 with([](BmpSpec& s) {
                     s.width = 100000;
                     s.height = 100000;
                     s.bitCount = 24;
                     s.palette.clear();
                 }),
                 "слишком велик"},
        BadInput{"HugeRle",
                 with([](BmpSpec& s) {
                     s.width = 100000;
                     s.height = 100000;
                     s.compression = 1;
                     s.pixels = {0, 1};
                 }),
                 "слишком велик"},
        BadInput{"RleWithoutEnd", with([](BmpSpec& s) { s.compression = 1; s.pixels = {2, 1, 0, 0}; }), "обрыва"},
        BadInput{"RleLiteralPastTheData", with([](BmpSpec& s) { s.compression = 1; s.pixels = {0, 9, 1, 1}; }),
                 "обрыва"}),
    [](const testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

TEST(BmpCodec, EveryTruncationOfAValidFileFailsCleanly)
{
    BmpSpec s = plain8();
    s.width = 5;
    s.height = 3;
    s.pixels.assign(24, 1);
    const std::vector<uint8_t> whole = makeBmp(s);
    ASSERT_NO_THROW(BmpCodec::decodeFile(whole));
    for (size_t n = 0; n < whole.size(); ++n) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n));
        EXPECT_THROW(BmpCodec::decodeFile(cut), EInvalidGraphic) << n;
    }
}

TEST(BmpCodec, RleRunsAreClippedToTheRowAndThePicture)
{
    // 4 x 3, RLE8: a run of 9 on the bottom row, a literal of 6 on the next, a move past the
    // top, then data that must be ignored.
    BmpSpec s = plain8();
    s.width = 4;
    s.height = 3;
    s.compression = 1;
    s.palette = {0x000000, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666};
    s.pixels = {9, 1, 0, 0, 0, 6, 2, 3, 4, 5, 6, 6, 0, 0, 0, 2, 1, 9, 5, 5, 0, 1};
    const DecodedBmp d = BmpCodec::decodeFile(makeBmp(s));
    const gdi::DibSurface& out = *d.surface;
    ASSERT_EQ(out.bitsPerPixel(), 8);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(out.rawPixel(x, 2), 1u) << x;
    EXPECT_EQ(out.rawPixel(0, 1), 2u);
    EXPECT_EQ(out.rawPixel(3, 1), 5u);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(out.rawPixel(x, 0), 0u) << "skipped pixels stay index 0";
}

TEST(BmpCodec, Rle4RunsAlternateNibblesAndClip)
{
    BmpSpec s = plain8();
    s.width = 5;
    s.height = 1;
    s.bitCount = 4;
    s.compression = 2;
    s.palette.assign(16, 0);
    s.pixels = {7, 0x12, 0, 1};
    const DecodedBmp d = BmpCodec::decodeFile(makeBmp(s));
    const uint32_t want[] = {1, 2, 1, 2, 1};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(d.surface->rawPixel(x, 0), want[x]);
}

TEST(BmpCodec, BitFieldsHonourTheMasks)
{
    // 16 bits, red in the low 4 bits, green in the middle 4, blue in the top 8 (unusual).
    BmpSpec s = plain8();
    s.width = 2;
    s.height = 1;
    s.bitCount = 16;
    s.compression = 3;
    s.palette.clear();
    s.masks = {0x000F, 0x00F0, 0xFF00};
    s.pixels = {0x0F, 0x80, 0xF0, 0x00};
    const DecodedBmp d = BmpCodec::decodeFile(makeBmp(s));
    ASSERT_EQ(d.surface->bitsPerPixel(), 24);
    EXPECT_EQ(d.surface->rawPixel(0, 0), 0xFF0080u); // red 15/15, green 0, blue 0x80
    EXPECT_EQ(d.surface->rawPixel(1, 0), 0x00FF00u);
}

TEST(BmpCodec, TopDownRowsAndOs2CoreHeader)
{
    BmpSpec s = plain8();
    s.width = 1;
    s.height = -2;
    s.palette = {0x000000, 0xFFFFFF};
    s.pixels = {1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(BmpCodec::decodeFile(makeBmp(s)).surface->rawPixel(0, 0), 1u);

    // Core header: 16-bit sizes, 3-byte palette entries.
    std::vector<uint8_t> core{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0,
                              12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 1, 0,
                              0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, // red, blue
                              0x40, 0, 0, 0};
    const DecodedBmp d = BmpCodec::decodeFile(core);
    ASSERT_EQ(d.surface->bitsPerPixel(), 1);
    EXPECT_EQ(colorAt(*d.surface, 0, 0), 0xFF0000u);
    EXPECT_EQ(colorAt(*d.surface, 1, 0), 0x0000FFu);
}

TEST(BmpCodec, ShortColourTablesAreKeptAndPaddedOnlyWhenUsed)
{
    BmpSpec s = plain8();
    s.colorsUsed = 2;
    s.pixels = {0, 1, 0, 1, 1, 0, 1, 0};
    EXPECT_EQ(BmpCodec::decodeFile(makeBmp(s)).surface->colorTable().size(), 2u);
    s.pixels[3] = 200; // past the table
    const DecodedBmp d = BmpCodec::decodeFile(makeBmp(s));
    EXPECT_EQ(d.surface->colorTable().size(), 256u);
    EXPECT_EQ(colorAt(*d.surface, 3, 1), 0u);
}

TEST(BmpCodec, PolicyAdmitsEightThousandSquareAndRefusesAbsurdSizes)
{
    EXPECT_NO_THROW(PictureSizePolicy::check(8000, 8000, 32));
    EXPECT_THROW(PictureSizePolicy::check(100000, 100000, 24), EInvalidGraphic);
    EXPECT_THROW(PictureSizePolicy::check(INT64_C(1) << 40, 1, 1), EInvalidGraphic);
    // An 8000 x 8000 RLE picture of one end-of-bitmap loads (64 MB, index 0).
    BmpSpec s = plain8();
    s.width = 8000;
    s.height = 8000;
    s.compression = 1;
    s.pixels = {0, 1};
    const DecodedBmp d = BmpCodec::decodeFile(makeBmp(s));
    EXPECT_EQ(d.surface->width(), 8000);
    EXPECT_EQ(d.surface->rawPixel(7999, 7999), 0u);
}

TEST(BmpCodec, PackedDibStartsAtTheHeader)
{
    BmpSpec s = plain8();
    s.colorsUsed = 2;
    const std::vector<uint8_t> file = makeBmp(s);
    const std::vector<uint8_t> dib(file.begin() + 14, file.end());
    const DecodedBmp d = BmpCodec::decodePackedDib(dib);
    EXPECT_EQ(d.surface->width(), 4);
    EXPECT_EQ(colorAt(*d.surface, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(d.xPelsPerMeter, 2835);
}

// ---- Writing ----

class BmpRoundTrip : public testing::TestWithParam<int> {};

TEST_P(BmpRoundTrip, WritesAndReadsBackEveryPixel)
{
    const int bits = GetParam();
    std::mt19937 random(bits);
    std::vector<gdi::RgbQuad> table;
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            table.push_back(gdi::RgbQuad{static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                                         static_cast<uint8_t>(random()), 0});
    gdi::DibSurface surface(13, 7, bits, table);
    const uint32_t valueMask = bits <= 8 ? (1u << bits) - 1 : 0xFFFFFFu;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            surface.setRawPixel(x, y, random() & valueMask);

    const std::vector<uint8_t> file = BmpCodec::encodeFile(surface, 3780, 1234);
    EXPECT_EQ(file.size(), 14 + 40 + 4 * table.size() + surface.imageBytes());
    const DecodedBmp back = BmpCodec::decodeFile(file);
    ASSERT_EQ(back.surface->bitsPerPixel(), bits);
    EXPECT_EQ(back.surface->colorTable(), surface.colorTable());
    EXPECT_EQ(back.xPelsPerMeter, 3780);
    EXPECT_EQ(back.yPelsPerMeter, 1234);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(back.surface->rawPixel(x, y), surface.rawPixel(x, y)) << x << ", " << y;
    // Qt reads the file as the same picture.
    QImage qt;
    ASSERT_TRUE(qt.loadFromData(file.data(), static_cast<int>(file.size()), "BMP"));
    EXPECT_EQ(qt.pixel(5, 3) & 0xFFFFFFu, colorAt(surface, 5, 3));
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpRoundTrip, testing::Values(1, 4, 8, 24, 32),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "bit"; });

TEST(BmpCodec, PalettisedSurfaceWithoutTableGetsAFullBlackTable)
{
    gdi::DibSurface surface(3, 3, 4);
    const std::vector<uint8_t> file = BmpCodec::encodeFile(surface);
    EXPECT_EQ(file.size(), 14 + 40 + 4 * 16 + surface.imageBytes());
}

// ---- Streams ----

// What one way of reading made of a file: the picture, or the error's message.
struct Outcome {
    std::optional<DecodedBmp> decoded;
    QString error;
};

template <class Read>
Outcome outcomeOf(Read read)
{
    Outcome o;
    try {
        o.decoded = read();
    } catch (const EInvalidGraphic& e) {
        o.error = e.Message();
    }
    return o;
}

void expectSameOutcome(const Outcome& a, const Outcome& b, const std::string& name)
{
    ASSERT_EQ(a.error, b.error) << name;
    if (!a.decoded)
        return;
    const gdi::DibSurface& x = *a.decoded->surface;
    const gdi::DibSurface& y = *b.decoded->surface;
    ASSERT_EQ(x.width(), y.width()) << name;
    ASSERT_EQ(x.height(), y.height()) << name;
    ASSERT_EQ(x.bitsPerPixel(), y.bitsPerPixel()) << name;
    EXPECT_EQ(x.colorTable(), y.colorTable()) << name;
    EXPECT_EQ(std::memcmp(x.bits(), y.bits(), x.imageBytes()), 0) << name;
    EXPECT_EQ(a.decoded->xPelsPerMeter, b.decoded->xPelsPerMeter) << name;
    EXPECT_EQ(a.decoded->sourceBitCount, b.decoded->sourceBitCount) << name;
    EXPECT_EQ(a.decoded->sourceCompression, b.decoded->sourceCompression) << name;
}

// The stream reader fills the picture's rows straight from the file; it must decide every
// file of the suite, good, bad or truncated, exactly as the reader of bytes does. The file
// starts part-way into the stream, and the stream ends up at the end of the file.
TEST(BmpStream, ReadsEverySuiteFileAsTheByteReaderDoes)
{
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(PICTAVO_BMPSUITE_DIR)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".bmp")
            continue;
        ++files;
        const std::vector<uint8_t> bytes = readFileBytes(QString::fromStdString(entry.path().string()));
        TMemoryStream stream;
        stream.WriteBuffer("xyz", 3);
        stream.WriteBuffer(bytes);
        stream.SetPosition(3);
        const Outcome fromBytes = outcomeOf([&] { return BmpCodec::decodeFile(bytes); });
        const Outcome fromStream = outcomeOf([&] { return BmpCodec::readFile(stream); });
        expectSameOutcome(fromBytes, fromStream, entry.path().string());
        if (fromStream.decoded) {
            EXPECT_EQ(stream.Position(), stream.Size()) << entry.path();
        }
    }
    EXPECT_GT(files, 80);
}

TEST(BmpStream, EveryTruncationFailsAsFromBytes)
{
    BmpSpec s = plain8();
    s.width = 5;
    s.height = 3;
    s.pixels.assign(24, 1);
    const std::vector<uint8_t> whole = makeBmp(s);
    for (size_t n = 0; n <= whole.size(); ++n) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n));
        TMemoryStream stream;
        stream.WriteBuffer(cut);
        stream.SetPosition(0);
        expectSameOutcome(outcomeOf([&] { return BmpCodec::decodeFile(cut); }),
                          outcomeOf([&] { return BmpCodec::readFile(stream); }), std::to_string(n));
    }
}

// A caller with its own memory (a picture's rows, wider than the file's) gets the rows, the
// colour table and the shape before any pixel is read; top-down files land bottom-up.
TEST(BmpStream, ReaderFillsTheCallersRows)
{
    BmpSpec s = plain8();
    s.width = 3;
    s.height = -2; // top-down
    s.palette = {0x000000, 0xFF0000, 0x00FF00};
    s.pixels = {1, 2, 0, 0, 2, 1, 1, 0};
    const std::vector<uint8_t> file = makeBmp(s);
    TMemoryStream stream;
    stream.WriteBuffer(file);
    stream.SetPosition(0);
    BmpCodec::BmpReader reader(stream);
    ASSERT_EQ(reader.width(), 3);
    ASSERT_EQ(reader.height(), 2);
    ASSERT_EQ(reader.bitsPerPixel(), 8);
    EXPECT_EQ(reader.colorTable().size(), 3u);
    std::vector<uint8_t> rows(2 * 8, 0xEE);
    reader.readRows(rows.data(), 8);
    // Bottom-up: the file's second row comes first.
    EXPECT_EQ((std::vector<uint8_t>(rows.begin(), rows.begin() + 3)), (std::vector<uint8_t>{2, 1, 1}));
    EXPECT_EQ((std::vector<uint8_t>(rows.begin() + 8, rows.begin() + 11)), (std::vector<uint8_t>{1, 2, 0}));
}

// Writing to a stream gives the very bytes the encoder makes, for every depth, and a file
// written and read back through a file stream is the same picture.
TEST(BmpStream, WritesWhatTheEncoderMakes)
{
    const QString path = QDir::temp().filePath(QStringLiteral("pictavo_bmp_stream_test.bmp"));
    for (int bits : {1, 4, 8, 24, 32}) {
        std::mt19937 random(bits);
        gdi::DibSurface surface(13, 7, bits);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x)
                surface.setRawPixel(x, y, random() & (bits <= 8 ? (1u << bits) - 1 : 0xFFFFFFu));
        TMemoryStream memory;
        BmpCodec::writeFile(memory, surface, 3780, 1234);
        const std::vector<uint8_t> encoded = BmpCodec::encodeFile(surface, 3780, 1234);
        EXPECT_EQ(std::vector<uint8_t>(memory.Bytes().begin(), memory.Bytes().end()), encoded) << bits;
        {
            TFileStream file(path, fmCreate);
            BmpCodec::writeFile(file, surface, 3780, 1234);
        }
        TFileStream file(path, fmOpenRead);
        expectSameOutcome(outcomeOf([&] { return BmpCodec::decodeFile(encoded); }),
                          outcomeOf([&] { return BmpCodec::readFile(file); }), std::to_string(bits));
    }
    QFile::remove(path);
}

} // namespace
