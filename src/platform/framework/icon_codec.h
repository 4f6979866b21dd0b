#pragma once
// Reading icon and cursor files (ICO, CUR): the directory, then one entry decoded, either a
// packed DIB whose height counts the colour rows and the 1-bit mask rows, or a PNG file.
//
// The entry chosen is the one whose image is nearest to the system's icon size; between equally
// near ones the deeper colour wins, then the earlier entry. An entry that cannot be decoded is
// passed over for the next nearest. Every offset and size is checked against the data before it
// is used, and the entry count and sizes are bounded before anything is allocated. Nothing is
// printed; a file with no decodable entry raises EPictureFileError.

#include <QImage>

#include <cstdint>
#include <span>

namespace IconCodec {

// The icon size the entry is chosen by.
constexpr int kPreferredSize = 32;
// Entries wider or taller than this are passed over: the directory itself cannot describe more
// than 256, and nothing draws larger icons.
constexpr int kMaxSide = 1024;
// Files listing more entries are refused, so a damaged table cannot make the reader try
// thousands of overlapping entries.
constexpr int kMaxEntries = 256;

// The chosen image, Format_ARGB32 (alpha not premultiplied). Masked pixels are transparent
// black; 32-bit entries use their own alpha unless it is zero everywhere.
QImage decode(std::span<const uint8_t> data);

} // namespace IconCodec
