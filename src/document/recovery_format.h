#pragma once
// The layout of a recovery journal, shared by its writer and its reader. A journal is a file
// header followed by records; each record is a fixed header (with a checksum of its own) and a
// payload with a checksum, so that a reader can tell a whole record from a torn or damaged one.
//
//   file header:   "PKTJRNL1"
//   record header: magic u32, type u32, time i64 (ms since the epoch), length u64,
//                  payload checksum u32, header checksum u32 (of the 28 bytes before it),
//                  both CRC-32C
//   Info payload:  file name, caption, format class (u32 length + UTF-8 each), JPEG flag u8
//   Picture:       width i32, height i32, format u8, 3 spare, x dpi u16, y dpi u16,
//                  colour count u32, colours (blue, green, red, 0), row bytes u32, rows bottom-up
//   Rows:          first stored row u32 (counted from the bottom), row count u32, row bytes u32,
//                  width i32, height i32, the rows
// Numbers are little-endian, as the machines the editor runs on store them.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace recovery {

// A journal is written under its name with this added until its first picture is on the disk.
inline constexpr auto PartialSuffix = ".part";
inline constexpr char FileMagic[8] = {'P', 'K', 'T', 'J', 'R', 'N', 'L', '1'};
inline constexpr uint32_t RecordMagic = 0x5245434Au; // "JCER"
inline constexpr size_t RecordHeaderBytes = 32;
inline constexpr size_t PictureFixedBytes = 24;
inline constexpr size_t RowsFixedBytes = 20;

enum class RecordType : uint32_t { Info = 1, Picture = 2, Rows = 3 };

// What a journal says of its window besides the pixels.
struct JournalInfo {
    QString fileName;
    QString caption;
    // The class the file was read with, when saving writes that class's format; empty otherwise.
    QString formatClass;
    bool jpeg = false;

    friend bool operator==(const JournalInfo&, const JournalInfo&) = default;
};

// Little-endian stores and loads on a byte buffer.
inline void put32(uint8_t* at, uint32_t v)
{
    std::memcpy(at, &v, 4);
}
inline void put64(uint8_t* at, uint64_t v)
{
    std::memcpy(at, &v, 8);
}
inline uint32_t get32(const uint8_t* at)
{
    uint32_t v;
    std::memcpy(&v, at, 4);
    return v;
}
inline uint64_t get64(const uint8_t* at)
{
    uint64_t v;
    std::memcpy(&v, at, 8);
    return v;
}

} // namespace recovery
