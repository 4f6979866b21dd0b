// The PNG picture class against the PNG suite, its choice of picture format, and write-then-read
// of every picture format.
#include "imaging/formats/png_graphic.h"

#include "format_test_util.h"
#include "imaging/formats/picture_formats.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/picture.h"
#include "platform/framework/png_codec.h"
#include "platform/framework/stream.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

// A corpus of another program's test pictures, used only as test data.
const QString kSuiteDir = QStringLiteral(PICTAVO_CORPORA_DIR "/pngsuite/png");

std::vector<std::string> suiteFiles(bool corrupt)
{
    std::vector<std::string> names;
    for (const QString& name : QDir(kSuiteDir).entryList({"*.png"}, QDir::Files, QDir::Name))
        if (name.startsWith('x') == corrupt)
            names.push_back(name.chopped(4).toStdString());
    return names;
}

std::string plainName(const testing::TestParamInfo<std::string>& info)
{
    return info.param;
}

} // namespace

class PngSuiteGood : public testing::TestWithParam<std::string> {};

// The reference is Qt's own reader, composited over white the same way.
TEST_P(PngSuiteGood, DecodesToTheReferencePixelsOverWhite)
{
    const QString path = kSuiteDir + "/" + QString::fromStdString(GetParam()) + ".png";
    TPngGraphic picture;
    picture.LoadFromFile(path);
    if (GetParam() == "tbbn2c16" || GetParam() == "tbgn2c16") {
        // Qt's reader misreads 16-bit colour-key files; these samples were worked out from the
        // file's rows by hand (the key colour is white, so it stays white).
        const struct {
            int x, y;
            uint32_t rgb;
        } samples[] = {{0, 0, 0xFFFFFF}, {8, 4, 0xEEEEEE}, {12, 4, 0x6B5D5D}, {16, 4, 0x850000},
                       {28, 8, 0x525252}, {24, 12, 0x000092}, {8, 16, 0x00F300}};
        for (const auto& s : samples)
            EXPECT_EQ(picture.GetPixelRGB(s.x, s.y), s.rgb) << s.x << "," << s.y;
        return;
    }
    const QImage reference(path);
    ASSERT_FALSE(reference.isNull());
    ASSERT_EQ(picture.GetWidth(), reference.width());
    ASSERT_EQ(picture.GetHeight(), reference.height());
    // Sixteen-bit alpha is composited after scaling to eight bits here, before it in Qt.
    EXPECT_LE(maxDifference(picture, reference), 1);
}

INSTANTIATE_TEST_SUITE_P(PngSuite, PngSuiteGood, testing::ValuesIn(suiteFiles(false)), plainName);

class PngSuiteCorrupt : public testing::TestWithParam<std::string> {};

TEST_P(PngSuiteCorrupt, IsRefusedWithThePngError)
{
    TPngGraphic picture;
    try {
        picture.LoadFromFile(kSuiteDir + "/" + QString::fromStdString(GetParam()) + ".png");
        FAIL() << "decoded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(e.Message().startsWith("PNG error: ")) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(PngSuite, PngSuiteCorrupt, testing::ValuesIn(suiteFiles(true)), plainName);

struct FormatCase {
    const char* file;
    TImageFormat format;
};

class PngFormatChoice : public testing::TestWithParam<FormatCase> {};

TEST_P(PngFormatChoice, KeepsPalettesAndGreysWhereExact)
{
    TPngGraphic picture;
    picture.LoadFromFile(kSuiteDir + "/" + GetParam().file + ".png");
    EXPECT_EQ(picture.ImageFormat(), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(
    PngSuite, PngFormatChoice,
    testing::Values(FormatCase{"basn0g01", ifBlackWhite}, FormatCase{"basn0g02", ifGray16},
                    FormatCase{"basi0g04", ifGray16}, FormatCase{"basn0g08", ifGray256},
                    FormatCase{"basn0g16", ifGray256}, FormatCase{"basn3p01", ifColor16},
                    FormatCase{"basn3p02", ifColor16}, FormatCase{"basi3p04", ifColor16},
                    FormatCase{"basn3p08", ifColor256}, FormatCase{"basn2c16", ifTrueColor},
                    FormatCase{"basn4a08", ifTrueColor}, FormatCase{"tbbn3p08", ifTrueColor},
                    FormatCase{"tbrn2c08", ifTrueColor}, FormatCase{"tbbn0g04", ifTrueColor}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.file); });

class PngRoundTrip : public testing::TestWithParam<TImageFormat> {};

TEST_P(PngRoundTrip, WritesAndReadsBackTheSameFormatAndPixels)
{
    TPngGraphic picture;
    TLogPalette odd{};
    const TLogPalette* palette = nullptr;
    if (GetParam() == ifColor16 || GetParam() == ifColor256) {
        // A palette of its own, shorter than the depth holds.
        odd.palVersion = 0x300;
        odd.palNumEntries = GetParam() == ifColor16 ? 11 : 200;
        for (int i = 0; i < odd.palNumEntries; ++i)
            odd.palPalEntry[i] = TPaletteEntry{uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 5), 0};
        palette = &odd;
    }
    picture.NewImage(37, 23, GetParam(), palette, 150, 75);
    fillRandomly(picture, 7 + GetParam());

    TMemoryStream stream;
    picture.SaveToStream(stream);
    stream.SetPosition(0);
    TPngGraphic back;
    back.LoadFromStream(stream);
    EXPECT_EQ(back.ImageFormat(), GetParam());
    EXPECT_TRUE(samePixels(picture, back));
    EXPECT_EQ(back.XDpi(), 150);
    EXPECT_EQ(back.YDpi(), 75);
}

std::string formatName(const testing::TestParamInfo<TImageFormat>& info)
{
    static const char* const names[] = {"BlackWhite", "Gray16", "Gray256", "Color16", "Color256", "TrueColor"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Formats, PngRoundTrip,
                         testing::Values(ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor),
                         formatName);

TEST(PngGraphic, EveryTruncationFailsCleanlyOrGivesTheWholePicture)
{
    for (const char* name : {"basn2c08", "basi3p02", "basn6a16"}) {
        const std::vector<uint8_t> whole = readFileBytes(kSuiteDir + "/" + name + ".png");
        ASSERT_FALSE(whole.empty());
        for (size_t size = 0; size < whole.size(); size += 7) {
            TMemoryStream stream;
            stream.WriteBuffer(whole.data(), static_cast<int64_t>(size));
            stream.SetPosition(0);
            // Only a cut after the last image data may still decode, and then to the whole picture.
            TPngGraphic picture;
            try {
                picture.LoadFromStream(stream);
                TPngGraphic full;
                full.LoadFromFile(kSuiteDir + "/" + name + ".png");
                EXPECT_TRUE(samePixels(picture, full)) << name << " at " << size;
            } catch (const EInvalidGraphic&) {
            }
        }
    }
}

TEST(PngGraphic, SizeBeyondThePolicyIsRefusedBeforeAllocating)
{
    // A valid header of 100000 x 100000 pixels followed by nothing.
    TPngGraphic small;
    small.NewImage(1, 1, ifTrueColor, nullptr, 0, 0);
    TMemoryStream stream;
    small.SaveToStream(stream);
    std::vector<uint8_t> bytes(stream.Bytes().begin(), stream.Bytes().end());
    for (int offset : {16, 20}) {
        bytes[offset] = 0;
        bytes[offset + 1] = 1;
        bytes[offset + 2] = 0x86;
        bytes[offset + 3] = 0xA0;
    }
    // The header's CRC must match for the size check to be reached.
    const uint32_t crc = [&] {
        uint32_t c = 0xFFFFFFFFu;
        for (int i = 12; i < 29; ++i) {
            c ^= bytes[i];
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
        }
        return ~c;
    }();
    for (int i = 0; i < 4; ++i)
        bytes[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    try {
        PngCodec::decode(bytes);
        FAIL() << "decoded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_FALSE(e.Message().startsWith("PNG error: ")) << "the policy, not the library, refuses: " << e.what();
    }
}

TEST(PngGraphic, RegisteredForPngInBothRegistries)
{
    RegisterPictureFormats();
    EXPECT_EQ(TDibGraphic::FindGraphicClass("A.PNG"), DibGraphicClassOf<TPngGraphic>());
    TPicture holder;
    holder.LoadFromFile(kSuiteDir + "/basn3p04.png");
    EXPECT_NE(dynamic_cast<TPngGraphic*>(holder.Graphic()), nullptr);
    EXPECT_EQ(holder.Width(), 32);
}
