#include "platform/metafile/wmf_document.h"

#include "platform/framework/exceptions.h"

#include <uwmf.h>

#include <cmath>
#include <cstring>

namespace metafile {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableBytes = 22;
constexpr size_t kHeaderBytes = 18;
constexpr uint16_t kSetWindowOrg = 0x020B;
constexpr uint16_t kSetWindowExt = 0x020C;

template <typename T>
T readLe(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[noreturn]] void damaged(const QString& what)
{
    throw EInvalidGraphic(QStringLiteral("Damaged metafile: %1").arg(what));
}

} // namespace

bool WmfDocument::hasSignature(std::span<const uint8_t> bytes)
{
    if (bytes.size() >= 4 && readLe<uint32_t>(bytes.data()) == kPlaceableKey)
        return true;
    return bytes.size() >= kHeaderBytes && readLe<uint16_t>(bytes.data()) <= 2 && readLe<uint16_t>(bytes.data() + 2) == 9;
}

WmfDocument::WmfDocument(std::vector<uint8_t> bytes) : bytes_(std::move(bytes))
{
    if (!hasSignature(bytes_))
        throw EInvalidGraphic(QStringLiteral("Not a Windows metafile"));
    size_t header = 0;
    int inch = 0;
    if (readLe<uint32_t>(bytes_.data()) == kPlaceableKey) {
        if (bytes_.size() < kPlaceableBytes + kHeaderBytes)
            damaged(QStringLiteral("the placeable header is cut short"));
        const uint8_t* p = bytes_.data() + 6;
        box_ = gdi::Rect{readLe<int16_t>(p), readLe<int16_t>(p + 2), readLe<int16_t>(p + 4), readLe<int16_t>(p + 6)};
        inch = readLe<uint16_t>(p + 8);
        header = kPlaceableBytes;
    }
    if (readLe<uint16_t>(bytes_.data() + header + 2) != 9)
        damaged(QStringLiteral("the header has a bad size"));
    objects_ = readLe<uint16_t>(bytes_.data() + header + 10);
    firstRecord_ = header + kHeaderBytes;
    checkRecords();
    if (inch > 0) {
        widthPixels_ = static_cast<int>(std::lround(std::abs(box_.right - box_.left) * 96.0 / inch));
        heightPixels_ = static_cast<int>(std::lround(std::abs(box_.bottom - box_.top) * 96.0 / inch));
    } else {
        widthPixels_ = std::abs(box_.right - box_.left);
        heightPixels_ = std::abs(box_.bottom - box_.top);
    }
}

uint32_t WmfDocument::recordWords(size_t offset) const
{
    return readLe<uint32_t>(bytes_.data() + offset);
}

uint16_t WmfDocument::recordFunction(size_t offset) const
{
    return readLe<uint16_t>(bytes_.data() + offset + 4);
}

void WmfDocument::checkRecords()
{
    bool placeable = firstRecord_ > kHeaderBytes;
    bool hasOrigin = false;
    for (size_t offset = firstRecord_; offset < bytes_.size();) {
        if (bytes_.size() - offset < 6)
            damaged(QStringLiteral("the file ends inside a record at byte %1").arg(offset));
        const uint64_t size = uint64_t{recordWords(offset)} * 2;
        const uint16_t function = recordFunction(offset);
        if (size < 6 || size > bytes_.size() - offset)
            damaged(QStringLiteral("%1 at byte %2 has a bad size")
                        .arg(QString::fromLatin1(U_wmr_names(function & U_WMR_MASK)))
                        .arg(offset));
        if (function == 0)
            break;
        // Without a placeable header the window the file sets is the picture's box.
        if (!placeable && size >= 10 && (function == kSetWindowExt || function == kSetWindowOrg)) {
            const int16_t y = readLe<int16_t>(bytes_.data() + offset + 6);
            const int16_t x = readLe<int16_t>(bytes_.data() + offset + 8);
            if (function == kSetWindowOrg && !hasOrigin) {
                box_ = gdi::Rect{x, y, x + (box_.right - box_.left), y + (box_.bottom - box_.top)};
                hasOrigin = true;
            } else if (function == kSetWindowExt) {
                box_.right = box_.left + x;
                box_.bottom = box_.top + y;
                placeable = true;
            }
        }
        offset += size;
    }
    if (box_.right == box_.left || box_.bottom == box_.top)
        damaged(QStringLiteral("the picture has no size"));
}

} // namespace metafile
