#pragma once
// An enhanced metafile held as its bytes, checked record by record when it is made: every
// record's stated size lies inside the file, and its counts and offsets inside the record.

#include "platform/gdi/gdi_types.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace metafile {

struct EmfHeader {
    gdi::Rect bounds;       // device pixels of the reference device, inclusive
    gdi::Rect frame;        // 0.01 mm, inclusive
    int deviceWidth = 0;    // reference device in pixels
    int deviceHeight = 0;
    int deviceWidthMm = 0;  // and in millimetres
    int deviceHeightMm = 0;
    uint16_t handles = 0;
};

class EmfDocument {
public:
    // Raises EInvalidGraphic naming the first record that is damaged.
    explicit EmfDocument(std::vector<uint8_t> bytes);

    static bool hasSignature(std::span<const uint8_t> bytes);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    const EmfHeader& header() const { return header_; }
    // The picture's size at the screen's 96 dots per inch, from the frame (or the bounds).
    int widthPixels() const;
    int heightPixels() const;
    // Reference-device pixels per millimetre.
    double pixelsPerMmX() const;
    double pixelsPerMmY() const;

    // Calls visit(type, record) for each record after the header, up to the end record.
    template <typename Visit>
    void forEachRecord(Visit&& visit) const
    {
        size_t offset = 0;
        while (offset + 8 <= bytes_.size()) {
            const std::span<const uint8_t> record(bytes_.data() + offset, recordSize(offset));
            const uint32_t type = recordType(offset);
            if (offset > 0 && !visit(type, record))
                return;
            if (type == kEndRecord)
                return;
            offset += record.size();
        }
    }

    static constexpr uint32_t kEndRecord = 14;

private:
    uint32_t recordType(size_t offset) const;
    uint32_t recordSize(size_t offset) const;
    void readHeader();
    void checkRecords() const;

    std::vector<uint8_t> bytes_;
    EmfHeader header_;
};

// "EMR_POLYLINE16" and the like, for messages.
QString emfRecordName(uint32_t type);

} // namespace metafile
