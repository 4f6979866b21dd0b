// The class as the rest of the editor meets it: the registry, several images in one file,
// and files that are not what they claim.
#include "tiff_fixture.h"

#include "imaging/formats/picture_formats.h"
#include "imaging/formats/tiff_graphic.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <tiffio.h>

namespace {

TiffFixture greyImage(uint32_t width, uint32_t height, uint32_t shade)
{
    TiffFixture f;
    f.width = width;
    f.height = height;
    f.sample = [shade](uint32_t, uint32_t, uint32_t) { return shade; };
    return f;
}

TEST(TiffGraphicTest, IsRegisteredForTifAndTiffInAnyCase)
{
    RegisterPictureFormats();
    for (const char* name : {"a.tif", "B.TIF", "c.Tiff", "/some/where/d.tiff"}) {
        const TDibGraphicClass* cls = TDibGraphic::FindGraphicClass(QString::fromUtf8(name));
        ASSERT_NE(cls, nullptr) << name;
        EXPECT_EQ(cls->ClassName, QStringLiteral("TTiffGraphic")) << name;
        EXPECT_EQ(TDibGraphic::CreateGraphicForFile(QString::fromUtf8(name))->ClassName(), QStringLiteral("TTiffGraphic"));
    }
    EXPECT_EQ(TTiffGraphic().NewInstance()->ClassName(), QStringLiteral("TTiffGraphic"));
}

TEST(TiffGraphicTest, CountsAndReadsEachImageOfAFile)
{
    const std::vector<uint8_t> bytes = makeTiff({greyImage(5, 4, 10), greyImage(3, 7, 200)});
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    TTiffGraphic counter;
    EXPECT_EQ(counter.GetImageCount(stream), 2);
    EXPECT_EQ(stream.Position(), 0);

    TTiffGraphic second;
    readTiff(second, bytes, 2);
    EXPECT_EQ(second.GetWidth(), 3);
    EXPECT_EQ(second.GetHeight(), 7);
    EXPECT_EQ(second.GetPixelRGB(2, 6), 0xC8C8C8u);

    TTiffGraphic third;
    EXPECT_THROW(readTiff(third, bytes, 3), EPictureFileError);

    TTiffGraphic frames;
    frames.SetMultiImage(true);
    readTiff(frames, bytes);
    ASSERT_EQ(frames.FrameCount(), 2);
    EXPECT_EQ(frames.Frame(1)->GetWidth(), 5);
    EXPECT_EQ(frames.Frame(2)->GetWidth(), 3);
}

// A directory that points back at itself would otherwise be followed for ever.
TEST(TiffGraphicTest, CountsADirectoryLoopOnce)
{
    std::vector<uint8_t> bytes = makeTiff(greyImage(2, 2, 1));
    const uint32_t first = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | uint32_t{bytes[7]} << 24;
    const uint16_t entries = static_cast<uint16_t>(bytes[first] | bytes[first + 1] << 8);
    const size_t next = first + 2 + size_t{entries} * 12;
    std::copy(bytes.begin() + 4, bytes.begin() + 8, bytes.begin() + static_cast<ptrdiff_t>(next));
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    TTiffGraphic counter;
    EXPECT_EQ(counter.GetImageCount(stream), 1);
    TTiffGraphic picture;
    EXPECT_NO_THROW(readTiff(picture, bytes));
}

struct DamagedCase {
    const char* name;
    std::vector<uint8_t> bytes;
};

class TiffDamagedTest : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(TiffDamagedTest, IsRefusedWithAMessage)
{
    TTiffGraphic picture;
    try {
        readTiff(picture, GetParam().bytes);
        FAIL() << "read without complaint";
    } catch (const Exception& e) {
        EXPECT_FALSE(e.Message().isEmpty());
    }
}

std::vector<DamagedCase> damagedCases()
{
    const std::vector<uint8_t> good = makeTiff(greyImage(40, 30, 99));
    // libtiff writes the directory last: a cut file has lost it.
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() / 2));
    std::vector<uint8_t> badMagic = good;
    badMagic[2] = 0x13;
    return {{"Empty", {}},
            {"NotTiff", {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8}},
            {"BadMagic", badMagic},
            {"CutInHalf", cut}};
}

INSTANTIATE_TEST_SUITE_P(Files, TiffDamagedTest, ::testing::ValuesIn(damagedCases()),
                         [](const ::testing::TestParamInfo<DamagedCase>& info) { return info.param.name; });

// The header's size is checked before any picture is made for it.
TEST(TiffGraphicTest, RefusesASizeBeyondThePolicy)
{
    PictureSizePolicy::setMaxBytes(uint64_t{1} << 20);
    TTiffGraphic picture;
    EXPECT_THROW(readTiff(picture, makeTiff(greyImage(2000, 1000, 5))), Exception);
    EXPECT_TRUE(picture.GetEmpty());
    PictureSizePolicy::setMaxBytes(0);
}

} // namespace

namespace {

std::vector<uint64_t> stripOffsets(const std::vector<uint8_t>& bytes)
{
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("s.tif")).toStdString();
    {
        TFileStream file(QString::fromStdString(path), fmCreate);
        file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    std::vector<uint64_t> offsets;
    for (uint32_t i = 0; i < TIFFNumberOfStrips(tif); ++i)
        offsets.push_back(TIFFGetStrileOffset(tif, i));
    TIFFClose(tif);
    return offsets;
}

// Damaged strips: the rows before them are kept; a file of which nothing decodes is refused.
TEST(TiffGraphicTest, ReadsADamagedFileAsFarAsItGoes)
{
    TiffFixture f = greyImage(21, 13, 0);
    f.compression = COMPRESSION_LZW;
    f.sample = [](uint32_t x, uint32_t y, uint32_t) { return x * 7 + y; };
    const std::vector<uint8_t> good = makeTiff(f);
    const std::vector<uint64_t> offsets = stripOffsets(good);
    ASSERT_EQ(offsets.size(), 3u);
    // Garbage codes right after the clear code that begins every strip.
    const auto damage = [](std::vector<uint8_t>& bytes, uint64_t at) {
        std::fill_n(bytes.begin() + static_cast<ptrdiff_t>(at) + 2, 6, uint8_t{0xFF});
    };

    std::vector<uint8_t> lastDamaged = good;
    damage(lastDamaged, offsets[2]);
    TTiffGraphic picture;
    readTiff(picture, lastDamaged);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(picture.GetPixelRGB(x, y), 0x010101u * static_cast<uint32_t>(x * 7 + y)) << x << "," << y;

    // Refused, and the picture that was to receive it keeps its own image.
    std::vector<uint8_t> allDamaged = good;
    for (uint64_t at : offsets)
        damage(allDamaged, at);
    EXPECT_THROW(readTiff(picture, allDamaged), EPictureFileError);
    EXPECT_EQ(picture.GetWidth(), 21);
    EXPECT_EQ(picture.GetPixelRGB(20, 9), 0x010101u * (20 * 7 + 9));
}

} // namespace
