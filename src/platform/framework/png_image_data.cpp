#include "platform/framework/png_image_data.h"

#include "platform/framework/exceptions.h"
#include "platform/gdi/large_buffer.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <thread>

#include <zlib.h>

namespace {

constexpr uint8_t kPaeth = 4;

// Picture rows (blue, green, red, and a spare byte at 32 bits) as the file's red, green, blue.
void toRgb(const uint8_t* row, int width, int bytesPerPixel, uint8_t* rgb)
{
    for (int x = 0; x < width; ++x, row += bytesPerPixel, rgb += 3) {
        rgb[0] = row[2];
        rgb[1] = row[1];
        rgb[2] = row[0];
    }
}

uint8_t paethPredictor(int left, int above, int aboveLeft)
{
    const int p = left + above - aboveLeft;
    const int pa = std::abs(p - left);
    const int pb = std::abs(p - above);
    const int pc = std::abs(p - aboveLeft);
    if (pa <= pb && pa <= pc)
        return static_cast<uint8_t>(left);
    return static_cast<uint8_t>(pb <= pc ? above : aboveLeft);
}

// The filter byte, then each byte less the prediction from the pixel to its left, the one
// above and the one above-left (zero outside the picture).
void paethRow(const uint8_t* rgb, const uint8_t* above, size_t bytes, uint8_t* out)
{
    out[0] = kPaeth;
    ++out;
    for (size_t i = 0; i < 3 && i < bytes; ++i)
        out[i] = static_cast<uint8_t>(rgb[i] - paethPredictor(0, above[i], 0));
    for (size_t i = 3; i < bytes; ++i)
        out[i] = static_cast<uint8_t>(rgb[i] - paethPredictor(rgb[i - 3], above[i], above[i - 3]));
}

struct Part {
    gdi::LargeBuffer data;
    size_t size = 0;
    uLong adler = 0;
    z_off_t length = 0;
};

// Rows [first, last) as raw deflate data, ending the stream when last is the height.
Part compressPart(const gdi::DibSurface& surface, int first, int last)
{
    const int width = surface.width();
    const int bytesPerPixel = surface.bitsPerPixel() / 8;
    const size_t rgbBytes = size_t(width) * 3;
    std::vector<uint8_t> above(rgbBytes, 0), current(rgbBytes), filtered(rgbBytes + 1);
    if (first > 0)
        toRgb(surface.scanLine(first - 1), width, bytesPerPixel, above.data());

    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_RLE) != Z_OK)
        throw EInvalidGraphic(QStringLiteral("PNG error: out of memory"));
    Part part;
    part.adler = adler32(0, nullptr, 0);
    const uLong rows = static_cast<uLong>(last - first);
    // Enough for any data deflated without flushing, and the one sync flush at the end.
    part.data = gdi::LargeBuffer(deflateBound(&z, static_cast<uLong>(filtered.size()) * rows) + 64);
    if (part.data.size() > UINT32_MAX) {
        deflateEnd(&z);
        throw EInvalidGraphic(QStringLiteral("PNG error: the picture is too large"));
    }
    z.next_out = part.data.data();
    z.avail_out = static_cast<uInt>(part.data.size());
    const bool ends = last == surface.height();
    int status = Z_OK;
    for (int y = first; y < last && status == Z_OK; ++y) {
        toRgb(surface.scanLine(y), width, bytesPerPixel, current.data());
        paethRow(current.data(), above.data(), rgbBytes, filtered.data());
        part.adler = adler32(part.adler, filtered.data(), static_cast<uInt>(filtered.size()));
        z.next_in = filtered.data();
        z.avail_in = static_cast<uInt>(filtered.size());
        const int flush = y + 1 < last ? Z_NO_FLUSH : ends ? Z_FINISH : Z_SYNC_FLUSH;
        status = deflate(&z, flush);
        std::swap(above, current);
    }
    part.length = static_cast<z_off_t>(filtered.size() * rows);
    // Running out of room shows as a status other than these, or as input left over.
    const bool done = ends ? status == Z_STREAM_END : status == Z_OK && z.avail_in == 0 && z.avail_out > 0;
    part.size = part.data.size() - z.avail_out;
    deflateEnd(&z);
    if (!done)
        throw EInvalidGraphic(QStringLiteral("PNG error: the image data could not be compressed"));
    return part;
}

} // namespace

namespace PngImageData {

std::vector<uint8_t> compressRgb(const gdi::DibSurface& surface, int parts)
{
    const int height = surface.height();
    parts = std::clamp(parts, 1, std::max(1, height));
    std::vector<Part> done(static_cast<size_t>(parts));
    std::vector<std::exception_ptr> failures(static_cast<size_t>(parts));
    std::atomic<int> next{0};
    const auto work = [&] {
        for (int i = next++; i < parts; i = next++) {
            try {
                const int first = static_cast<int>(int64_t(height) * i / parts);
                const int last = static_cast<int>(int64_t(height) * (i + 1) / parts);
                done[static_cast<size_t>(i)] = compressPart(surface, first, last);
            } catch (...) {
                failures[static_cast<size_t>(i)] = std::current_exception();
            }
        }
    };
    if (parts > 1) {
        std::thread helper(work);
        work();
        helper.join();
    } else {
        work();
    }
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);

    // A zlib header for a 32 KiB window with no preset dictionary (0x7801 is a multiple of 31).
    std::vector<uint8_t> stream{0x78, 0x01};
    size_t total = stream.size() + 4;
    for (const Part& part : done)
        total += part.size;
    stream.reserve(total);
    uLong adler = adler32(0, nullptr, 0);
    for (const Part& part : done) {
        stream.insert(stream.end(), part.data.data(), part.data.data() + part.size);
        adler = adler32_combine(adler, part.adler, part.length);
    }
    for (int shift : {24, 16, 8, 0})
        stream.push_back(static_cast<uint8_t>(adler >> shift));
    return stream;
}

} // namespace PngImageData
