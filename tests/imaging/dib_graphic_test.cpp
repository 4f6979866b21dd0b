#include "imaging/dib_graphic.h"

#include "platform/framework/canvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

namespace {

QString errorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EPictureError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

TLogPalette paletteOf(std::initializer_list<uint32_t> colors)
{
    TLogPalette p;
    p.palVersion = 0x300;
    for (uint32_t c : colors)
        p.palPalEntry[p.palNumEntries++] = TPaletteEntry{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 0};
    return p;
}

} // namespace

TEST(DibGraphic, NewPictureIsEmpty)
{
    TDibGraphic picture;
    EXPECT_TRUE(picture.GetEmpty());
    EXPECT_EQ(picture.GetWidth(), 0);
    EXPECT_EQ(picture.GetHeight(), 0);
    EXPECT_EQ(picture.ImageIndex(), 1);
    EXPECT_FALSE(picture.MultiImage());
    EXPECT_EQ(picture.AnimationInterval(), 200);
    EXPECT_EQ(picture.CurrentFrame(), -1);
    EXPECT_EQ(picture.FrameCount(), 0);
}

TEST(DibGraphic, RowBytesAndHeaderOfFiveByThree)
{
    struct Case {
        TImageFormat format;
        int rowBytes;
        int bitCount;
        uint32_t coloursUsed;
    };
    const Case cases[] = {
        {ifBlackWhite, 4, 1, 2}, {ifGray16, 4, 4, 16},    {ifGray256, 8, 8, 256},
        {ifColor16, 4, 4, 16},   {ifColor256, 8, 8, 256}, {ifTrueColor, 16, 24, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ImageFormatName(c.format).toStdString());
        TDibGraphic picture;
        picture.NewImage(5, 3, c.format, nullptr, 0, 0);
        const TBitmapInfoHeader& h = picture.BitmapInfo().bmiHeader;
        EXPECT_EQ(picture.RowBytes(), c.rowBytes);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biBitCount, c.bitCount);
        EXPECT_EQ(h.biSizeImage, uint32_t(3 * c.rowBytes));
        EXPECT_EQ(h.biClrUsed, c.coloursUsed);
        EXPECT_EQ(picture.LogPalette().palNumEntries, c.coloursUsed);
        EXPECT_EQ(picture.XDpi(), 96);
        for (uint32_t i = 0; i < c.coloursUsed; ++i) {
            const TPaletteEntry& e = picture.LogPalette().palPalEntry[i];
            const gdi::RgbQuad& q = picture.BitmapInfo().bmiColors[i];
            ASSERT_EQ(q, (gdi::RgbQuad{e.peBlue, e.peGreen, e.peRed, 0})) << i;
        }
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(picture.GetPixelRGB(x, y), 0u);
    }
}

TEST(DibGraphic, DefaultPalettes)
{
    const TLogPalette& c256 = *DefaultPalette(ifColor256);
    auto rgb = [](const TPaletteEntry& e) { return (uint32_t(e.peRed) << 16) | (e.peGreen << 8) | e.peBlue; };
    EXPECT_EQ(rgb(c256.palPalEntry[4]), 0xAA0000u);
    EXPECT_EQ(rgb(c256.palPalEntry[17]), 0x141414u); // grey level 5
    EXPECT_EQ(rgb(c256.palPalEntry[31]), 0xFFFFFFu);
    EXPECT_EQ(rgb(c256.palPalEntry[30]), 0xE3B3B3u);
    EXPECT_EQ(rgb(c256.palPalEntry[32]), 0x0000FFu);  // ring 0 (lo, lo, hi)
    EXPECT_EQ(rgb(c256.palPalEntry[33]), 0x4100FFu);  // (m1, lo, hi), level 16 -> 65
    EXPECT_EQ(rgb(c256.palPalEntry[85]), 0xDFB6EBu);
    EXPECT_EQ(rgb(c256.palPalEntry[96]), 0xB6DFB6u);
    EXPECT_EQ(rgb(c256.palPalEntry[247]), 0x2C3041u); // ring 8 last (lo, m1, hi) = (11, 12, 16)
    EXPECT_EQ(rgb(c256.palPalEntry[248]), 0u);
    EXPECT_EQ(rgb(DefaultPalette(ifGray16)->palPalEntry[15]), 0xFFFFFFu);
    EXPECT_EQ(DefaultPalette(ifTrueColor), nullptr);
    EXPECT_EQ(errorText([] { DefaultPalette(TImageFormat(6)); }), "Internal error: Invalid image format");
    EXPECT_EQ(ImageFormatName(TImageFormat(9)), QString());
}

// Nearest-colour ties go to the first entry; a later entry must be strictly nearer.
TEST(DibGraphic, SetPixelRGBStoresNearestIndex)
{
    struct Case {
        const char* name;
        TImageFormat format;
        uint32_t color;
        uint32_t index;
    };
    const Case cases[] = {
        {"red on 16 colours is dark red, not light red", ifColor16, 0xFF0000, 4},
        {"equal distance to black and dark red", ifColor16, 0x550000, 0},
        {"grey 128 is light grey", ifColor16, 0x808080, 7},
        {"grey 127 is dark grey", ifColor16, 0x7F7F7F, 8},
        {"grey 128 is white in black and white", ifBlackWhite, 0x808080, 1},
        {"grey 127 is black in black and white", ifBlackWhite, 0x7F7F7F, 0},
        {"top byte is not a colour", ifGray256, 0xFF404040, 0x40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDibGraphic picture;
        picture.NewImage(9, 2, c.format, nullptr, 0, 0);
        picture.SetPixelRGB(3, 1, c.color);
        picture.SetPixelRGB(3, 1, c.color); // second time through the cache
        EXPECT_EQ(picture.GetPixelIndex(3, 1), c.index);
        EXPECT_EQ(picture.GetPixelIndex(2, 1), 0u);
        EXPECT_EQ(picture.GetPixelIndex(4, 1), 0u);
        EXPECT_EQ(picture.GetPixelIndex(3, 0), 0u);
    }
}

TEST(DibGraphic, TrueColorPixelBytes)
{
    TDibGraphic picture;
    picture.NewImage(5, 3, ifTrueColor, nullptr, 0, 0);
    picture.SetPixelRGB(0, 0, 0x00FF0000);
    picture.SetPixelRGB(4, 2, 0xAB123456);
    const uint8_t* top = picture.ScanLine(0);
    EXPECT_EQ(top[0], 0x00);
    EXPECT_EQ(top[1], 0x00);
    EXPECT_EQ(top[2], 0xFF);
    EXPECT_EQ(picture.GetPixelRGB(0, 0), 0x00FF0000u);
    EXPECT_EQ(picture.GetPixelRGB(4, 2), 0x00123456u);
    // Row 0 is stored last.
    EXPECT_EQ(picture.ScanLine(0), picture.Bits() + 2 * picture.RowBytes());
    EXPECT_EQ(picture.Bits()[12], 0x56);
    EXPECT_EQ(errorText([&] { picture.GetPixelIndex(0, 0); }), "The image does not have a palette");
    EXPECT_EQ(errorText([&] { picture.SetPixelIndex(0, 0, 1); }), "The image does not have a palette");
}

TEST(DibGraphic, PixelLayoutOfPackedDepths)
{
    TDibGraphic bw;
    bw.NewImage(10, 1, ifBlackWhite, nullptr, 0, 0);
    bw.SetPixelIndex(0, 0, 1);
    bw.SetPixelIndex(9, 0, 7); // any nonzero index is a set bit
    EXPECT_EQ(bw.ScanLine(0)[0], 0x80);
    EXPECT_EQ(bw.ScanLine(0)[1], 0x40);
    EXPECT_EQ(bw.GetPixelRGB(9, 0), 0xFFFFFFu);

    TDibGraphic nibbles;
    nibbles.NewImage(3, 1, ifGray16, nullptr, 0, 0);
    nibbles.SetPixelIndex(0, 0, 0x1A);
    nibbles.SetPixelIndex(1, 0, 0x05);
    nibbles.SetPixelIndex(2, 0, 0x0F);
    EXPECT_EQ(nibbles.ScanLine(0)[0], 0xA5);
    EXPECT_EQ(nibbles.ScanLine(0)[1], 0xF0);
    EXPECT_EQ(nibbles.GetPixelIndex(1, 0), 5u);
    EXPECT_EQ(nibbles.GetPixelRGB(2, 0), 0xFFFFFFu);

    TDibGraphic bytes;
    bytes.NewImage(3, 1, ifColor256, nullptr, 0, 0);
    bytes.SetPixelIndex(1, 0, 0x1F4); // low eight bits
    EXPECT_EQ(bytes.GetPixelIndex(1, 0), 0xF4u);
}

// The cached converter must answer exactly what the plain search answers, also when colours
// collide in the cache.
TEST(DibGraphic, ConverterMatchesLinearSearch)
{
    const TLogPalette& palette = *DefaultPalette(ifColor256);
    TRgbToPaletteConverter converter(palette);
    std::mt19937 random(1234);
    for (int i = 0; i < 60000; ++i) {
        uint32_t color = random() & 0x00FFFFFF;
        if (i % 3 == 0)
            color = (color % 1020) + 1020 * (i % 7); // same slot, different colours
        ASSERT_EQ(converter.NearestIndex(color), TRgbToPaletteConverter::SearchPalette(palette, color)) << color;
    }
    // Random palettes with repeated entries and coarse levels, so that ties are common.
    for (int round = 0; round < 12; ++round) {
        TLogPalette coarse;
        coarse.palNumEntries = uint16_t(1 + random() % 256);
        for (int i = 0; i < coarse.palNumEntries; ++i)
            coarse.palPalEntry[i] = TPaletteEntry{uint8_t(random() % 5 * 60), uint8_t(random() % 5 * 60),
                                                  uint8_t(random() % 5 * 60), 0};
        TRgbToPaletteConverter matcher(coarse);
        for (int i = 0; i < 4000; ++i) {
            const uint32_t color = random() & 0x00FFFFFF;
            ASSERT_EQ(matcher.NearestIndex(color), TRgbToPaletteConverter::SearchPalette(coarse, color)) << color;
        }
    }
    TLogPalette empty;
    EXPECT_EQ(TRgbToPaletteConverter(empty).NearestIndex(0x123456), 0);
}

TEST(DibGraphic, OwnPaletteIsUsedAndClampedToDepth)
{
    const TLogPalette palette = paletteOf({0x000000, 0x00FF00, 0x0000FF, 0xFF0000});
    TDibGraphic picture;
    picture.NewImage(4, 4, ifBlackWhite, &palette, 0, 0);
    EXPECT_EQ(picture.LogPalette().palNumEntries, 2);
    picture.SetPixelRGB(0, 0, 0xFFFF00); // yellow: green is nearer than black, and red is dropped
    EXPECT_EQ(picture.GetPixelIndex(0, 0), 1u);

    TDibGraphic colour;
    colour.NewImage(4, 4, ifColor256, &palette, 0, 0);
    EXPECT_EQ(colour.BitmapInfo().bmiHeader.biClrUsed, 4u);
    colour.SetPixelRGB(1, 1, 0xF00000);
    EXPECT_EQ(colour.GetPixelIndex(1, 1), 3u);
    EXPECT_EQ(colour.GetPixelRGB(1, 1), 0xFF0000u);
    EXPECT_EQ(colour.BitmapInfo().bmiColors[3], (gdi::RgbQuad{0, 0, 255, 0}));
}

TEST(DibGraphic, Resolution)
{
    TDibGraphic picture;
    picture.NewImage(2, 2, ifTrueColor, nullptr, 0, 300);
    EXPECT_EQ(picture.XDpi(), 96); // 0 is the screen's resolution
    EXPECT_EQ(picture.BitmapInfo().bmiHeader.biXPelsPerMeter, 3780);
    EXPECT_EQ(picture.YDpi(), 300);
    picture.SetXDpi(72);
    EXPECT_EQ(picture.BitmapInfo().bmiHeader.biXPelsPerMeter, 2835);
    EXPECT_EQ(picture.XDpi(), 72);
    EXPECT_EQ(PelsPerMeterToDpi(0), 0);
    EXPECT_EQ(PelsPerMeterToDpi(-5000), 0);
    EXPECT_EQ(PelsPerMeterToDpi(2000000000), 0);
    EXPECT_EQ(PelsPerMeterToDpi(3779), 96);
}

TEST(DibGraphic, SizeErrorsLeaveThePictureEmpty)
{
    TDibGraphic picture;
    picture.NewImage(3, 3, ifColor16, nullptr, 0, 0);
    EXPECT_EQ(errorText([&] { picture.NewImage(0, 5, ifTrueColor, nullptr, 0, 0); }), "CreateDibSection failed");
    EXPECT_TRUE(picture.GetEmpty());
    EXPECT_EQ(picture.GetWidth(), 0);
    EXPECT_EQ(errorText([&] { picture.NewImage(100000, 100000, ifTrueColor, nullptr, 0, 0); }),
              "CreateDibSection failed");
    EXPECT_TRUE(picture.GetEmpty());
    EXPECT_EQ(errorText([&] { picture.NewImage(2000000000, 2000000000, ifTrueColor, nullptr, 0, 0); }),
              "CreateDibSection failed");
    EXPECT_EQ(errorText([&] { picture.NewImage(4, 4, TImageFormat(7), nullptr, 0, 0); }),
              "Internal error: Invalid image format");
    EXPECT_TRUE(picture.GetEmpty());
    EXPECT_EQ(picture.BitmapInfo().bmiHeader.biSize, 0u);
    EXPECT_EQ(errorText([&] { picture.SetWidth(5); }), "Dimensions must be change with the NewImage method");
    EXPECT_EQ(errorText([&] { picture.SetHeight(5); }), "Dimensions must be change with the NewImage method");
}

TEST(DibGraphic, LargePictureWorks)
{
    TDibGraphic picture;
    picture.NewImage(8000, 8000, ifTrueColor, nullptr, 0, 0);
    picture.SetPixelRGB(7999, 7999, 0x123456);
    picture.SetPixelRGB(0, 0, 0x654321);
    EXPECT_EQ(picture.GetPixelRGB(7999, 7999), 0x123456u);
    EXPECT_EQ(picture.Bits()[picture.RowBytes() * 7999], 0x21);
}

TEST(DibGraphic, AssignPictureCopiesPixelsPaletteAndResolution)
{
    TDibGraphic source;
    const TLogPalette palette = paletteOf({0x102030, 0x405060, 0x708090});
    source.NewImage(7, 5, ifColor256, &palette, 0, 0);
    source.SetAnimationInterval(50);
    source.SetXDpi(0); // must stay 0 rather than become the screen's
    source.SetYDpi(150);
    source.SetPixelIndex(6, 4, 2);
    source.SetPixelIndex(0, 0, 1);

    TDibGraphic copy;
    copy.AssignPicture(&source);
    EXPECT_EQ(copy.GetWidth(), 7);
    EXPECT_EQ(copy.GetHeight(), 5);
    EXPECT_EQ(copy.ImageFormat(), ifColor256);
    EXPECT_EQ(copy.LogPalette().palNumEntries, 3);
    EXPECT_EQ(copy.XDpi(), 0);
    EXPECT_EQ(copy.YDpi(), 150);
    EXPECT_EQ(copy.AnimationInterval(), 50);
    EXPECT_EQ(std::memcmp(copy.Bits(), source.Bits(), 5 * source.RowBytes()), 0);
    EXPECT_EQ(copy.GetPixelRGB(6, 4), 0x708090u);

    TDibGraphic empty;
    copy.AssignPicture(&empty);
    EXPECT_TRUE(copy.GetEmpty());
    EXPECT_EQ(copy.GetWidth(), 0);
    copy.AssignPicture(&source);
    copy.AssignPicture(nullptr);
    EXPECT_TRUE(copy.GetEmpty());
}

// Re-creating a picture with its own palette must not lose the palette on the way.
TEST(DibGraphic, NewImageWithItsOwnPalette)
{
    const TLogPalette palette = paletteOf({0x112233, 0x445566});
    TDibGraphic picture;
    picture.NewImage(2, 2, ifColor16, &palette, 0, 0);
    picture.NewImage(3, 3, picture.ImageFormat(), &picture.LogPalette(), 0, 0);
    EXPECT_EQ(picture.LogPalette().palNumEntries, 2);
    EXPECT_EQ(picture.LogPalette().palPalEntry[1], (TPaletteEntry{0x44, 0x55, 0x66, 0}));
    EXPECT_EQ(picture.BitmapInfo().bmiColors[1], (gdi::RgbQuad{0x66, 0x55, 0x44, 0}));
    picture.SetPixelRGB(0, 0, 0x405060);
    EXPECT_EQ(picture.GetPixelIndex(0, 0), 1u);
}

TEST(DibGraphic, RegistryIsCaseInsensitive)
{
    static const TDibGraphicClass tiffClass{QStringLiteral("TTestTiffGraphic"),
                                            [] { return std::make_unique<TDibGraphic>(); }};
    TDibGraphic::RegisterGraphicFormat(QStringLiteral("tif"), QStringLiteral("Test TIFF"), &tiffClass);
    TDibGraphic::RegisterGraphicFormat(QStringLiteral("NOEXT"), QStringLiteral("Whole name"), &tiffClass);
    EXPECT_EQ(TDibGraphic::FindGraphicClass(QStringLiteral("dir.x/picture.TIF")), &tiffClass);
    EXPECT_EQ(TDibGraphic::FindGraphicClass(QStringLiteral("picture.tif")), &tiffClass);
    EXPECT_EQ(TDibGraphic::FindGraphicClass(QStringLiteral("noext")), &tiffClass);
    EXPECT_EQ(TDibGraphic::FindGraphicClass(QStringLiteral("picture.xyz")), nullptr);
    EXPECT_NE(TDibGraphic::CreateGraphicForFile(QStringLiteral("a.Tif")), nullptr);
    EXPECT_EQ(errorText([] { TDibGraphic::CreateGraphicForFile(QStringLiteral("a.Xyz")); }),
              "Graphic files of .Xyz format are not supported or not registered");
}

TEST(DibGraphic, FrameOutOfRange)
{
    TDibGraphic picture;
    EXPECT_EQ(errorText([&] { picture.Frame(1); }), "Frame 1 does not exist");
    EXPECT_EQ(errorText([&] { picture.Frame(0); }), "Frame 0 does not exist");
}

TEST(DibGraphic, SwapImageExchangesContentAndKeepsPictureState)
{
    TDibGraphic colour;
    colour.NewImage(4, 3, ifTrueColor, nullptr, 72, 96);
    colour.SetPixelRGB(2, 1, 0x123456);
    colour.SetAnimationInterval(50);
    colour.SetImageIndex(3);
    colour.SetMultiImage(true);
    TCanvas* colourCanvas = colour.Canvas();
    const uint8_t* colourBits = colour.Bits();

    const TLogPalette palette = paletteOf({0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
    TDibGraphic indexed;
    indexed.NewImage(7, 2, ifGray16, &palette, 300, 300);
    indexed.SetPixelIndex(6, 0, 2);

    colour.SwapImage(indexed);

    EXPECT_EQ(colour.GetWidth(), 7);
    EXPECT_EQ(colour.GetHeight(), 2);
    EXPECT_EQ(colour.ImageFormat(), ifGray16);
    EXPECT_EQ(colour.XDpi(), 300);
    EXPECT_EQ(colour.LogPalette().palNumEntries, 4);
    EXPECT_EQ(colour.GetPixelIndex(6, 0), 2u);
    EXPECT_EQ(colour.GetPixelRGB(6, 0), 0x00FF00u);
    EXPECT_EQ(indexed.GetWidth(), 4);
    EXPECT_EQ(indexed.ImageFormat(), ifTrueColor);
    EXPECT_EQ(indexed.XDpi(), 72);
    EXPECT_EQ(indexed.YDpi(), 96);
    EXPECT_EQ(indexed.GetPixelRGB(2, 1), 0x123456u);
    EXPECT_EQ(indexed.Bits(), colourBits);
    EXPECT_EQ(indexed.Canvas(), colourCanvas);
    EXPECT_EQ(indexed.PaletteHandle(), nullptr);
    EXPECT_NE(colour.PaletteHandle(), nullptr);

    // Picture state is not part of the image.
    EXPECT_EQ(colour.AnimationInterval(), 50);
    EXPECT_EQ(colour.ImageIndex(), 3);
    EXPECT_TRUE(colour.MultiImage());
    EXPECT_EQ(indexed.AnimationInterval(), 200);
    EXPECT_EQ(indexed.ImageIndex(), 1);

    // Colour matching follows the palette that came along, not the record left behind.
    colour.SetPixelRGB(0, 1, 0x0000F0);
    EXPECT_EQ(colour.GetPixelIndex(0, 1), 3u);
    indexed.SwapImage(colour);
    indexed.SetPixelRGB(1, 1, 0xF00000);
    EXPECT_EQ(indexed.GetPixelIndex(1, 1), 1u);
    EXPECT_EQ(indexed.GetPixelIndex(0, 1), 3u);
    indexed.SwapImage(colour);

    // Each canvas draws into the pixels it came with.
    colour.Canvas()->SetPixels(1, 0, TColor(0x000000FF));
    EXPECT_EQ(colour.GetPixelRGB(1, 0), 0xFF0000u);
    indexed.Canvas()->SetPixels(0, 0, TColor(0x00332211));
    EXPECT_EQ(indexed.GetPixelRGB(0, 0), 0x112233u);
    EXPECT_EQ(colour.GetPixelIndex(0, 0), 0u);

    TDibGraphic empty;
    empty.SwapImage(colour);
    EXPECT_TRUE(colour.GetEmpty());
    EXPECT_EQ(colour.Canvas(), nullptr);
    EXPECT_EQ(colour.Converter(), nullptr);
    EXPECT_EQ(empty.GetPixelIndex(6, 0), 2u);
    empty.SwapImage(empty);
    EXPECT_EQ(empty.GetWidth(), 7);
}

// Renders of a picture are kept while its change count stays, and only the rows of a change
// are rendered again; so every way of writing must move the count and name at least the rows
// written, and reading must not move it, or renders would be thrown away for nothing.
TEST(DibGraphic, ChangeCountMovesOnEveryWayOfWritingAndOnlyThen)
{
    const gdi::RowRange all = gdi::RowRange::all();
    const gdi::RowRange none;
    struct Case {
        const char* name;
        gdi::RowRange rows; // empty: no change
        std::function<void(TDibGraphic&, TCanvas& heldCanvas)> action;
    };
    const std::vector<Case> cases = {
        {"SetPixelRGB", {1, 1}, [](TDibGraphic& p, TCanvas&) { p.SetPixelRGB(1, 1, 0x102030); }},
        {"writable row", {2, 2}, [](TDibGraphic& p, TCanvas&) { p.ScanLine(2)[0] = 7; }},
        {"writable bits", all, [](TDibGraphic& p, TCanvas&) { p.Bits()[0] = 7; }},
        {"canvas taken before", {1, 2}, [](TDibGraphic&, TCanvas& c) { c.FillRect(TRect{0, 1, 3, 3}); }},
        {"surface pixel", {3, 3}, [](TDibGraphic& p, TCanvas&) { p.DibSection()->setRawPixel(0, 3, 5); }},
        {"new image", all, [](TDibGraphic& p, TCanvas&) { p.NewImage(8, 4, ifTrueColor, nullptr, 96, 96); }},
        {"free image", all, [](TDibGraphic& p, TCanvas&) { p.FreeImage(); }},
        {"swap", all, [](TDibGraphic& p, TCanvas&) {
             TDibGraphic other;
             other.NewImage(8, 4, ifTrueColor, nullptr, 96, 96);
             (void)other.ChangeCount();
             p.SwapImage(other);
         }},
        {"assign", all, [](TDibGraphic& p, TCanvas&) {
             TDibGraphic other;
             other.NewImage(2, 2, ifColor16, nullptr, 96, 96);
             p.AssignPicture(&other);
         }},
        {"read pixels", none, [](TDibGraphic& p, TCanvas&) {
             const TDibGraphic& read = p;
             (void)read.GetPixelRGB(1, 1);
             (void)read.ScanLine(0)[0];
             (void)read.Bits()[0];
         }},
        {"drawn elsewhere", none, [](TDibGraphic& p, TCanvas&) {
             TDibGraphic target;
             target.NewImage(8, 4, ifTrueColor, nullptr, 96, 96);
             p.Draw(*target.Canvas(), TRect{0, 0, 8, 4});
         }},
    };
    for (const Case& c : cases) {
        TDibGraphic picture;
        picture.NewImage(8, 4, ifTrueColor, nullptr, 96, 96);
        TCanvas& canvas = *picture.Canvas();
        const uint64_t before = picture.ChangeCount();
        EXPECT_EQ(picture.ChangeCount(), before) << c.name << ": nothing happened between two readings";
        c.action(picture, canvas);
        const uint64_t after = picture.ChangeCount();
        EXPECT_EQ(after, before + (c.rows.empty() ? 0 : 1)) << c.name;
        if (!c.rows.empty()) {
            EXPECT_EQ(picture.RowsOfLastChange().first, c.rows.first) << c.name;
            EXPECT_EQ(picture.RowsOfLastChange().last, c.rows.last) << c.name;
        }
    }
}
