#include "platform/framework/jpeg_codec.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/gdi/packed_rows.h"

#include <QString>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

// The library reports errors by calling back; the callback jumps back to the one function
// that set the jump point, and that function only calls the library and plain C code between
// the jump point and its return, so no C++ destructor is ever skipped. The exception is raised
// after the jump, in ordinary code.

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void jumpWith(j_common_ptr info, const char* message)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    std::snprintf(err->message, sizeof err->message, "%s", message);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void errorExit(j_common_ptr info)
{
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    jumpWith(info, message);
}

// Warnings (a truncated file, extraneous bytes) are not shown: the picture is read as far as
// it goes.
void outputMessage(j_common_ptr) {}

// Each scan of a progressive file costs a pass over the coefficients; a crafted file of
// thousands of tiny scans would otherwise take minutes. Real files use at most a few dozen.
constexpr int kMaxScans = 1000;

void progressMonitor(j_common_ptr info)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(info);
    if (d->input_scan_number > kMaxScans)
        jumpWith(info, "Too many progressive scans");
}

void installErrorManager(jpeg_error_mgr* err)
{
    jpeg_std_error(err);
    err->error_exit = errorExit;
    err->output_message = outputMessage;
}

[[noreturn]] void raise(const ErrorManager& err)
{
    throw EInvalidGraphic(QStringLiteral("JPEG error: %1").arg(QString::fromLocal8Bit(err.message)));
}

uint8_t mul255(unsigned a, unsigned b)
{
    const unsigned v = a * b + 128;
    return static_cast<uint8_t>((v + (v >> 8)) >> 8);
}

// Adobe's files store CMYK inverted (0 is full ink); others store plain ink amounts.
void cmykToBgr(const uint8_t* cmyk, int width, bool inverted, uint8_t* bgr)
{
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = mul255(y, k);
        bgr[1] = mul255(m, k);
        bgr[2] = mul255(c, k);
    }
}

uint16_t densityToDpi(int unit, unsigned density)
{
    if (unit == 1)
        return static_cast<uint16_t>(density);
    if (unit == 2)
        return static_cast<uint16_t>(std::min(65535u, (density * 254 + 50) / 100));
    return 0;
}

class Decompressor {
public:
    Decompressor()
    {
        installErrorManager(&err_.base);
        info_.err = &err_.base;
        progress_.progress_monitor = progressMonitor;
    }
    ~Decompressor()
    {
        if (created_)
            jpeg_destroy_decompress(&info_);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    void decode(std::span<const uint8_t> bytes, const JpegCodec::SurfaceForJpeg& surfaceFor)
    {
        if (!readHeader(bytes))
            raise(err_);
        PictureSizePolicy::check(info_.image_width, info_.image_height, 24);
        uint16_t xDpi = 0, yDpi = 0;
        if (info_.saw_JFIF_marker) {
            xDpi = densityToDpi(info_.density_unit, info_.X_density);
            yDpi = densityToDpi(info_.density_unit, info_.Y_density);
        }
        gdi::DibSurface& surface = surfaceFor(static_cast<int>(info_.image_width), static_cast<int>(info_.image_height),
                                              xDpi, yDpi);
        if (surface.bitsPerPixel() != 24 || surface.width() != static_cast<int>(info_.image_width)
            || surface.height() != static_cast<int>(info_.image_height))
            throw EInvalidGraphic(QStringLiteral("JPEG error: no 24-bit picture of the file's size"));
        if (cmyk_)
            cmykRow_.resize(static_cast<size_t>(info_.image_width) * 4);
        if (!readRows(surface))
            raise(err_);
    }

private:
    bool readHeader(std::span<const uint8_t> bytes)
    {
        if (setjmp(err_.jump))
            return false;
        jpeg_create_decompress(&info_);
        created_ = true;
        info_.progress = &progress_;
        // The coefficient buffers of progressive files are the library's own allocation.
        info_.mem->max_memory_to_use = static_cast<long>(std::min<uint64_t>(PictureSizePolicy::maxBytes(), 1L << 30));
        jpeg_mem_src(&info_, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info_, TRUE);
        cmyk_ = info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK;
        info_.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGR;
        return true;
    }

    bool readRows(gdi::DibSurface& surface)
    {
        if (setjmp(err_.jump))
            return false;
        jpeg_start_decompress(&info_);
        if (static_cast<int>(info_.output_width) != surface.width()
            || static_cast<int>(info_.output_height) != surface.height())
            jumpWith(reinterpret_cast<j_common_ptr>(&info_), "Unexpected output size");
        const bool inverted = info_.saw_Adobe_marker;
        while (info_.output_scanline < info_.output_height) {
            const int y = static_cast<int>(info_.output_scanline);
            uint8_t* target = surface.scanLine(y);
            JSAMPROW row = cmyk_ ? cmykRow_.data() : target;
            if (jpeg_read_scanlines(&info_, &row, 1) != 1)
                break;
            if (cmyk_)
                cmykToBgr(cmykRow_.data(), surface.width(), inverted, target);
        }
        jpeg_finish_decompress(&info_);
        return true;
    }

    jpeg_decompress_struct info_{};
    ErrorManager err_{};
    jpeg_progress_mgr progress_{};
    std::vector<uint8_t> cmykRow_;
    bool created_ = false;
    bool cmyk_ = false;
};

class Compressor {
public:
    Compressor()
    {
        installErrorManager(&err_.base);
        info_.err = &err_.base;
    }
    ~Compressor()
    {
        if (created_)
            jpeg_destroy_compress(&info_);
        std::free(buffer_);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    std::vector<uint8_t> encode(const gdi::DibSurface& surface, int quality, uint16_t xDpi, uint16_t yDpi)
    {
        const int bits = surface.bitsPerPixel();
        if (bits != 24 && bits != 32) {
            // Other depths go through one row of 0x00RRGGBB values, which in memory is B, G, R, X.
            colorRow_.resize(static_cast<size_t>(surface.width()));
            std::fill(std::begin(colors_), std::end(colors_), 0u);
            const auto& table = surface.colorTable();
            for (size_t i = 0; i < table.size() && i < 256; ++i)
                colors_[i] = (uint32_t{table[i].red} << 16) | (uint32_t{table[i].green} << 8) | table[i].blue;
            fetch_ = gdi::packedRowFormat(bits).fetchColors;
        }
        if (!compress(surface, std::clamp(quality, 1, 100), xDpi, yDpi))
            raise(err_);
        return std::vector<uint8_t>(buffer_, buffer_ + size_);
    }

private:
    bool compress(const gdi::DibSurface& surface, int quality, uint16_t xDpi, uint16_t yDpi)
    {
        if (setjmp(err_.jump))
            return false;
        jpeg_create_compress(&info_);
        created_ = true;
        jpeg_mem_dest(&info_, &buffer_, &size_);
        info_.image_width = static_cast<JDIMENSION>(surface.width());
        info_.image_height = static_cast<JDIMENSION>(surface.height());
        info_.input_components = surface.bitsPerPixel() == 24 ? 3 : 4;
        info_.in_color_space = surface.bitsPerPixel() == 24 ? JCS_EXT_BGR : JCS_EXT_BGRX;
        jpeg_set_defaults(&info_);
        jpeg_set_quality(&info_, quality, TRUE);
        if (xDpi && yDpi) {
            info_.density_unit = 1;
            info_.X_density = xDpi;
            info_.Y_density = yDpi;
        }
        jpeg_start_compress(&info_, TRUE);
        while (info_.next_scanline < info_.image_height) {
            const uint8_t* source = surface.scanLine(static_cast<int>(info_.next_scanline));
            JSAMPROW row;
            if (fetch_) {
                fetch_(source, 0, surface.width(), colors_, colorRow_.data());
                row = reinterpret_cast<JSAMPROW>(colorRow_.data());
            } else {
                row = const_cast<JSAMPROW>(source);
            }
            jpeg_write_scanlines(&info_, &row, 1);
        }
        jpeg_finish_compress(&info_);
        return true;
    }

    jpeg_compress_struct info_{};
    ErrorManager err_{};
    unsigned char* buffer_ = nullptr;
    unsigned long size_ = 0;
    bool created_ = false;
    gdi::FetchColorRow fetch_ = nullptr;
    uint32_t colors_[256] = {};
    std::vector<uint32_t> colorRow_;
};

} // namespace

namespace JpegCodec {

DecodedJpeg decode(std::span<const uint8_t> bytes)
{
    DecodedJpeg result;
    decodeInto(bytes, [&result](int width, int height, uint16_t xDpi, uint16_t yDpi) -> gdi::DibSurface& {
        result.surface = std::make_unique<gdi::DibSurface>(width, height, 24);
        result.xDpi = xDpi;
        result.yDpi = yDpi;
        return *result.surface;
    });
    return result;
}

void decodeInto(std::span<const uint8_t> bytes, const SurfaceForJpeg& surfaceFor)
{
    Decompressor decompressor;
    decompressor.decode(bytes, surfaceFor);
}

std::vector<uint8_t> encode(const gdi::DibSurface& surface, int quality, uint16_t xDpi, uint16_t yDpi)
{
    Compressor compressor;
    return compressor.encode(surface, quality, xDpi, yDpi);
}

} // namespace JpegCodec
