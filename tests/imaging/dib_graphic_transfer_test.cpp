#include "imaging/dib_graphic.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/icon.h"
#include "platform/framework/picture.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"
#include "platform/gdi/device_context.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

QString errorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

void put16(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// A packed DIB: 40-byte header, then `extra` (colour table or masks), then the rows.
std::vector<uint8_t> packedDib(int width, int height, int bits, uint32_t compression, uint32_t coloursUsed,
                               const std::vector<uint8_t>& extra, const std::vector<uint8_t>& rows,
                               uint32_t imageSize = 0, int32_t pelsPerMeter = 3780)
{
    std::vector<uint8_t> b(40);
    put32(b, 0, 40);
    put32(b, 4, uint32_t(width));
    put32(b, 8, uint32_t(height));
    put16(b, 12, 1);
    put16(b, 14, uint16_t(bits));
    put32(b, 16, compression);
    put32(b, 20, imageSize);
    put32(b, 24, uint32_t(pelsPerMeter));
    put32(b, 28, uint32_t(pelsPerMeter));
    put32(b, 32, coloursUsed);
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

// A picture that reads "images" from a stream: image i is i pixels wide, 1 high, and the
// stream position it starts from is recorded.
class TCountingGraphic : public TDibGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TCountingGraphic"); }
    std::unique_ptr<TDibGraphic> NewInstance() const override
    {
        auto p = std::make_unique<TCountingGraphic>();
        p->images = images;
        return p;
    }
    int32_t GetImageCount(TStream& stream) override
    {
        stream.Seek(5, soCurrent); // counting moves the stream; readers must be put back
        return images;
    }
    void ReadImage(TStream& stream, int32_t index) override
    {
        readFrom = stream.Position();
        NewImage(index, 1, ifTrueColor, nullptr, 0, 0);
        SetPixelRGB(0, 0, uint32_t(index));
    }
    int32_t images = 3;
    int64_t readFrom = -1;
};

} // namespace

TEST(PackedDib, EightBitsWithColoursUsedZeroTakesAllEntries)
{
    std::vector<uint8_t> table(256 * 4);
    for (int i = 0; i < 256; ++i) {
        table[4 * i] = uint8_t(i);           // blue
        table[4 * i + 1] = uint8_t(255 - i); // green
        table[4 * i + 2] = uint8_t(i / 2);   // red
    }
    // 3 x 2: rows of 4 bytes, bottom row first.
    const std::vector<uint8_t> rows = {10, 20, 30, 0, 40, 50, 60, 0};
    TDibGraphic picture;
    picture.LoadFromHDIB(packedDib(3, 2, 8, 0, 0, table, rows));
    EXPECT_EQ(picture.ImageFormat(), ifColor256);
    EXPECT_EQ(picture.LogPalette().palNumEntries, 256);
    EXPECT_EQ(picture.LogPalette().palPalEntry[200], (TPaletteEntry{100, 55, 200, 0}));
    EXPECT_EQ(picture.GetPixelIndex(0, 0), 40u);
    EXPECT_EQ(picture.GetPixelIndex(2, 1), 30u);
    EXPECT_EQ(picture.GetPixelRGB(0, 1), (5u << 16) | (245u << 8) | 10u);
    EXPECT_EQ(picture.XDpi(), 96);
}

TEST(PackedDib, TwentyFourBitsCopiedAsTheyAre)
{
    // 2 x 2, rows of 8 bytes; bottom row: blue, green; top row: red, white.
    const std::vector<uint8_t> rows = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
    TDibGraphic picture;
    picture.LoadFromHDIB(packedDib(2, 2, 24, 0, 0, {}, rows, 0, 11811));
    EXPECT_EQ(picture.ImageFormat(), ifTrueColor);
    EXPECT_EQ(picture.GetPixelRGB(0, 0), 0xFF0000u);
    EXPECT_EQ(picture.GetPixelRGB(1, 0), 0xFFFFFFu);
    EXPECT_EQ(picture.GetPixelRGB(0, 1), 0x0000FFu);
    EXPECT_EQ(picture.GetPixelRGB(1, 1), 0x00FF00u);
    EXPECT_EQ(picture.XDpi(), 300);

    // Top-down rows (negative height) give the same picture.
    const std::vector<uint8_t> topDown = {0, 0, 255, 255, 255, 255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0};
    TDibGraphic flipped;
    flipped.LoadFromHDIB(packedDib(2, -2, 24, 0, 0, {}, topDown));
    EXPECT_EQ(flipped.GetHeight(), 2);
    EXPECT_EQ(std::memcmp(flipped.Bits(), picture.Bits(), 16), 0);

    // A colour table in front of true-colour rows is skipped, not read as pixels.
    TDibGraphic withTable;
    withTable.LoadFromHDIB(packedDib(2, 2, 24, 0, 2, std::vector<uint8_t>(8, 0x77), rows));
    EXPECT_EQ(std::memcmp(withTable.Bits(), picture.Bits(), 16), 0);
}

TEST(PackedDib, ThirtyTwoAndSixteenBitsBecomeTrueColourWithMasksHonoured)
{
    struct Case {
        const char* name;
        int bits;
        uint32_t compression;
        std::vector<uint8_t> masks;
        std::vector<uint8_t> rows; // one row of two pixels: red, then blue
    };
    auto masks = [](uint32_t r, uint32_t g, uint32_t b) {
        std::vector<uint8_t> m(12);
        put32(m, 0, r);
        put32(m, 4, g);
        put32(m, 8, b);
        return m;
    };
    const Case cases[] = {
        {"32 bits plain", 32, 0, {}, {0, 0, 255, 0, 255, 0, 0, 0}},
        {"32 bits, red in the low byte", 32, 3, masks(0x000000FF, 0x0000FF00, 0x00FF0000), {255, 0, 0, 0, 0, 0, 255, 0}},
        {"16 bits 5-5-5", 16, 0, {}, {0x00, 0x7C, 0x1F, 0x00}},
        {"16 bits 5-6-5", 16, 3, masks(0xF800, 0x07E0, 0x001F), {0x00, 0xF8, 0x1F, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDibGraphic picture;
        picture.LoadFromHDIB(packedDib(2, 1, c.bits, c.compression, 0, c.masks, c.rows, uint32_t(c.rows.size())));
        EXPECT_EQ(picture.ImageFormat(), ifTrueColor);
        EXPECT_EQ(picture.GetWidth(), 2);
        EXPECT_EQ(picture.GetPixelRGB(0, 0), 0xFF0000u);
        EXPECT_EQ(picture.GetPixelRGB(1, 0), 0x0000FFu);
    }
}

// Short or lying blocks are refused before the picture changes.
TEST(PackedDib, BadBlocksAreRefused)
{
    const std::vector<uint8_t> table16(16 * 4);
    struct Case {
        const char* name;
        std::vector<uint8_t> block;
        const char* error;
    };
    std::vector<uint8_t> headerLies = packedDib(4, 4, 8, 0, 0, std::vector<uint8_t>(1024), std::vector<uint8_t>(16));
    put32(headerLies, 0, 4000);
    const Case cases[] = {
        {"shorter than a header", std::vector<uint8_t>(20), "Invalid HDIB"},
        {"rows cut short", packedDib(4, 4, 24, 0, 0, {}, std::vector<uint8_t>(40)), "Invalid HDIB"},
        {"huge height", packedDib(4, 0x7FFFFFFF, 24, 0, 0, {}, std::vector<uint8_t>(64)), "Invalid HDIB"},
        {"colour table cut short", packedDib(4, 1, 8, 0, 200, table16, {}), "Invalid HDIB"},
        {"more colours than the depth holds", packedDib(4, 1, 4, 0, 17, std::vector<uint8_t>(68), std::vector<uint8_t>(4)),
         "Invalid HDIB"},
        {"header size past the block", headerLies, "Invalid HDIB"},
        {"zero width", packedDib(0, 4, 24, 0, 0, {}, std::vector<uint8_t>(64)), "Invalid HDIB"},
        {"compressed without image size", packedDib(4, 4, 8, 1, 0, std::vector<uint8_t>(1024), {0, 1}), "Invalid HDIB"},
        {"two bits", packedDib(4, 1, 2, 0, 0, std::vector<uint8_t>(16), std::vector<uint8_t>(4)),
         "Unsupported bit count"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDibGraphic picture;
        picture.NewImage(3, 3, ifColor16, nullptr, 0, 0);
        picture.SetPixelIndex(1, 1, 9);
        EXPECT_EQ(errorText([&] { picture.LoadFromHDIB(c.block); }), c.error);
        EXPECT_EQ(picture.GetWidth(), 3);
        EXPECT_EQ(picture.GetPixelIndex(1, 1), 9u);
    }
}

TEST(BitmapHandle, DescribesDibSectionsAndDeviceBitmaps)
{
    TDibGraphic picture;
    EXPECT_EQ(errorText([&] { picture.LoadFromBitmapHandle(nullptr); }), "Invalid bitmap");

    // An 8-bit DIB section with a 3-entry table keeps those 3 colours and its resolution.
    const gdi::RgbQuad table[3] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
    auto section = std::make_shared<BitmapObject>();
    section->surface = std::make_shared<gdi::DibSurface>(5, 2, 8, table);
    section->surface->setRawPixel(4, 1, 2);
    section->xPelsPerMeter = 2835;
    section->yPelsPerMeter = 0;
    picture.LoadFromBitmapHandle(section);
    EXPECT_EQ(picture.ImageFormat(), ifColor256);
    EXPECT_EQ(picture.LogPalette().palNumEntries, 3);
    EXPECT_EQ(picture.GetPixelRGB(4, 1), 0x0000FFu);
    EXPECT_EQ(picture.GetPixelRGB(0, 0), 0xFF0000u);
    EXPECT_EQ(picture.XDpi(), 72);
    EXPECT_EQ(picture.YDpi(), 96);

    // A 32-bit device bitmap becomes true colour at the screen's resolution.
    auto device = std::make_shared<BitmapObject>();
    device->surface = std::make_shared<gdi::DibSurface>(3, 2, 32);
    device->surface->setRawPixel(2, 0, 0x123456);
    device->surface->setRawPixel(0, 1, 0xABCDEF);
    device->dibSection = false;
    device->xPelsPerMeter = 1000;
    picture.LoadFromBitmapHandle(device);
    EXPECT_EQ(picture.ImageFormat(), ifTrueColor);
    EXPECT_EQ(picture.RowBytes(), 12);
    EXPECT_EQ(picture.GetPixelRGB(2, 0), 0x123456u);
    EXPECT_EQ(picture.GetPixelRGB(0, 1), 0xABCDEFu);
    EXPECT_EQ(picture.XDpi(), 96);

    // A monochrome device bitmap without a table is black and white.
    auto mono = std::make_shared<BitmapObject>();
    mono->surface = std::make_shared<gdi::DibSurface>(9, 1, 1);
    mono->surface->setRawPixel(8, 0, 1);
    mono->dibSection = false;
    picture.LoadFromBitmapHandle(mono);
    EXPECT_EQ(picture.ImageFormat(), ifBlackWhite);
    EXPECT_EQ(picture.GetPixelRGB(8, 0), 0xFFFFFFu);
}

TEST(Clipboard, FormatsAndBitmaps)
{
    TDibGraphic picture;
    EXPECT_EQ(errorText([&] { picture.LoadFromClipboardFormat(8, std::make_shared<BitmapObject>(), nullptr); }),
              "Unknown clipboard format, 8");
    EXPECT_EQ(errorText([&] { picture.LoadFromClipboardFormat(CF_BITMAP, nullptr, nullptr); }),
              "Unknown clipboard format, 2");

    unsigned short format = 0;
    HBITMAP data;
    const HPALETTE given = std::make_shared<PaletteObject>();
    HPALETTE palette = given;
    EXPECT_EQ(errorText([&] { picture.SaveToClipboardFormat(format, data, palette); }),
              "CopyBitmap: CreateBitmap failed");

    picture.NewImage(10, 3, ifBlackWhite, nullptr, 0, 0);
    picture.SetPixelIndex(9, 2, 1);
    picture.SaveToClipboardFormat(format, data, palette);
    EXPECT_EQ(format, CF_BITMAP);
    EXPECT_EQ(palette, given);
    ASSERT_TRUE(data && data->surface);
    EXPECT_FALSE(data->dibSection);
    EXPECT_EQ(data->surface->bitsPerPixel(), 1);
    EXPECT_EQ(data->surface->rawPixel(9, 2), 1u);
    EXPECT_EQ(data->surface->rawPixel(8, 2), 0u);

    TDibGraphic colour;
    colour.NewImage(4, 2, ifColor16, nullptr, 0, 0);
    colour.SetPixelIndex(3, 1, 12); // (255, 85, 85)
    colour.SaveToClipboardFormat(format, data, palette);
    EXPECT_EQ(data->surface->bitsPerPixel(), 32);
    EXPECT_EQ(data->surface->rawPixel(3, 1), 0xFF5555u);

    // Pasting it back gives a true-colour picture of the same colours.
    TDibGraphic pasted;
    pasted.LoadFromClipboardFormat(CF_BITMAP, data, nullptr);
    EXPECT_EQ(pasted.ImageFormat(), ifTrueColor);
    EXPECT_EQ(pasted.GetPixelRGB(3, 1), 0xFF5555u);
    EXPECT_EQ(pasted.GetPixelRGB(0, 0), 0u);
}

TEST(DrawPicture, UnscaledAndScaled)
{
    TDibGraphic source;
    source.NewImage(2, 2, ifTrueColor, nullptr, 0, 0);
    source.SetPixelRGB(0, 0, 0xFF0000);
    source.SetPixelRGB(1, 0, 0x00FF00);
    source.SetPixelRGB(0, 1, 0x0000FF);
    source.SetPixelRGB(1, 1, 0xFFFFFF);
    int draws = 0;
    source.OnDraw = [&](TObject* sender) {
        EXPECT_EQ(sender, &source);
        ++draws;
    };

    TDibGraphic target;
    target.NewImage(20, 20, ifTrueColor, nullptr, 0, 0);
    source.Draw(*target.Canvas(), TRect{10, 10, 12, 12});
    EXPECT_EQ(target.GetPixelRGB(10, 10), 0xFF0000u);
    EXPECT_EQ(target.GetPixelRGB(11, 11), 0xFFFFFFu);
    EXPECT_EQ(target.GetPixelRGB(12, 12), 0u);
    EXPECT_EQ(target.GetPixelRGB(9, 10), 0u);

    source.Draw(*target.Canvas(), TRect{0, 0, 4, 4});
    EXPECT_EQ(target.GetPixelRGB(0, 0), 0xFF0000u);
    EXPECT_EQ(target.GetPixelRGB(1, 1), 0xFF0000u);
    EXPECT_EQ(target.GetPixelRGB(2, 1), 0x00FF00u);
    EXPECT_EQ(target.GetPixelRGB(1, 3), 0x0000FFu);
    EXPECT_EQ(target.GetPixelRGB(3, 3), 0xFFFFFFu);
    EXPECT_EQ(target.GetPixelRGB(4, 4), 0u);
    EXPECT_EQ(draws, 2);
    EXPECT_EQ(target.MemoryDC()->GetStretchBltMode(), gdi::COLORONCOLOR);

    // A palettised picture draws its palette colours.
    TDibGraphic indexed;
    indexed.NewImage(3, 1, ifColor16, nullptr, 0, 0);
    indexed.SetPixelIndex(2, 0, 4);
    indexed.Draw(*target.Canvas(), TRect{5, 0, 8, 1});
    EXPECT_EQ(target.GetPixelRGB(7, 0), 0xAA0000u);
    EXPECT_EQ(target.GetPixelRGB(5, 0), 0u);
    EXPECT_EQ(target.MemoryDC()->GetStretchBltMode(), gdi::HALFTONE);
}

TEST(Frames, MultiImageStreamFillsFramesAndShowsTheFirst)
{
    TCountingGraphic picture;
    picture.SetAnimated(true);
    picture.SetMultiImage(true);
    TMemoryStream stream;
    const uint8_t bytes[16] = {};
    stream.WriteBuffer(bytes, 16);
    stream.SetPosition(2);
    picture.LoadFromStream(stream);
    ASSERT_EQ(picture.FrameCount(), 3);
    EXPECT_TRUE(picture.Animated());
    EXPECT_EQ(picture.CurrentFrame(), 1);
    EXPECT_EQ(picture.GetWidth(), 1);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(picture.Frame(i)->GetWidth(), i);
        EXPECT_EQ(static_cast<TCountingGraphic*>(picture.Frame(i))->readFrom, 2) << "every image is read from the start";
    }
    picture.SetCurrentFrame(3);
    EXPECT_EQ(picture.GetWidth(), 3);
    EXPECT_EQ(picture.GetPixelRGB(0, 0), 3u);
    picture.SetAnimated(false);

    // Setting the present frame does nothing, even when the picture changed meanwhile.
    picture.NewImage(7, 7, ifGray16, nullptr, 0, 0);
    picture.SetCurrentFrame(3);
    EXPECT_EQ(picture.GetWidth(), 7);
    EXPECT_EQ(errorText([&] { picture.SetCurrentFrame(0); }), "Frame 0 does not exist");
    EXPECT_EQ(errorText([&] { picture.SetCurrentFrame(4); }), "Frame 4 does not exist");
    EXPECT_EQ(picture.CurrentFrame(), 3);
    EXPECT_EQ(errorText([&] { picture.AppendToStream(stream); }),
              "The TCountingGraphic format does not support multiple images");
}

TEST(Frames, SingleImageStreamReadsImageIndex)
{
    TCountingGraphic picture;
    picture.images = 1;
    picture.SetMultiImage(true);
    picture.SetImageIndex(5);
    TMemoryStream stream;
    picture.LoadFromStream(stream);
    EXPECT_FALSE(picture.MultiImage());
    EXPECT_EQ(picture.FrameCount(), 0);
    EXPECT_EQ(picture.GetWidth(), 5);

    TDibGraphic plain;
    plain.SaveToStream(stream);
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(errorText([&] { plain.AppendToStream(stream); }), "The TDibGraphic format does not support multiple images");
}


TEST(Frames, AnimationStepsThroughTheFramesAndWraps)
{
    TCountingGraphic picture;
    picture.SetMultiImage(true);
    TMemoryStream stream;
    picture.LoadFromStream(stream);
    picture.SetAnimationInterval(1);
    picture.SetAnimated(true);
    std::vector<int> shown;
    QElapsedTimer clock;
    clock.start();
    while (shown.size() < 4 && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (shown.empty() || shown.back() != picture.CurrentFrame())
            shown.push_back(picture.CurrentFrame());
    }
    picture.SetAnimated(false);
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 1}));
}

TEST(Clipboard, SystemClipboardRoundTrip)
{
    TDibGraphic picture;
    picture.NewImage(6, 3, ifColor256, nullptr, 0, 0);
    picture.SetPixelIndex(5, 2, 4);  // (170, 0, 0)
    picture.SetPixelIndex(0, 0, 31); // white
    picture.SaveToClipboard();

    TDibGraphic pasted;
    pasted.LoadFromClipboard();
    EXPECT_EQ(pasted.ImageFormat(), ifTrueColor);
    ASSERT_EQ(pasted.GetWidth(), 6);
    ASSERT_EQ(pasted.GetHeight(), 3);
    EXPECT_EQ(pasted.GetPixelRGB(5, 2), 0xAA0000u);
    EXPECT_EQ(pasted.GetPixelRGB(0, 0), 0xFFFFFFu);
    EXPECT_EQ(pasted.GetPixelRGB(1, 1), 0u);
}

// Damaged blocks of every kind either load or raise the picture or framework error; none may
// read outside the block (the sanitizers watch).
TEST(PackedDib, DamagedBlocksNeverReadOutside)
{
    std::vector<std::vector<uint8_t>> seeds;
    seeds.push_back(packedDib(5, 3, 8, 0, 4, std::vector<uint8_t>(16, 7), std::vector<uint8_t>(24, 3)));
    seeds.push_back(packedDib(5, -3, 24, 0, 0, {}, std::vector<uint8_t>(48, 9)));
    seeds.push_back(packedDib(3, 2, 32, 0, 0, {}, std::vector<uint8_t>(24, 200), 24));
    seeds.push_back(packedDib(4, 2, 8, 1, 2, std::vector<uint8_t>(8, 1), {4, 1, 0, 0, 2, 0, 0, 1}, 8)); // RLE8
    seeds.push_back(packedDib(4, 2, 4, 2, 0, std::vector<uint8_t>(64, 1), {4, 0x12, 0, 0, 0, 1}, 6));  // RLE4
    // Run-length data may rightly describe a large blank picture; keep those small here.
    PictureSizePolicy::setMaxBytes(1 << 20);
    std::mt19937 random(99);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> block = seeds[round % seeds.size()];
        const int changes = 1 + int(random() % 4);
        for (int k = 0; k < changes; ++k) {
            switch (random() % 3) {
            case 0:
                block[random() % block.size()] = uint8_t(random());
                break;
            case 1:
                block.resize(random() % (block.size() + 1));
                if (block.empty())
                    block.push_back(0);
                break;
            default: // a header field set to an extreme value
                if (block.size() >= 40)
                    put32(block, (random() % 10) * 4, random() % 2 ? 0xFFFFFFFFu : 0x7FFFFFFFu);
                break;
            }
        }
        TDibGraphic picture;
        try {
            picture.LoadFromHDIB(block);
        } catch (const Exception&) {
        }
    }
    PictureSizePolicy::setMaxBytes(0);
}

TEST(AssignPicture, FrameworkBitmapsBothWays)
{
    TDibGraphic picture;
    picture.NewImage(5, 4, ifColor16, nullptr, 0, 0);
    picture.SetPixelIndex(4, 3, 12); // (255, 85, 85)
    picture.SetPixelIndex(0, 0, 1);  // (0, 0, 170)

    TBitmap bitmap;
    bitmap.Assign(&picture);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 4);
    ASSERT_NE(bitmap.Surface(), nullptr);
    EXPECT_EQ(bitmap.Surface()->rawPixel(4, 3), 0xFF5555u);
    EXPECT_EQ(bitmap.Surface()->rawPixel(0, 0), 0x0000AAu);
    EXPECT_EQ(bitmap.Surface()->rawPixel(1, 0), 0u);

    TDibGraphic back;
    back.Assign(&bitmap);
    EXPECT_EQ(back.ImageFormat(), ifTrueColor);
    EXPECT_EQ(back.GetWidth(), 5);
    EXPECT_EQ(back.GetPixelRGB(4, 3), 0xFF5555u);
    EXPECT_EQ(back.GetPixelRGB(0, 0), 0x0000AAu);

    TPen pen;
    EXPECT_EQ(errorText([&] { pen.Assign(&picture); }), "Cannot assign a TDibGraphic to a TPen");
}

TEST(AssignPicture, RegisteredExtensionsReachThePictureHolder)
{
    TDibGraphic::RegisterGraphicFormat(QStringLiteral("dibtest"), QStringLiteral("Test pictures"),
                                       DibGraphicClassOf<TDibGraphic>());
    EXPECT_NE(TPicture::FindFileFormat(QStringLiteral("DIBTEST")), nullptr);
    EXPECT_EQ(TDibGraphic::FindGraphicClass(QStringLiteral("x.DibTest"))->ClassName, "TDibGraphic");
    TDibGraphic picture;
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_BITMAP));
}

namespace {

// A 2 x 2 icon of 32 bits: top row red and transparent, bottom row green and blue.
std::vector<uint8_t> smallIcon()
{
    std::vector<uint8_t> ico(6 + 16);
    put16(ico, 2, 1);
    put16(ico, 4, 1);
    ico[6] = 2;
    ico[7] = 2;
    put16(ico, 10, 1);
    put16(ico, 12, 32);
    const uint32_t dataSize = 40 + 16 + 8;
    put32(ico, 14, dataSize);
    put32(ico, 18, 22);
    std::vector<uint8_t> header = packedDib(2, 4, 32, 0, 0, {}, {}, 0, 0);
    ico.insert(ico.end(), header.begin(), header.end());
    const uint8_t pixels[16] = {0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 0, 0}; // bottom row first
    ico.insert(ico.end(), pixels, pixels + 16);
    ico.insert(ico.end(), 8, 0); // AND mask
    return ico;
}

} // namespace

TEST(AssignPicture, OtherGraphicsDrawOnBlack)
{
    TIcon icon;
    TMemoryStream stream;
    stream.WriteBuffer(smallIcon());
    stream.SetPosition(0);
    icon.LoadFromStream(stream);
    ASSERT_EQ(icon.Width(), 2);

    TDibGraphic picture;
    picture.NewImage(9, 9, ifColor16, nullptr, 0, 0);
    picture.Assign(&icon);
    EXPECT_EQ(picture.ImageFormat(), ifTrueColor);
    EXPECT_EQ(picture.GetWidth(), 2);
    EXPECT_EQ(picture.GetPixelRGB(0, 0), 0xFF0000u);
    EXPECT_EQ(picture.GetPixelRGB(1, 0), 0u); // transparent: the black the picture starts with
    EXPECT_EQ(picture.GetPixelRGB(0, 1), 0x00FF00u);
    EXPECT_EQ(picture.GetPixelRGB(1, 1), 0x0000FFu);

    // Without an icon writer installed there is no way to an icon.
    EXPECT_EQ(errorText([&] { icon.Assign(&picture); }), "Cannot assign a TDibGraphic to a TIcon");
}
