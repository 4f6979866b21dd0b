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

TEST_P(PngSuiteCorrupt, IsRefusedAsADamagedFile)
{
    TPngGraphic picture;
    const QString path = kSuiteDir + "/" + QString::fromStdString(GetParam()) + ".png";
    try {
        picture.LoadFromFile(path);
        FAIL() << "decoded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Файл %1 повреждён: ").arg(path))) << e.what();
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
    } catch (const EPictureFileError& e) {
        EXPECT_EQ(e.kind(), EPictureFileError::Kind::TooLarge) << "the policy, not the library, refuses: " << e.what();
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

namespace {

uint32_t crc32Of(const std::vector<uint8_t>& bytes, size_t from)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = from; i < bytes.size(); ++i) {
        c ^= bytes[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

void putBig32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift : {24, 16, 8, 0})
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void appendChunk(std::vector<uint8_t>& file, const char* type, const std::vector<uint8_t>& data)
{
    putBig32(file, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    file.insert(file.end(), body.begin(), body.end());
    putBig32(file, crc32Of(body, 0));
}

// Data in one stored (uncompressed) deflate block, wrapped as zlib wants it.
std::vector<uint8_t> zlibStored(const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out{0x78, 0x01, 0x01};
    const auto length = static_cast<uint16_t>(data.size());
    out.insert(out.end(), {uint8_t(length), uint8_t(length >> 8), uint8_t(~length), uint8_t(~length >> 8)});
    out.insert(out.end(), data.begin(), data.end());
    uint32_t a = 1, b = 0;
    for (uint8_t v : data) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(out, (b << 16) | a);
    return out;
}

// An 8-bit RGB picture of one row, with the given chunks between the header and the data.
std::vector<uint8_t> rgbPng(const std::vector<uint8_t>& rgb, const std::vector<std::pair<const char*, std::vector<uint8_t>>>& chunks)
{
    std::vector<uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(rgb.size() / 3));
    putBig32(header, 1);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    appendChunk(file, "IHDR", header);
    for (const auto& [type, data] : chunks)
        appendChunk(file, type, data);
    std::vector<uint8_t> row{0};
    row.insert(row.end(), rgb.begin(), rgb.end());
    appendChunk(file, "IDAT", zlibStored(row));
    appendChunk(file, "IEND", {});
    return file;
}

std::unique_ptr<TPngGraphic> readPng(const std::vector<uint8_t>& bytes)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    auto picture = std::make_unique<TPngGraphic>();
    picture->LoadFromStream(stream);
    return picture;
}

} // namespace

// Colour-space chunks describe the samples; the picture keeps the samples as stored, so a
// file opened and saved keeps its pixels (a gamma of 1.0 would move 50 to about 124).
TEST(PngGraphic, ColourSpaceChunksChangeNoSample)
{
    const std::vector<uint8_t> rgb{50, 128, 200, 10, 20, 30, 255, 0, 77, 1, 254, 99};
    std::vector<uint8_t> gamma1, gamma045, chrm, profile;
    putBig32(gamma1, 100000);
    putBig32(gamma045, 45455);
    for (uint32_t v : {31270u, 32900u, 64000u, 33000u, 30000u, 60000u, 15000u, 6000u})
        putBig32(chrm, v);
    profile = {'p', 0, 0};
    const std::vector<uint8_t> bytesOfProfile(128, 7);
    const std::vector<uint8_t> compressed = zlibStored(bytesOfProfile);
    profile.insert(profile.end(), compressed.begin(), compressed.end());
    const struct {
        const char* name;
        std::vector<std::pair<const char*, std::vector<uint8_t>>> chunks;
    } cases[] = {
        {"gamma 1.0", {{"gAMA", gamma1}}},
        {"gamma 1.0 with primaries", {{"gAMA", gamma1}, {"cHRM", chrm}}},
        {"sRGB", {{"sRGB", {0}}, {"gAMA", gamma045}}},
        {"profile", {{"iCCP", profile}}},
    };
    for (const auto& c : cases) {
        const auto picture = readPng(rgbPng(rgb, c.chunks));
        ASSERT_EQ(picture->ImageFormat(), ifTrueColor) << c.name;
        for (int x = 0; x < 4; ++x) {
            const uint32_t stored = uint32_t{rgb[3 * x]} << 16 | uint32_t{rgb[3 * x + 1]} << 8 | rgb[3 * x + 2];
            EXPECT_EQ(picture->GetPixelRGB(x, 0), stored) << c.name << ", pixel " << x;
        }
        TMemoryStream saved;
        picture->SaveToStream(saved);
        saved.SetPosition(0);
        TPngGraphic back;
        back.LoadFromStream(saved);
        EXPECT_TRUE(samePixels(*picture, back)) << c.name;
        // Written back, so that viewers show the saved file as they showed the one read.
        EXPECT_EQ(back.ColourSpace(), picture->ColourSpace()) << c.name;
    }
    EXPECT_EQ(readPng(rgbPng(rgb, cases[1].chunks))->ColourSpace().gamma, 100000);
    EXPECT_EQ(readPng(rgbPng(rgb, cases[1].chunks))->ColourSpace().chromaticities.value_or(std::array<int32_t, 8>{})[0], 31270);
    EXPECT_EQ(readPng(rgbPng(rgb, cases[2].chunks))->ColourSpace().srgbIntent, 0);
}
