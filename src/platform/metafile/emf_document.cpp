#include "platform/metafile/emf_document.h"

#include "platform/framework/exceptions.h"

#include <uemf.h>
#include <uemf_safe.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace metafile {

namespace {

constexpr double kScreenDpi = 96.0;

[[noreturn]] void damaged(const QString& what)
{
    throw EInvalidGraphic(QStringLiteral("Damaged metafile: %1").arg(what));
}

uint32_t readU32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

uint16_t readU16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// An EMF+ comment's records tile its data, each of a known type with a payload inside it. We do
// not play them, but a chain that does not hold together marks a damaged file.
bool plusRecordsHoldTogether(std::span<const uint8_t> comment)
{
    constexpr uint32_t kPlusIdentifier = 0x2B464D45; // "EMF+"
    constexpr uint16_t kFirstPlusType = 0x4001, kLastPlusType = 0x403A;
    constexpr size_t kPlusHeader = 12;
    if (comment.size() < 16)
        return true;
    const size_t data = std::min<size_t>(readU32(comment.data() + 8), comment.size() - 12);
    if (data < 4 || readU32(comment.data() + 12) != kPlusIdentifier)
        return true;
    size_t at = 16;
    const size_t end = 12 + data;
    while (at < end) {
        if (end - at < kPlusHeader)
            return false;
        const uint16_t type = readU16(comment.data() + at);
        const uint32_t size = readU32(comment.data() + at + 4);
        const uint32_t payload = readU32(comment.data() + at + 8);
        if (type < kFirstPlusType || type > kLastPlusType || size < kPlusHeader || size % 4 != 0
            || size > end - at || payload > size - kPlusHeader)
            return false;
        at += size;
    }
    return true;
}

// Record types libUEMF has no check for (it says so on stderr). We play none of them, so only
// their size, checked for every record, matters.
bool libraryChecks(uint32_t type)
{
    switch (type) {
    case U_EMR_UNDEF69: case U_EMR_POLYTEXTOUTA: case U_EMR_POLYTEXTOUTW: case U_EMR_GLSRECORD:
    case U_EMR_GLSBOUNDEDRECORD: case U_EMR_DRAWESCAPE: case U_EMR_EXTESCAPE: case U_EMR_UNDEF107:
    case U_EMR_FORCEUFIMAPPING: case U_EMR_NAMEDESCAPE: case U_EMR_COLORCORRECTPALETTE:
    case U_EMR_SETICMPROFILEA: case U_EMR_SETICMPROFILEW: case U_EMR_UNDEF117: case U_EMR_SETLINKEDUFIS:
    case U_EMR_SETTEXTJUSTIFICATION: case U_EMR_COLORMATCHTOTARGETW:
        return false;
    default:
        return type >= U_EMR_MIN && type <= U_EMR_MAX;
    }
}

int hundredthsMmToPixels(int64_t hundredths)
{
    return static_cast<int>(std::lround(static_cast<double>(hundredths) * kScreenDpi / 2540.0));
}

} // namespace

QString emfRecordName(uint32_t type)
{
    if (type < U_EMR_MIN || type > U_EMR_MAX)
        return QStringLiteral("record type %1").arg(type);
    return QString::fromLatin1(U_emr_names(type));
}

bool EmfDocument::hasSignature(std::span<const uint8_t> bytes)
{
    return bytes.size() >= 44 && readU32(bytes.data()) == U_EMR_HEADER && readU32(bytes.data() + 40) == U_ENHMETA_SIGNATURE;
}

EmfDocument::EmfDocument(std::vector<uint8_t> bytes) : bytes_(std::move(bytes))
{
    readHeader();
    checkRecords();
}

uint32_t EmfDocument::recordType(size_t offset) const
{
    return readU32(bytes_.data() + offset);
}

uint32_t EmfDocument::recordSize(size_t offset) const
{
    return readU32(bytes_.data() + offset + 4);
}

void EmfDocument::readHeader()
{
    if (!hasSignature(bytes_))
        throw EInvalidGraphic(QStringLiteral("Not an enhanced metafile"));
    const uint32_t size = recordSize(0);
    if (size < U_SIZE_EMRHEADER_MIN || size > bytes_.size() || size % 4 != 0)
        damaged(QStringLiteral("EMR_HEADER has a bad size"));
    U_EMRHEADER h{};
    std::memcpy(&h, bytes_.data(), std::min<size_t>(size, sizeof h));
    header_.bounds = {h.rclBounds.left, h.rclBounds.top, h.rclBounds.right, h.rclBounds.bottom};
    header_.frame = {h.rclFrame.left, h.rclFrame.top, h.rclFrame.right, h.rclFrame.bottom};
    header_.deviceWidth = h.szlDevice.cx;
    header_.deviceHeight = h.szlDevice.cy;
    header_.deviceWidthMm = h.szlMillimeters.cx;
    header_.deviceHeightMm = h.szlMillimeters.cy;
    header_.handles = h.nHandles;
    // The description, when there is one, lies inside the header record.
    if (h.nDescription != 0
        && (h.offDescription < U_SIZE_EMRHEADER_MIN || h.offDescription > size
            || uint64_t{h.nDescription} * 2 > size - h.offDescription))
        damaged(QStringLiteral("EMR_HEADER has a bad description"));
}

void EmfDocument::checkRecords() const
{
    size_t offset = 0;
    bool ended = false;
    while (!ended && offset < bytes_.size()) {
        if (bytes_.size() - offset < 8)
            damaged(QStringLiteral("the file ends inside a record at byte %1").arg(offset));
        const uint32_t type = recordType(offset);
        const uint32_t size = recordSize(offset);
        const QString where = QStringLiteral("%1 at byte %2").arg(emfRecordName(type)).arg(offset);
        if (size < 8 || size % 4 != 0 || size > bytes_.size() - offset)
            damaged(QStringLiteral("%1 has a bad size").arg(where));
        if (offset > 0 && type == U_EMR_HEADER)
            damaged(QStringLiteral("%1 is a second header").arg(where));
        // libUEMF's own check that the counts and offsets inside a known record stay in it.
        if (libraryChecks(type) && !U_emf_record_safe(reinterpret_cast<const char*>(bytes_.data() + offset)))
            damaged(QStringLiteral("%1 is inconsistent").arg(where));
        if (type == U_EMR_COMMENT && !plusRecordsHoldTogether(std::span(bytes_).subspan(offset, size)))
            damaged(QStringLiteral("%1 holds broken EMF+ records").arg(where));
        ended = type == kEndRecord;
        offset += size;
    }
}

double EmfDocument::pixelsPerMmX() const
{
    if (header_.deviceWidth > 0 && header_.deviceWidthMm > 0)
        return double(header_.deviceWidth) / header_.deviceWidthMm;
    return kScreenDpi / 25.4;
}

double EmfDocument::pixelsPerMmY() const
{
    if (header_.deviceHeight > 0 && header_.deviceHeightMm > 0)
        return double(header_.deviceHeight) / header_.deviceHeightMm;
    return kScreenDpi / 25.4;
}

int EmfDocument::widthPixels() const
{
    const int64_t frame = int64_t{header_.frame.right} - header_.frame.left;
    if (frame > 0)
        return hundredthsMmToPixels(frame);
    return static_cast<int>(std::clamp<int64_t>(int64_t{header_.bounds.right} - header_.bounds.left + 1, 0, INT32_MAX));
}

int EmfDocument::heightPixels() const
{
    const int64_t frame = int64_t{header_.frame.bottom} - header_.frame.top;
    if (frame > 0)
        return hundredthsMmToPixels(frame);
    return static_cast<int>(std::clamp<int64_t>(int64_t{header_.bounds.bottom} - header_.bounds.top + 1, 0, INT32_MAX));
}

} // namespace metafile
