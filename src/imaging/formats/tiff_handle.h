#pragma once
// libtiff over one of our streams: the library reads, seeks and writes through TStream, never
// touches a file or stderr itself. Its errors keep its own words: while reading they make the
// file a damaged one, while writing they become EPictureError.

#include <QString>

#include <cstdint>
#include <string>

class TStream;
typedef struct tiff TIFF;

class TiffHandle {
public:
    enum class Mode { Read, Write };
    // Offsets in the TIFF data are taken from the stream's present position.
    TiffHandle(TStream& stream, Mode mode);
    ~TiffHandle();
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;

    TIFF* get() const { return tif_; }
    // Raises the reading or writing error naming what failed and, when libtiff said why, its
    // reason.
    [[noreturn]] void fail(const QString& what) const;
    bool saidWhy() const { return !lastError_.empty(); }
    // Flushes what was written; raises on failure. The destructor only closes.
    void finishWriting();

private:
    friend struct TiffHandleCallbacks;
    TStream& stream_;
    int64_t base_ = 0;
    Mode mode_;
    TIFF* tif_ = nullptr;
    std::string lastError_;
};
