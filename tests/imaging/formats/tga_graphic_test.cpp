#include "imaging/formats/tga_graphic.h"
#include "picture_compare.h"

#include "platform/framework/exceptions.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kCorpus = QStringLiteral(PICTAVO_CORPORA "/tga/");

std::vector<uint8_t> tgaFile(uint8_t type, int width, int height, int bits, uint8_t descriptor,
                             const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> b(18, 0);
    b[2] = type;
    b[12] = static_cast<uint8_t>(width);
    b[14] = static_cast<uint8_t>(height);
    b[16] = static_cast<uint8_t>(bits);
    b[17] = descriptor;
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::unique_ptr<TDibGraphic> readTga(const std::vector<uint8_t>& bytes)
{
    return LoadBytes(TTgaGraphic(), bytes);
}

// ---- round trips ----------------------------------------------------------------------------

class TgaRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(TgaRoundTrip, WrittenPixelsReadBackUnchanged)
{
    const RoundTripCase& c = GetParam();
    TTgaGraphic picture;
    FillRandom(picture, c.width, c.height, c.format, 11);
    const std::unique_ptr<TDibGraphic> back = readTga(SaveBytes(picture));
    EXPECT_EQ(back->ImageFormat(), c.readBack);
    EXPECT_EQ(DifferentPixels(picture, *back), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, TgaRoundTrip,
                         testing::Values(RoundTripCase{"BlackWhite", ifBlackWhite, 61, 9, ifColor256},
                                         RoundTripCase{"Gray16", ifGray16, 33, 5, ifColor256},
                                         RoundTripCase{"Color16", ifColor16, 17, 12, ifColor256},
                                         RoundTripCase{"Gray256", ifGray256, 301, 7, ifGray256},
                                         RoundTripCase{"Color256", ifColor256, 99, 8, ifColor256},
                                         RoundTripCase{"TrueColor", ifTrueColor, 131, 6, ifTrueColor},
                                         RoundTripCase{"TrueColorOnePixel", ifTrueColor, 1, 1, ifTrueColor}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- reading hand-made files ----------------------------------------------------------------

TEST(TgaReader, PacketRunsOnIntoTheNextRowAndOriginIsHonoured)
{
    // 2 x 2 grey, bottom-left origin: one run of three, then one raw pixel.
    const auto bottomUp = readTga(tgaFile(11, 2, 2, 8, 0x00, {0x82, 10, 0x00, 20}));
    EXPECT_EQ(bottomUp->GetPixelIndex(0, 1), 10u);
    EXPECT_EQ(bottomUp->GetPixelIndex(1, 1), 10u);
    EXPECT_EQ(bottomUp->GetPixelIndex(0, 0), 10u);
    EXPECT_EQ(bottomUp->GetPixelIndex(1, 0), 20u);

    // Top-right origin: the first pixel is the top row's rightmost.
    const auto topRight = readTga(tgaFile(3, 2, 2, 8, 0x30, {1, 2, 3, 4}));
    EXPECT_EQ(topRight->GetPixelIndex(0, 0), 2u);
    EXPECT_EQ(topRight->GetPixelIndex(1, 0), 1u);
    EXPECT_EQ(topRight->GetPixelIndex(0, 1), 4u);
}

TEST(TgaReader, ColourMapStartsAtItsFirstIndex)
{
    // Map entries for indexes 2 and 3 (24-bit), an image ID of 3 bytes to skip.
    std::vector<uint8_t> b = tgaFile(1, 2, 1, 8, 0x20, {});
    b[0] = 3;
    b[1] = 1;
    b[3] = 2;
    b[5] = 2;
    b[7] = 24;
    b.insert(b.end(), {'i', 'd', '!', 0x30, 0x20, 0x10, 0x03, 0x02, 0x01, 3, 2});
    const auto picture = readTga(b);
    EXPECT_EQ(picture->GetPixelRGB(0, 0), 0x010203u);
    EXPECT_EQ(picture->GetPixelRGB(1, 0), 0x102030u);
}

TEST(TgaReader, AlphaIsLaidOverWhiteUnlessTheFileSaysItIsUnused)
{
    const std::vector<uint8_t> pixel = {200, 100, 0, 128}; // blue, green, red, alpha
    const auto withAlpha = readTga(tgaFile(2, 1, 1, 32, 0x28, pixel));
    EXPECT_EQ(withAlpha->GetPixelRGB(0, 0), 0x7FB1E3u);

    const auto noAlphaBits = readTga(tgaFile(2, 1, 1, 32, 0x20, pixel));
    EXPECT_EQ(noAlphaBits->GetPixelRGB(0, 0), 0x0064C8u);

    // A version 2 file whose extension area gives attributes type 0: the alpha means nothing.
    std::vector<uint8_t> unused = tgaFile(2, 1, 1, 32, 0x28, pixel);
    const uint32_t extension = static_cast<uint32_t>(unused.size());
    unused.resize(unused.size() + 495, 0);
    unused[extension] = 0xEF;
    unused[extension + 1] = 0x01;
    const char signature[] = "TRUEVISION-XFILE.";
    unused.insert(unused.end(), {uint8_t(extension), uint8_t(extension >> 8), 0, 0, 0, 0, 0, 0});
    unused.insert(unused.end(), signature, signature + sizeof signature);
    EXPECT_EQ(readTga(unused)->GetPixelRGB(0, 0), 0x0064C8u);
}

TEST(TgaReader, ShortFileKeepsTheRowsItHas)
{
    const auto picture = readTga(tgaFile(2, 2, 3, 24, 0x20, std::vector<uint8_t>(6 + 6 + 2, 0x55)));
    EXPECT_EQ(picture->GetPixelRGB(1, 1), 0x555555u);
    EXPECT_EQ(picture->GetPixelRGB(0, 2), 0u);
}

TEST(TgaReader, RefusesWhatItCannotRead)
{
    std::vector<uint8_t> noMap = tgaFile(1, 2, 2, 8, 0, std::vector<uint8_t>(4, 0));
    std::vector<uint8_t> mapPastEnd = tgaFile(1, 2, 2, 8, 0, std::vector<uint8_t>(4, 0));
    mapPastEnd[1] = 1;
    mapPastEnd[5] = 200;
    mapPastEnd[7] = 24;
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {"short", std::vector<uint8_t>(17, 0), "файл короче своего заголовка"},
        {"no image", tgaFile(0, 2, 2, 8, 0, {1, 2, 3, 4}), "неподдерживаемый тип рисунка TGA 0"},
        {"huffman", tgaFile(32, 2, 2, 8, 0, {1, 2, 3, 4}), "неподдерживаемый тип рисунка TGA 32"},
        {"zero width", tgaFile(2, 0, 2, 24, 0, {1, 2, 3, 4}), "неверный размер рисунка 0 x 2"},
        {"depth", tgaFile(2, 2, 2, 12, 0, {1, 2, 3, 4}), "неподдерживаемая глубина цвета TGA 12"},
        {"grey depth", tgaFile(3, 2, 2, 24, 0, {1, 2, 3, 4}), "неподдерживаемая глубина серого TGA 24"},
        {"no map", noMap, "у рисунка с таблицей цветов нет таблицы"},
        {"map past end", mapPastEnd, "таблица цветов выходит за конец файла"},
        {"too big", tgaFile(10, 255, 255, 32, 0, {0xFF, 1, 2, 3, 4}), "данных слишком мало для рисунка 255 x 255"},
        {"no data", tgaFile(10, 2, 2, 24, 0, {0x83, 1}), "нет данных рисунка"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RefusalOf(TTgaGraphic(), c.bytes), QString::fromUtf8(c.reason)) << c.name;
}

// ---- the corpus -----------------------------------------------------------------------------

// Every file with a reference rendering decodes to it (coverage laid over white).
TEST(TgaCorpus, GoodFilesMatchTheirReferences)
{
    int compared = 0;
    const QDir common(kCorpus + QStringLiteral("pillow/common"));
    for (const QFileInfo& file : common.entryInfoList({QStringLiteral("*.tga")}, QDir::Files)) {
        const QString stem = file.fileName().section(QLatin1Char('_'), 0, 1);
        const QImage reference(common.filePath(stem + QStringLiteral(".png")));
        ASSERT_FALSE(reference.isNull()) << stem.toStdString();
        EXPECT_EQ(DifferentPixels(*LoadFile<TTgaGraphic>(file.filePath()), reference), 0)
            << file.fileName().toStdString();
        ++compared;
    }
    const QDir suite(kCorpus + QStringLiteral("image-rs/testsuite"));
    for (const QFileInfo& file : suite.entryInfoList({QStringLiteral("*.tga")}, QDir::Files)) {
        const QImage reference(kCorpus + QStringLiteral("image-rs/reference/") + file.fileName() + QStringLiteral(".png"));
        ASSERT_FALSE(reference.isNull()) << file.fileName().toStdString();
        EXPECT_EQ(DifferentPixels(*LoadFile<TTgaGraphic>(file.filePath()), reference), 0)
            << file.fileName().toStdString();
        ++compared;
    }
    EXPECT_EQ(compared, 33);
}

// Damaged and crafted files are refused with a reason, or read within their stated size.
TEST(TgaCorpus, DamagedFilesAreRefusedOrReadAsFarAsTheyGo)
{
    QStringList files = QDir(kCorpus + QStringLiteral("image-rs/regression")).entryList(QDir::Files);
    for (QString& name : files)
        name.prepend(QStringLiteral("image-rs/regression/"));
    files << QStringLiteral("pillow/misc/cross_scan_line_truncated.tga") << QStringLiteral("pillow/misc/p_8.tga");
    for (const QString& name : files) {
        try {
            const auto picture = LoadFile<TTgaGraphic>(kCorpus + name);
            EXPECT_FALSE(picture->GetEmpty()) << name.toStdString();
        } catch (const EInvalidGraphic& e) {
            EXPECT_FALSE(e.Message().isEmpty()) << name.toStdString();
        }
    }
    const auto crossing = LoadFile<TTgaGraphic>(kCorpus + QStringLiteral("pillow/misc/cross_scan_line.tga"));
    EXPECT_EQ(crossing->GetWidth(), 2);
    EXPECT_EQ(crossing->GetHeight(), 2);
}

} // namespace
