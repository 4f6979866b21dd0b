#include "imaging/formats/dcx_graphic.h"

#include "platform/framework/stream.h"

#include <algorithm>
#include <array>

namespace {

constexpr uint32_t kMagic = 987654321;
// The table has room for 1024 entries, the last of which stays 0 to end it.
constexpr size_t kTableEntries = 1024;
constexpr size_t kMaxPages = kTableEntries - 1;

uint32_t dword(const uint8_t* p)
{
    return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void putDword(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

std::unique_ptr<TDibGraphic> TDcxGraphic::NewInstance() const
{
    return std::make_unique<TDcxGraphic>();
}

std::vector<uint32_t> TDcxGraphic::readPageTable(TStream& stream)
{
    const int64_t start = stream.Position();
    const int64_t size = stream.Size() - start;
    std::array<uint8_t, 4 * (1 + kTableEntries)> bytes{};
    const int64_t got = stream.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
    if (got < 8 || dword(bytes.data()) != kMagic)
        RaiseDamagedFile(QStringLiteral("это не файл DCX"));
    std::vector<uint32_t> pages;
    const int64_t entries = std::min<int64_t>(got / 4 - 1, kMaxPages);
    for (int64_t i = 0; i < entries; ++i) {
        const uint32_t offset = dword(bytes.data() + 4 * (i + 1));
        if (offset == 0)
            break;
        if (offset < 8 || offset >= size)
            RaiseDamagedFile(QStringLiteral("страница %1 лежит за пределами файла").arg(i + 1));
        // Pages follow each other, so no bytes are decoded twice: many pages over the same
        // bytes would let a small file ask for many large pictures.
        if (!pages.empty() && offset <= pages.back())
            RaiseDamagedFile(QStringLiteral("страница %1 не следует за страницей %2").arg(i + 1).arg(i));
        pages.push_back(offset);
    }
    if (pages.empty())
        RaiseDamagedFile(QStringLiteral("в файле нет страниц"));
    return pages;
}

int32_t TDcxGraphic::GetImageCount(TStream& stream)
{
    return static_cast<int32_t>(readPageTable(stream).size());
}

void TDcxGraphic::ReadImage(TStream& stream, int32_t imageIndex)
{
    const int64_t start = stream.Position();
    const std::vector<uint32_t> pages = readPageTable(stream);
    if (imageIndex < 1 || static_cast<size_t>(imageIndex) > pages.size())
        RaiseDamagedFile(QStringLiteral("страницы %1 нет").arg(imageIndex));
    const uint32_t begin = pages[imageIndex - 1];
    // A page ends where the next one begins, so its end palette is found.
    const int64_t end = static_cast<size_t>(imageIndex) < pages.size() ? start + pages[imageIndex] : stream.Size();
    stream.SetPosition(start + begin);
    ReadPcx(stream, end);
}

void TDcxGraphic::SaveToStream(TStream& stream)
{
    std::vector<const TDibGraphic*> pages;
    for (int32_t i = 1; i <= FrameCount(); ++i)
        pages.push_back(Frame(i));
    if (pages.empty())
        pages.push_back(this);
    if (pages.size() > kMaxPages)
        throw EPictureError(QStringLiteral("A DCX file holds at most %1 pages").arg(kMaxPages));

    const int64_t start = stream.Position();
    std::array<uint8_t, 4 * (1 + kTableEntries)> table{};
    putDword(table.data(), kMagic);
    stream.WriteBuffer(table.data(), static_cast<int64_t>(table.size()));
    for (size_t i = 0; i < pages.size(); ++i) {
        putDword(table.data() + 4 * (i + 1), static_cast<uint32_t>(stream.Position() - start));
        WritePcx(*pages[i], stream);
    }
    const int64_t end = stream.Position();
    stream.SetPosition(start);
    stream.WriteBuffer(table.data(), static_cast<int64_t>(table.size()));
    stream.SetPosition(end);
}
