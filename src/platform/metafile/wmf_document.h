#pragma once
// A Windows metafile held as its bytes, checked record by record when it is made.

#include "platform/gdi/gdi_types.h"

#include <cstdint>
#include <span>
#include <vector>

namespace metafile {

class WmfDocument {
public:
    // Raises EInvalidGraphic naming the first damaged record.
    explicit WmfDocument(std::vector<uint8_t> bytes);

    static bool hasSignature(std::span<const uint8_t> bytes);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // The picture's box in logical units, and its size in pixels at 96 dots per inch.
    const gdi::Rect& box() const { return box_; }
    int widthPixels() const { return widthPixels_; }
    int heightPixels() const { return heightPixels_; }
    int objectCount() const { return objects_; }

    // Calls visit(function, record) for each record up to the end record; the record span
    // starts at the record's first parameter word.
    template <typename Visit>
    void forEachRecord(Visit&& visit) const
    {
        for (size_t offset = firstRecord_; offset + 6 <= bytes_.size();) {
            const uint64_t size = uint64_t{recordWords(offset)} * 2;
            const uint16_t function = recordFunction(offset);
            if (function == 0)
                return;
            visit(function, std::span<const uint8_t>(bytes_.data() + offset + 6, size - 6));
            offset += size;
        }
    }

private:
    uint32_t recordWords(size_t offset) const;
    uint16_t recordFunction(size_t offset) const;
    void checkRecords();

    std::vector<uint8_t> bytes_;
    size_t firstRecord_ = 0;
    gdi::Rect box_;
    int widthPixels_ = 0;
    int heightPixels_ = 0;
    int objects_ = 0;
};

} // namespace metafile
