// The icon reader: small generated icons of every entry kind, the choice between entries,
// damaged directories and entries, and the ICO corpus against its reference renderings.
#include "platform/framework/icon_codec.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/icon.h"
#include "platform/framework/stream.h"
#include "file_bytes.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <unistd.h>

namespace {

void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void append(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// An ICO (type 1) or CUR (type 2) file of the entries, stored one after another.
std::vector<uint8_t> iconFile(const std::vector<std::vector<uint8_t>>& entries, uint16_t type = 1)
{
    std::vector<uint8_t> out;
    putLe(out, 0, 2);
    putLe(out, type, 2);
    putLe(out, static_cast<uint32_t>(entries.size()), 2);
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(entries.size());
    for (const auto& entry : entries) {
        out.insert(out.end(), {16, 16, 0, 0});
        putLe(out, 1, 2); // planes, or the hot spot's x for a cursor
        putLe(out, 0, 2);
        putLe(out, static_cast<uint32_t>(entry.size()), 4);
        putLe(out, offset, 4);
        offset += static_cast<uint32_t>(entry.size());
    }
    for (const auto& entry : entries)
        append(out, entry);
    return out;
}

// Pixels of a generated entry, top row first, with what the reader must make of them.
struct Pattern {
    int width = 5; // odd, so every depth's rows need padding
    int height = 3;
    int bits = 24;
    bool alpha = false; // 32 bits: per-pixel alpha, and a mask that hides everything

    int colours() const { return bits <= 8 ? 1 << bits : 0; }
    QRgb paletteColour(int i) const { return qRgb(i * 37 % 256, i * 91 % 256, (i * 53 + 11) % 256); }
    int index(int x, int y) const { return (x * 5 + y * 3 + 1) % colours(); }
    bool masked(int x, int y) const { return (x * y + x) % 3 == 1; }
    std::array<int, 3> fiveBits(int x, int y) const { return {x * 3 % 32, y * 5 % 32, (x + y) % 32}; }
    uint8_t alphaAt(int x, int y) const { return static_cast<uint8_t>((x * 60 + y * 45) % 256); }
    QRgb colour(int x, int y) const
    {
        if (bits <= 8)
            return paletteColour(index(x, y));
        if (bits == 16) {
            const auto expand = [](int v) { return (v * 255 + 15) / 31; };
            const auto [red, green, blue] = fiveBits(x, y);
            return qRgb(expand(red), expand(green), expand(blue));
        }
        return qRgb(x * 40 + 3, y * 50 + 7, (x + y) * 20 + 1);
    }
    QImage expected() const
    {
        QImage image(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                if (alpha)
                    image.setPixel(x, y, (colour(x, y) & 0xFFFFFF) | (uint32_t{alphaAt(x, y)} << 24));
                else
                    image.setPixel(x, y, masked(x, y) ? 0 : colour(x, y));
            }
        return image;
    }
};

// A packed DIB entry: header with the doubled height, colour table, colour rows and mask rows,
// bottom-up and padded to four bytes.
std::vector<uint8_t> dibEntry(const Pattern& p)
{
    std::vector<uint8_t> out;
    putLe(out, 40, 4);
    putLe(out, static_cast<uint32_t>(p.width), 4);
    putLe(out, static_cast<uint32_t>(2 * p.height), 4);
    putLe(out, 1, 2);
    putLe(out, static_cast<uint32_t>(p.bits), 2);
    for (int i = 0; i < 6; ++i)
        putLe(out, 0, 4);
    for (int i = 0; i < p.colours(); ++i)
        putLe(out, p.paletteColour(i) & 0xFFFFFF, 4);
    const auto pad = [&out](size_t rowStart) {
        while ((out.size() - rowStart) % 4)
            out.push_back(0);
    };
    for (int y = p.height - 1; y >= 0; --y) {
        const size_t start = out.size();
        uint32_t bitBuffer = 0;
        int bitCount = 0;
        for (int x = 0; x < p.width; ++x) {
            const QRgb c = p.colour(x, y);
            if (p.bits <= 8) {
                bitBuffer = (bitBuffer << p.bits) | static_cast<uint32_t>(p.index(x, y));
                bitCount += p.bits;
                if (bitCount == 8) {
                    out.push_back(static_cast<uint8_t>(bitBuffer));
                    bitBuffer = 0;
                    bitCount = 0;
                }
            } else if (p.bits == 16) {
                const auto [red, green, blue] = p.fiveBits(x, y);
                putLe(out, static_cast<uint32_t>((red << 10) | (green << 5) | blue), 2);
            } else {
                out.insert(out.end(), {static_cast<uint8_t>(qBlue(c)), static_cast<uint8_t>(qGreen(c)),
                                       static_cast<uint8_t>(qRed(c))});
                if (p.bits == 32)
                    out.push_back(p.alpha ? p.alphaAt(x, y) : 0);
            }
        }
        if (bitCount > 0)
            out.push_back(static_cast<uint8_t>(bitBuffer << (8 - bitCount)));
        pad(start);
    }
    for (int y = p.height - 1; y >= 0; --y) {
        const size_t start = out.size();
        uint8_t byte = 0;
        for (int x = 0; x < p.width; ++x) {
            if (p.alpha || p.masked(x, y))
                byte |= static_cast<uint8_t>(0x80 >> (x & 7));
            if ((x & 7) == 7 || x == p.width - 1) {
                out.push_back(byte);
                byte = 0;
            }
        }
        pad(start);
    }
    return out;
}

std::vector<uint8_t> pngEntry(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    EXPECT_TRUE(writer.write(image));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// Same size and alpha everywhere, same colour wherever a pixel shows.
::testing::AssertionResult sameVisiblePixels(const QImage& actual, const QImage& expected, int tolerance = 0)
{
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height() << ", expected "
                                             << expected.width() << "x" << expected.height();
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = e.pixel(x, y);
            const bool close = std::abs(qAlpha(p) - qAlpha(q)) <= tolerance
                && (qAlpha(q) == 0
                    || (std::abs(qRed(p) - qRed(q)) <= tolerance && std::abs(qGreen(p) - qGreen(q)) <= tolerance
                        && std::abs(qBlue(p) - qBlue(q)) <= tolerance));
            if (!close)
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << std::hex << p
                                                     << ", expected " << q;
        }
    return ::testing::AssertionSuccess();
}

QImage decode(const std::vector<uint8_t>& file)
{
    return IconCodec::decode(file);
}

// What the call wrote to stdout and stderr, at the descriptor level so libraries are caught too.
std::string outputOf(const std::function<void()>& call)
{
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* sink = std::tmpfile();
    const int savedOut = dup(1);
    const int savedErr = dup(2);
    dup2(fileno(sink), 1);
    dup2(fileno(sink), 2);
    call();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    std::string text;
    std::rewind(sink);
    for (int c; (c = std::fgetc(sink)) != EOF;)
        text.push_back(static_cast<char>(c));
    std::fclose(sink);
    return text;
}

// Whether decoding is refused as damaged data, printing nothing.
::testing::AssertionResult refused(const std::vector<uint8_t>& file)
{
    QString message;
    bool damaged = false;
    const std::string printed = outputOf([&] {
        try {
            IconCodec::decode(file);
        } catch (const EInvalidGraphic& e) {
            message = e.Message();
            const auto* refusal = dynamic_cast<const EPictureFileError*>(&e);
            damaged = refusal && refusal->kind() == EPictureFileError::Kind::Damaged;
        }
    });
    if (!damaged)
        return ::testing::AssertionFailure() << "not refused (" << message.toStdString() << ")";
    if (!printed.empty())
        return ::testing::AssertionFailure() << "printed: " << printed;
    return ::testing::AssertionSuccess();
}

struct EntryCase {
    const char* name;
    Pattern pattern;
};

class IconEntries : public testing::TestWithParam<EntryCase> {};

TEST_P(IconEntries, DecodeToTheirPixelsWithMaskOrAlpha)
{
    const Pattern& p = GetParam().pattern;
    EXPECT_TRUE(sameVisiblePixels(decode(iconFile({dibEntry(p)})), p.expected()));
}

INSTANTIATE_TEST_SUITE_P(Depths, IconEntries,
                         testing::Values(EntryCase{"OneBitPalette", {5, 3, 1}}, EntryCase{"FourBitPalette", {5, 3, 4}},
                                         EntryCase{"EightBitPalette", {5, 3, 8}},
                                         EntryCase{"SixteenBitsMasked", {5, 3, 16}},
                                         EntryCase{"TwentyFourBitsMasked", {5, 3, 24}},
                                         EntryCase{"ThirtyTwoBitsAlphaOverridesMask", {5, 3, 32, true}},
                                         EntryCase{"ThirtyTwoBitsWithoutAlphaUseMask", {5, 3, 32, false}},
                                         EntryCase{"WideRowsOfMask", {33, 2, 24}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IconCodec, PngEntriesKeepTheirAlphaAndCursorsReadLikeIcons)
{
    QImage image(6, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, qRgba(x * 40, y * 60, 200, (x * 50 + y * 20) % 256));
    EXPECT_TRUE(sameVisiblePixels(decode(iconFile({pngEntry(image)})), image));

    const Pattern p{4, 4, 8};
    EXPECT_TRUE(sameVisiblePixels(decode(iconFile({dibEntry(p)}, 2)), p.expected())) << "a cursor";
}

TEST(IconCodec, ChoosesTheEntryNearestToThirtyTwoThenTheDeepest)
{
    const auto entry = [](int side, int bits) { return dibEntry(Pattern{side, side, bits}); };
    struct Choice {
        std::vector<std::vector<uint8_t>> entries;
        int side;
        int bits;
    };
    const std::vector<Choice> choices = {
        {{entry(16, 8), entry(48, 24), entry(32, 4), entry(64, 32)}, 32, 4},
        {{entry(16, 8), entry(32, 4), entry(32, 24), entry(32, 8)}, 32, 24},
        {{entry(64, 24), entry(20, 8), entry(48, 8)}, 20, 8},
    };
    for (const Choice& c : choices) {
        const QImage image = decode(iconFile(c.entries));
        EXPECT_TRUE(sameVisiblePixels(image, Pattern{c.side, c.side, c.bits}.expected()))
            << c.side << " at " << c.bits << " bits";
    }

    // A damaged nearest entry leaves the next nearest.
    std::vector<uint8_t> damaged = entry(32, 24);
    damaged[14] = 7; // no such depth
    EXPECT_TRUE(sameVisiblePixels(decode(iconFile({entry(16, 8), damaged})), Pattern{16, 16, 8}.expected()));
}

TEST(IconCodec, RefusesDamagedDirectoriesAndEntriesSilently)
{
    const std::vector<uint8_t> good = iconFile({dibEntry(Pattern{5, 3, 24})});
    const auto changed = [&good](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> file = good;
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
        return file;
    };
    const auto cut = [&good](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)); };
    ASSERT_NO_THROW(decode(good));

    struct Damage {
        const char* what;
        std::vector<uint8_t> file;
    };
    std::vector<uint8_t> bigHeader = good;
    bigHeader[22 + 5] = 0x10; // width 4101: past the entry bound, refused before allocating
    std::vector<uint8_t> pngBroken = iconFile({pngEntry(Pattern{5, 3, 24}.expected())});
    pngBroken[pngBroken.size() - 20] ^= 0x55; // inside the compressed data or its checksum
    const std::vector<Damage> damages = {
        {"empty", {}},
        {"a BMP file", {'B', 'M', 0, 0, 0, 0, 0, 0}},
        {"type 3", changed(2, {3, 0})},
        {"no entries", changed(4, {0, 0})},
        {"table longer than the file", changed(4, {9, 0})},
        {"more entries than the bound", iconFile(std::vector<std::vector<uint8_t>>(257, dibEntry(Pattern{5, 3, 24})))},
        {"entry size past the end", changed(14, {0xF9, 0xFF, 0xFF, 0xFF})},
        {"entry offset past the end", changed(18, {0, 0x10, 0, 0})},
        {"entry offset inside the directory", changed(18, {2, 0, 0, 0})},
        {"file cut inside the colour rows", cut(good.size() - 20)},
        {"file cut inside the mask", cut(good.size() - 2)},
        {"entry size leaves out the mask", changed(14, {static_cast<uint8_t>(good.size() - 22 - 12), 0, 0, 0})},
        {"entry larger than the bound", bigHeader},
        {"zero height", changed(22 + 8, {1, 0, 0, 0})},
        {"PNG data damaged", pngBroken},
        {"PNG cut short", std::vector<uint8_t>(pngBroken.begin(), pngBroken.begin() + 60)},
    };
    for (const Damage& d : damages)
        EXPECT_TRUE(refused(d.file)) << d.what;
}

TEST(IconCodec, IconClassKeepsTheFileAndDrawsMaskedPixelsTransparent)
{
    const Pattern p{5, 3, 24};
    const std::vector<uint8_t> file = iconFile({dibEntry(p)});
    TMemoryStream stream;
    stream.WriteBuffer(file);
    stream.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(stream);
    EXPECT_TRUE(sameVisiblePixels(icon.Image(), p.expected()));
    EXPECT_EQ(icon.Data(), file);
}

// Corpora of other programs' test pictures, used only as test data.
const QString kIcoDir = QStringLiteral(PICTAVO_CORPORA_DIR "/ico");

// The entries of an icon file whose images, read alone, have this size.
std::vector<std::vector<uint8_t>> entriesOfSize(const std::vector<uint8_t>& file, QSize size)
{
    std::vector<std::vector<uint8_t>> entries;
    const auto u32 = [&file](size_t at) {
        return uint32_t{file[at]} | (uint32_t{file[at + 1]} << 8) | (uint32_t{file[at + 2]} << 16)
            | (uint32_t{file[at + 3]} << 24);
    };
    const size_t count = size_t{file[4]} | (size_t{file[5]} << 8);
    for (size_t i = 0; i < count; ++i) {
        const size_t at = 6 + 16 * i;
        const auto first = file.begin() + u32(at + 12);
        std::vector<uint8_t> entry(first, first + u32(at + 8));
        const QImage alone = decode(iconFile({entry}));
        if (alone.size() == size)
            entries.push_back(std::move(entry));
    }
    return entries;
}

TEST(IconCodecCorpus, GoodFilesMatchTheirReferencesAndBadOnesAreRefused)
{
    const QDir images(kIcoDir + "/image-rs/images");
    const QDir references(kIcoDir + "/image-rs/reference");
    if (!images.exists())
        GTEST_SKIP() << "no ICO corpus";
    int compared = 0;
    for (const QString& name : images.entryList({"*.ico"}, QDir::Files)) {
        QImage image;
        const std::string printed = outputOf([&] { image = decode(readFileBytes(images.filePath(name))); });
        EXPECT_TRUE(printed.empty()) << name.toStdString();
        const QImage reference(references.filePath(name + ".png"));
        if (reference.isNull())
            continue;
        // The references show the largest entry: where the nearest to 32 is another, the entries
        // of the reference's size are read alone.
        if (reference.size() != image.size())
            image = decode(iconFile(entriesOfSize(readFileBytes(images.filePath(name)), reference.size())));
        EXPECT_TRUE(sameVisiblePixels(image, reference)) << name.toStdString();
        ++compared;
    }
    EXPECT_EQ(compared, 9);

    const QDir pillow(kIcoDir + "/pillow");
    for (const QString& name : pillow.entryList({"*.ico"}, QDir::Files)) {
        const std::vector<uint8_t> bytes = readFileBytes(pillow.filePath(name));
        if (name == QStringLiteral("decompression_bomb.ico")) {
            EXPECT_TRUE(refused(bytes));
            continue;
        }
        const QImage image = decode(bytes);
        EXPECT_FALSE(image.isNull()) << name.toStdString();
        if (name == QStringLiteral("hopper_unexpected.ico")) {
            EXPECT_EQ(image.size(), QSize(16, 16)) << "the entry's own header gives the size";
        }
    }

    const QDir regression(kIcoDir + "/image-rs/regression");
    for (const QString& name : regression.entryList({"*.ico"}, QDir::Files))
        EXPECT_TRUE(refused(readFileBytes(regression.filePath(name)))) << name.toStdString();
}

} // namespace
