// Tiny files whose headers claim pictures far past the size policy: every reader refuses them
// from the header, before it allocates. Each is read in a child process whose address space is
// capped a little above what it already uses, so a reader that trusted the header and asked for
// the picture's memory dies there instead of passing.

#include "imaging/formats/picture_formats.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/picture.h"
#include "platform/framework/size_policy.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint64_t PolicyBytes = uint64_t{256} << 20;
// Room for the reader's own buffers and a picture up to the policy, not for the claimed one.
constexpr uint64_t HeadroomBytes = uint64_t{640} << 20;

void put16le(Bytes& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32le(Bytes& out, uint32_t v)
{
    put16le(out, v & 0xFFFF);
    put16le(out, v >> 16);
}

void put16be(Bytes& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void put32be(Bytes& out, uint32_t v)
{
    put16be(out, v >> 16);
    put16be(out, v & 0xFFFF);
}

uint32_t crc32Of(const Bytes& bytes)
{
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

void pngChunk(Bytes& file, const char* type, const Bytes& data)
{
    put32be(file, static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    file.insert(file.end(), body.begin(), body.end());
    put32be(file, crc32Of(body));
}

// A PNG header of width x height, 8-bit RGB, one empty data chunk.
Bytes png(uint32_t width, uint32_t height)
{
    Bytes file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32be(header, width);
    put32be(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    pngChunk(file, "IHDR", header);
    pngChunk(file, "IDAT", {0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    pngChunk(file, "IEND", {});
    return file;
}

// A little-endian TIFF of one uncompressed RGB strip that the file does not hold.
Bytes tiff(uint32_t width, uint32_t height)
{
    Bytes file{'I', 'I', 42, 0};
    put32le(file, 8);
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    const Entry entries[] = {
        {256, 4, 1, width}, {257, 4, 1, height}, {258, 3, 1, 8},    {259, 3, 1, 1},     {262, 3, 1, 2},
        {273, 4, 1, 200},   {277, 3, 1, 3},      {278, 4, 1, height}, {279, 4, 1, 1000},
    };
    put16le(file, std::size(entries));
    for (const Entry& e : entries) {
        put16le(file, e.tag);
        put16le(file, e.type);
        put32le(file, e.count);
        put32le(file, e.value);
    }
    put32le(file, 0);
    file.resize(240, 0);
    return file;
}

// A PCX header of width x height in three 8-bit planes, then a few run bytes.
Bytes pcx(uint32_t width, uint32_t height)
{
    Bytes file{10, 5, 1, 8};
    put16le(file, 0);
    put16le(file, 0);
    put16le(file, width - 1);
    put16le(file, height - 1);
    put16le(file, 300);
    put16le(file, 300);
    file.resize(65, 0);
    file.push_back(3);
    put16le(file, width + (width & 1));
    put16le(file, 1);
    file.resize(128, 0);
    file.insert(file.end(), {0xFF, 0x00, 0xFF, 0x00});
    return file;
}

// A DCX holding one such PCX page.
Bytes dcx(uint32_t width, uint32_t height)
{
    Bytes file;
    put32le(file, 987654321);
    put32le(file, 12);
    put32le(file, 0);
    const Bytes page = pcx(width, height);
    file.insert(file.end(), page.begin(), page.end());
    return file;
}

// An uncompressed 24-bit TGA header of width x height.
Bytes tga(uint32_t width, uint32_t height)
{
    Bytes file{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16le(file, width);
    put16le(file, height);
    file.insert(file.end(), {24, 0x20});
    file.resize(18 + 64, 0);
    return file;
}

// A 24-bit BMP header of width x height.
Bytes bmp(uint32_t width, uint32_t height)
{
    Bytes file{'B', 'M'};
    put32le(file, 0);
    put32le(file, 0);
    put32le(file, 54);
    put32le(file, 40);
    put32le(file, width);
    put32le(file, height);
    put16le(file, 1);
    put16le(file, 24);
    file.resize(54 + 16, 0);
    return file;
}

// A lossless WebP header of width x height (at most 16384 a side), its data cut short.
Bytes webp(uint32_t width, uint32_t height)
{
    Bytes stream{0x2F};
    const uint32_t bits = (width - 1) | ((height - 1) << 14) | (1u << 28);
    put32le(stream, bits);
    stream.resize(16, 0);
    Bytes file{'R', 'I', 'F', 'F'};
    put32le(file, static_cast<uint32_t>(4 + 8 + stream.size()));
    file.insert(file.end(), {'W', 'E', 'B', 'P', 'V', 'P', '8', 'L'});
    put32le(file, static_cast<uint32_t>(stream.size()));
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

// A baseline JPEG header of width x height, three components, and a scan that ends at once.
Bytes jpeg(uint32_t width, uint32_t height)
{
    Bytes file{0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08};
    put16be(file, height);
    put16be(file, width);
    file.insert(file.end(), {3, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0});
    file.insert(file.end(), {0xFF, 0xDA, 0x00, 0x0C, 3, 1, 0, 2, 0, 3, 0, 0, 0x3F, 0, 0xFF, 0xD9});
    return file;
}

// An icon whose one entry is a PNG claiming width x height.
Bytes ico(uint32_t width, uint32_t height)
{
    const Bytes image = png(width, height);
    Bytes file;
    put16le(file, 0);
    put16le(file, 1);
    put16le(file, 1);
    file.insert(file.end(), {0, 0, 0, 0});
    put16le(file, 1);
    put16le(file, 32);
    put32le(file, static_cast<uint32_t>(image.size()));
    put32le(file, 22);
    file.insert(file.end(), image.begin(), image.end());
    return file;
}

uint64_t addressSpaceInUse()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmSize:", 0) == 0)
            return std::stoull(line.substr(7)) * 1024;
    }
    return 0;
}

// In the child: the file read under the cap. Exits 0 when the reader refuses it.
[[noreturn]] void readUnderCap(const QString& path)
{
    PictureSizePolicy::setMaxBytes(PolicyBytes);
    const uint64_t inUse = addressSpaceInUse();
    const rlimit cap{inUse + HeadroomBytes, inUse + HeadroomBytes};
    if (inUse == 0 || setrlimit(RLIMIT_AS, &cap) != 0)
        _exit(4);
    try {
        TPicture picture;
        picture.LoadFromFile(path);
    } catch (const Exception& e) {
        std::fprintf(stderr, "refused: %s\n", e.Message().toUtf8().constData());
        _exit(0);
    }
    std::fprintf(stderr, "read\n");
    _exit(3);
}

struct BombCase {
    const char* file;
    Bytes bytes;
    const char* says; // the refusal, read from the header or from the file's length
};

} // namespace

TEST(DecompressionBombs, TinyFilesClaimingHugePicturesAreRefusedBeforeAllocating)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    RegisterPictureFormats();
    // Past the policy, yet under the 4 GiB a picture may take at most: only the policy stops them.
    const char* tooLarge = "не открыт: рисунок [0-9]+ x [0-9]+ точек слишком велик";
    const char* tooShort = "повреждён: данных слишком мало для рисунка 20000 x 20000";
    const BombCase cases[] = {
        {"png.png", png(20000, 20000), tooLarge},
        {"tiff.tif", tiff(20000, 20000), tooLarge},
        {"pcx.pcx", pcx(20000, 20000), tooShort},
        {"dcx.dcx", dcx(20000, 20000), tooShort},
        {"tga.tga", tga(20000, 20000), tooShort},
        {"bmp.bmp", bmp(20000, 20000), tooLarge},
        {"webp.webp", webp(16384, 16384), tooLarge},
        {"jpeg.jpg", jpeg(20000, 20000), tooLarge},
        // An icon's entries are small by rule: the claimed one is passed over before it is read.
        {"ico.ico", ico(20000, 20000), "повреждён: ни один значок в файле не читается"},
    };
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const BombCase& c : cases) {
        ASSERT_LT(c.bytes.size(), 512u) << c.file;
        const QString path = folder.filePath(QString::fromUtf8(c.file));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<qint64>(c.bytes.size()));
        file.close();
        EXPECT_EXIT(readUnderCap(path), ::testing::ExitedWithCode(0), c.says) << c.file;
    }
}
