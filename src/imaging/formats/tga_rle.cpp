#include "imaging/formats/tga_rle.h"

#include <algorithm>
#include <cstring>

bool TgaPixelDecoder::readPixels(uint8_t* out, size_t count)
{
    if (!compressed_)
        return in_.read(out, count * pixelBytes_) == count * pixelBytes_;
    size_t done = 0;
    while (done < count) {
        if (packetLeft_ == 0) {
            uint8_t code = 0;
            if (!in_.next(code))
                return false;
            packetLeft_ = (code & 0x7Fu) + 1;
            repeating_ = (code & 0x80) != 0;
            if (repeating_ && in_.read(pixel_, pixelBytes_) != pixelBytes_)
                return false;
        }
        const size_t n = std::min(packetLeft_, count - done);
        uint8_t* at = out + done * pixelBytes_;
        if (repeating_) {
            for (size_t i = 0; i < n; ++i)
                std::memcpy(at + i * pixelBytes_, pixel_, pixelBytes_);
        } else if (in_.read(at, n * pixelBytes_) != n * pixelBytes_) {
            return false;
        }
        done += n;
        packetLeft_ -= n;
    }
    return true;
}

namespace {

bool samePixel(const uint8_t* a, const uint8_t* b, size_t bytes)
{
    return std::memcmp(a, b, bytes) == 0;
}

} // namespace

void EncodeTgaPixels(const uint8_t* pixels, size_t count, int pixelBytes, std::vector<uint8_t>& out)
{
    const size_t bytes = static_cast<size_t>(pixelBytes);
    auto at = [&](size_t i) { return pixels + i * bytes; };
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (run < 128 && i + run < count && samePixel(at(i), at(i + run), bytes))
            ++run;
        if (run > 1) {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), at(i), at(i) + bytes);
            i += run;
            continue;
        }
        // Raw pixels up to the next pair of equal ones, which starts a run.
        size_t raw = 1;
        while (raw < 128 && i + raw < count
               && !(i + raw + 1 < count && samePixel(at(i + raw), at(i + raw + 1), bytes)))
            ++raw;
        out.push_back(static_cast<uint8_t>(raw - 1));
        out.insert(out.end(), at(i), at(i + raw));
        i += raw;
    }
}
