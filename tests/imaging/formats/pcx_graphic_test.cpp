#include "imaging/formats/dcx_graphic.h"
#include "imaging/formats/pcx_graphic.h"
#include "imaging/formats/picture_formats.h"
#include "picture_compare.h"

#include "platform/framework/exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>

namespace {

const QString kCorpus = QStringLiteral(PICTAVO_CORPORA "/pcx-dcx/");

std::vector<uint8_t> pcxFile(int bits, int planes, int width, int height, int bytesPerLine,
                             const std::vector<uint8_t>& data, uint8_t encoding = 1)
{
    std::vector<uint8_t> b(128, 0);
    b[0] = 0x0A;
    b[1] = 5;
    b[2] = encoding;
    b[3] = static_cast<uint8_t>(bits);
    b[8] = static_cast<uint8_t>(width - 1);
    b[9] = static_cast<uint8_t>((width - 1) >> 8);
    b[10] = static_cast<uint8_t>(height - 1);
    b[11] = static_cast<uint8_t>((height - 1) >> 8);
    for (int i = 0; i < 16; ++i) { // header palette: entry i is (16 i, 0, 255 - 16 i)
        b[16 + 3 * i] = static_cast<uint8_t>(16 * i);
        b[18 + 3 * i] = static_cast<uint8_t>(255 - 16 * i);
    }
    b[65] = static_cast<uint8_t>(planes);
    b[66] = static_cast<uint8_t>(bytesPerLine);
    b[67] = static_cast<uint8_t>(bytesPerLine >> 8);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::unique_ptr<TDibGraphic> readPcx(const std::vector<uint8_t>& bytes)
{
    return LoadBytes(TPcxGraphic(), bytes);
}

// ---- round trips ----------------------------------------------------------------------------

class PcxRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(PcxRoundTrip, WrittenPixelsReadBackUnchanged)
{
    const RoundTripCase& c = GetParam();
    TPcxGraphic picture;
    FillRandom(picture, c.width, c.height, c.format, 7);
    picture.SetXDpi(150);
    const std::unique_ptr<TDibGraphic> back = readPcx(SaveBytes(picture));
    EXPECT_EQ(back->ImageFormat(), c.readBack);
    EXPECT_EQ(DifferentPixels(picture, *back), 0);
    EXPECT_EQ(back->XDpi(), 150);
}

INSTANTIATE_TEST_SUITE_P(Depths, PcxRoundTrip,
                         testing::Values(RoundTripCase{"BlackWhite", ifBlackWhite, 61, 9, ifBlackWhite},
                                         RoundTripCase{"Gray16", ifGray16, 33, 5, ifGray16},
                                         RoundTripCase{"Color16", ifColor16, 17, 12, ifColor16},
                                         RoundTripCase{"Color16OnePixel", ifColor16, 1, 1, ifColor16},
                                         RoundTripCase{"Gray256", ifGray256, 301, 7, ifGray256},
                                         RoundTripCase{"Color256", ifColor256, 99, 8, ifColor256},
                                         RoundTripCase{"TrueColor", ifTrueColor, 131, 6, ifTrueColor}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PcxWriter, TwoColourPaletteOtherThanBlackAndWhiteKeepsItsColours)
{
    TLogPalette palette = *DefaultPalette(ifBlackWhite);
    palette.palPalEntry[0] = {200, 10, 10, 0};
    palette.palPalEntry[1] = {10, 200, 10, 0};
    TPcxGraphic picture;
    FillRandom(picture, 23, 4, ifBlackWhite, 3, &palette);
    const std::unique_ptr<TDibGraphic> back = readPcx(SaveBytes(picture));
    EXPECT_EQ(DifferentPixels(picture, *back), 0);
}

TEST(PcxWriter, EndsTheLongestRunAtSixtyThreeAndEscapesHighBytes)
{
    TPcxGraphic picture;
    picture.NewImage(64, 1, ifGray256, nullptr, 0, 0);
    for (int x = 0; x < 64; ++x)
        picture.SetPixelIndex(x, 0, x < 63 ? 0x10 : 0xC5);
    const std::vector<uint8_t> bytes = SaveBytes(picture);
    const std::vector<uint8_t> data(bytes.begin() + 128, bytes.begin() + 128 + 4);
    EXPECT_EQ(data, (std::vector<uint8_t>{0xFF, 0x10, 0xC1, 0xC5}));
    EXPECT_EQ(bytes[bytes.size() - 769], 0x0C);
}

// A DCX file of the given pages, laid out by hand (table of 1024 entries, then the pages).
std::vector<uint8_t> dcxOf(std::initializer_list<TPcxGraphic*> pages)
{
    std::vector<uint8_t> file(4 * 1025, 0);
    const uint32_t magic = 987654321;
    std::memcpy(file.data(), &magic, 4);
    int index = 1;
    for (TPcxGraphic* page : pages) {
        const uint32_t offset = static_cast<uint32_t>(file.size());
        std::memcpy(file.data() + 4 * index++, &offset, 4);
        const std::vector<uint8_t> bytes = SaveBytes(*page);
        file.insert(file.end(), bytes.begin(), bytes.end());
    }
    return file;
}

TEST(DcxRoundTrip, OnePageWritesAndReadsBack)
{
    TDcxGraphic picture;
    FillRandom(picture, 40, 30, ifColor256, 1);
    EXPECT_EQ(DifferentPixels(picture, *LoadBytes(TDcxGraphic(), SaveBytes(picture))), 0);
}

TEST(DcxRoundTrip, PagesBecomeFramesAndFramesBecomePages)
{
    TPcxGraphic a, b, c;
    FillRandom(a, 40, 30, ifColor256, 1);
    FillRandom(b, 7, 3, ifTrueColor, 2);
    FillRandom(c, 9, 9, ifBlackWhite, 3);
    const std::vector<uint8_t> file = dcxOf({&a, &b, &c});

    // A plain load gives the first page.
    EXPECT_EQ(DifferentPixels(*LoadBytes(TDcxGraphic(), file), a), 0);

    TDcxGraphic pages;
    pages.SetMultiImage(true);
    TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
    stream.SetPosition(0);
    pages.LoadFromStream(stream);
    ASSERT_EQ(pages.FrameCount(), 3);
    EXPECT_EQ(DifferentPixels(*pages.Frame(1), a), 0);
    EXPECT_EQ(DifferentPixels(*pages.Frame(2), b), 0);
    EXPECT_EQ(DifferentPixels(*pages.Frame(3), c), 0);

    TMemoryStream saved;
    pages.SaveToStream(saved);
    saved.SetPosition(0);
    TDcxGraphic again;
    again.SetMultiImage(true);
    again.LoadFromStream(saved);
    ASSERT_EQ(again.FrameCount(), 3);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(DifferentPixels(*again.Frame(i), *pages.Frame(i)), 0) << "page " << i;
}

// ---- reading hand-made files ----------------------------------------------------------------

TEST(PcxReader, RunCarriesOnIntoTheNextLine)
{
    // 3 x 2 at 8 bits, 4 bytes a line: one run of 6 covers line 1 and half of line 2.
    const auto picture = readPcx(pcxFile(8, 1, 3, 2, 4, {0xC6, 0x05, 0x07, 0x08}));
    EXPECT_EQ(picture->ImageFormat(), ifGray256);
    EXPECT_EQ(picture->GetPixelIndex(2, 0), 5u);
    EXPECT_EQ(picture->GetPixelIndex(1, 1), 5u);
    EXPECT_EQ(picture->GetPixelIndex(2, 1), 7u);
}

TEST(PcxReader, BitPlanesMakeSixteenColourIndexes)
{
    // 8 x 1, four planes of one byte each: pixel x gets bit p from plane p.
    const auto picture = readPcx(pcxFile(1, 4, 8, 1, 1, {0x80, 0xC0, 0xE0, 0xF0}, 0));
    ASSERT_EQ(picture->ImageFormat(), ifColor16);
    const uint32_t expected[8] = {15, 14, 12, 8, 0, 0, 0, 0};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(picture->GetPixelIndex(x, 0), expected[x]) << x;
    EXPECT_EQ(picture->GetPixelRGB(0, 0), (240u << 16) | 15u);
}

TEST(PcxReader, TwoBitPixelsUseTheHeaderPalette)
{
    const auto picture = readPcx(pcxFile(2, 1, 4, 1, 2, {0x1B, 0x00}, 0));
    ASSERT_EQ(picture->ImageFormat(), ifColor16);
    for (uint32_t x = 0; x < 4; ++x)
        EXPECT_EQ(picture->GetPixelIndex(static_cast<int32_t>(x), 0), x);
}

// One-bit pictures take their two colours from the header palette; an unset (all zero) or
// standard sixteen-colour palette means black and white.
TEST(PcxReader, OneBitColoursComeFromTheHeaderPalette)
{
    const struct {
        const char* name;
        std::array<uint8_t, 6> header; // entries 0 and 1, red, green, blue
        uint32_t zero;                 // the colour of bit 0, 0xRRGGBB
        uint32_t one;
    } cases[] = {
        {"black, white", {0, 0, 0, 255, 255, 255}, 0x000000, 0xFFFFFF},
        {"white, black", {255, 255, 255, 0, 0, 0}, 0xFFFFFF, 0x000000},
        {"two colours", {200, 10, 10, 10, 200, 30}, 0xC80A0A, 0x0AC81E},
        {"unset", {0, 0, 0, 0, 0, 0}, 0x000000, 0xFFFFFF},
        {"standard sixteen", {0, 0, 0, 0, 0, 170}, 0x000000, 0xFFFFFF},
    };
    for (const auto& c : cases) {
        // 8 x 1: bits 0101 0101.
        std::vector<uint8_t> file = pcxFile(1, 1, 8, 1, 2, {0x55, 0x00}, 0);
        std::fill(file.begin() + 16, file.begin() + 64, uint8_t{0});
        std::copy(c.header.begin(), c.header.end(), file.begin() + 16);
        const auto picture = readPcx(file);
        ASSERT_EQ(picture->ImageFormat(), ifBlackWhite) << c.name;
        EXPECT_EQ(picture->GetPixelRGB(0, 0), c.zero) << c.name;
        EXPECT_EQ(picture->GetPixelRGB(1, 0), c.one) << c.name;
    }
}

TEST(PcxWriter, BlackAndWhiteNamesItsColoursInTheHeader)
{
    TPcxGraphic picture;
    FillRandom(picture, 9, 2, ifBlackWhite, 5);
    const std::vector<uint8_t> bytes = SaveBytes(picture);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 16, bytes.begin() + 22), (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
}

TEST(PcxReader, RgbPlanesAndEndPalette)
{
    const auto rgb = readPcx(pcxFile(8, 3, 2, 1, 2, {1, 2, 3, 4, 5, 6}, 0));
    EXPECT_EQ(rgb->GetPixelRGB(0, 0), 0x010305u);
    EXPECT_EQ(rgb->GetPixelRGB(1, 0), 0x020406u);

    std::vector<uint8_t> withPalette = pcxFile(8, 1, 2, 1, 2, {0, 1}, 0);
    withPalette.push_back(0x0C);
    for (int i = 0; i < 256; ++i)
        withPalette.insert(withPalette.end(), {uint8_t(i), uint8_t(255 - i), 9});
    const auto indexed = readPcx(withPalette);
    EXPECT_EQ(indexed->ImageFormat(), ifColor256);
    EXPECT_EQ(indexed->GetPixelRGB(1, 0), 0x01FE09u);
}

TEST(PcxReader, ShortFileKeepsTheRowsItHas)
{
    // Four lines promised, two and a half given: the missing ones stay as a new picture is.
    std::vector<uint8_t> data(10, 0x42);
    const auto picture = readPcx(pcxFile(8, 1, 4, 4, 4, data, 0));
    EXPECT_EQ(picture->GetPixelIndex(3, 1), 0x42u);
    EXPECT_EQ(picture->GetPixelIndex(0, 2), 0u);
    EXPECT_EQ(picture->GetPixelIndex(0, 3), 0u);
}

TEST(PcxReader, RefusesWhatItCannotRead)
{
    std::vector<uint8_t> notPcx = pcxFile(8, 1, 4, 4, 4, std::vector<uint8_t>(16, 1));
    notPcx[0] = 0x0B;
    std::vector<uint8_t> badEncoding = pcxFile(8, 1, 4, 4, 4, std::vector<uint8_t>(16, 1), 2);
    std::vector<uint8_t> inverted = pcxFile(8, 1, 4, 4, 4, std::vector<uint8_t>(16, 1));
    inverted[4] = 9; // xMin beyond xMax
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {"empty", {}, "файл короче своего заголовка"},
        {"not pcx", notPcx, "это не файл PCX"},
        {"encoding", badEncoding, "неизвестный способ кодирования PCX 2"},
        {"bounds", inverted, "неверные границы рисунка"},
        {"layout", pcxFile(4, 2, 4, 4, 2, std::vector<uint8_t>(16, 1)), "неподдерживаемое строение PCX: 4 бит x 2 плоскостей"},
        {"no planes", pcxFile(1, 0, 4, 4, 2, std::vector<uint8_t>(16, 1)), "неподдерживаемое строение PCX: 1 бит x 0 плоскостей"},
        {"huge", pcxFile(8, 3, 60000, 60000, 60000, std::vector<uint8_t>(64, 0xFF)),
         "данных слишком мало для рисунка 60000 x 60000"},
        {"no data", pcxFile(8, 1, 4, 1, 4, {0xC4}), "нет данных рисунка"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RefusalOf(TPcxGraphic(), c.bytes), QString::fromUtf8(c.reason)) << c.name;
}

TEST(DcxReader, RefusesBadPageTables)
{
    const uint32_t magic = 987654321;
    std::vector<uint8_t> outside(16, 0);
    std::memcpy(outside.data(), &magic, 4);
    outside[4] = 200; // page 1 beyond the end
    std::vector<uint8_t> none(16, 0);
    std::memcpy(none.data(), &magic, 4);
    // Two entries for the same page: its bytes would be decoded twice.
    TPcxGraphic page;
    FillRandom(page, 5, 5, ifTrueColor, 4);
    std::vector<uint8_t> repeated = dcxOf({&page});
    std::memcpy(repeated.data() + 8, repeated.data() + 4, 4);
    for (const auto& bytes : {outside, none, repeated, std::vector<uint8_t>(3, 0)})
        EXPECT_THROW(LoadBytes(TDcxGraphic(), bytes), EInvalidGraphic);
}

TEST(PcxRegistry, ExtensionsFindTheirClasses)
{
    RegisterPictureFormats();
    EXPECT_EQ(TDibGraphic::CreateGraphicForFile(QStringLiteral("a.PCC"))->ClassName(), QStringLiteral("TPcxGraphic"));
    EXPECT_EQ(TDibGraphic::CreateGraphicForFile(QStringLiteral("a.pcx"))->ClassName(), QStringLiteral("TPcxGraphic"));
    EXPECT_EQ(TDibGraphic::CreateGraphicForFile(QStringLiteral("a.dcx"))->ClassName(), QStringLiteral("TDcxGraphic"));
    for (const char* name : {"a.tga", "a.vst", "a.AFI"})
        EXPECT_EQ(TDibGraphic::CreateGraphicForFile(QString::fromUtf8(name))->ClassName(),
                  QStringLiteral("TTgaGraphic"));
}

// ---- the corpus -----------------------------------------------------------------------------

TEST(PcxCorpus, DcxFirstPageIsItsSourcePicture)
{
    const auto dcx = LoadFile<TDcxGraphic>(kCorpus + QStringLiteral("hopper.dcx"));
    const QImage source(kCorpus + QStringLiteral("hopper.ppm"));
    ASSERT_FALSE(source.isNull());
    EXPECT_EQ(DifferentPixels(*dcx, source), 0);
}

TEST(PcxCorpus, OddFilesLoadAndTheFuzzFindIsRefused)
{
    const struct {
        const char* file;
        int32_t width;
        int32_t height;
        TImageFormat format;
    } loads[] = {
        {"odd_stride.pcx", 371, 150, ifColor256},
        {"p_4_planes.pcx", 1, 1, ifColor16},
        {"pil184.pcx", 447, 144, ifBlackWhite},
        {"01r_00.pcx", 88, 52, ifGray256},
    };
    for (const auto& c : loads) {
        const auto picture = LoadFile<TPcxGraphic>(kCorpus + QString::fromUtf8(c.file));
        EXPECT_EQ(picture->GetWidth(), c.width) << c.file;
        EXPECT_EQ(picture->GetHeight(), c.height) << c.file;
        EXPECT_EQ(picture->ImageFormat(), c.format) << c.file;
    }
    EXPECT_EQ(LoadFile<TPcxGraphic>(kCorpus + QStringLiteral("p_4_planes.pcx"))->GetPixelIndex(0, 0), 3u);
    EXPECT_THROW(LoadFile<TPcxGraphic>(kCorpus + QStringLiteral("ossfuzz-4836216264589312.pcx")), EInvalidGraphic);
}

} // namespace
