#include "platform/framework/jpeg_codec.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/jpeg_band_join.h"
#include "platform/framework/size_policy.h"
#include "platform/gdi/packed_rows.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <thread>

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

// The decoder's own reason is kept for whoever looks into the file.
[[noreturn]] void raiseDamaged(const ErrorManager& err)
{
    RaiseDamagedFile(QStringLiteral("ошибка декодера JPEG (%1)").arg(QString::fromLocal8Bit(err.message)));
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

bool progressiveOrTooSmall(const jpeg_decompress_struct& info, int splitRow)
{
    // Skipping rows of a progressive file would decode all its scans twice; arithmetic-coded
    // files are rare enough to keep on the one well-trodden path.
    return info.progressive_mode || info.arith_code || splitRow <= 0 || splitRow >= static_cast<int>(info.image_height);
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

    void open(std::span<const uint8_t> bytes)
    {
        if (!readHeader(bytes))
            raiseDamaged(err_);
    }
    const jpeg_decompress_struct& info() const { return info_; }

    gdi::DibSurface& surfaceFor(const JpegCodec::SurfaceForJpeg& surfaceFor)
    {
        PictureSizePolicy::checkFile(info_.image_width, info_.image_height, 24);
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
        return surface;
    }

    // Rows [first, last) of the picture; the rows above first are only entropy-decoded.
    void decodeRows(gdi::DibSurface& surface, int first, int last)
    {
        if (cmyk_)
            cmykRow_.resize(static_cast<size_t>(info_.image_width) * 4);
        if (!readRows(surface, static_cast<JDIMENSION>(first), static_cast<JDIMENSION>(last)))
            raiseDamaged(err_);
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

    bool readRows(gdi::DibSurface& surface, JDIMENSION first, JDIMENSION last)
    {
        if (setjmp(err_.jump))
            return false;
        jpeg_start_decompress(&info_);
        if (static_cast<int>(info_.output_width) != surface.width()
            || static_cast<int>(info_.output_height) != surface.height())
            jumpWith(reinterpret_cast<j_common_ptr>(&info_), "Unexpected output size");
        if (first > 0 && jpeg_skip_scanlines(&info_, first) != first)
            jumpWith(reinterpret_cast<j_common_ptr>(&info_), "Cannot skip to the rows asked for");
        const bool inverted = info_.saw_Adobe_marker;
        while (info_.output_scanline < last) {
            const int y = static_cast<int>(info_.output_scanline);
            uint8_t* target = surface.scanLine(y);
            JSAMPROW row = cmyk_ ? cmykRow_.data() : target;
            if (jpeg_read_scanlines(&info_, &row, 1) != 1)
                break;
            if (cmyk_)
                cmykToBgr(cmykRow_.data(), surface.width(), inverted, target);
        }
        // A part that stops above the last row has nothing left to check.
        if (info_.output_scanline < info_.output_height)
            jpeg_abort_decompress(&info_);
        else
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

// The rows from splitRow down on a second thread with a decoder of its own, which skips the
// rows above (entropy decoding only, since a Huffman stream cannot be entered in the middle).
void decodeInTwo(Decompressor& top, std::span<const uint8_t> bytes, gdi::DibSurface& surface, int splitRow)
{
    std::exception_ptr bottomFailure;
    std::thread bottom([&] {
        try {
            Decompressor decompressor;
            decompressor.open(bytes);
            decompressor.decodeRows(surface, splitRow, surface.height());
        } catch (...) {
            bottomFailure = std::current_exception();
        }
    });
    std::exception_ptr topFailure;
    try {
        top.decodeRows(surface, 0, splitRow);
    } catch (...) {
        topFailure = std::current_exception();
    }
    bottom.join();
    if (topFailure)
        std::rethrow_exception(topFailure);
    if (bottomFailure)
        std::rethrow_exception(bottomFailure);
}

// The default split: the bottom part also entropy-decodes the rows above it, which at usual
// qualities costs about half of decoding them, so the top part takes two thirds.
int balancedSplitRow(const jpeg_decompress_struct& info)
{
    const uint64_t pixels = uint64_t{info.image_width} * info.image_height;
    if (pixels < JpegCodec::kParallelPixels)
        return 0;
    return static_cast<int>(uint64_t{info.image_height} * 2 / 3);
}

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

    // Rows [first, first + rows) of the surface as a file of their own.
    std::vector<uint8_t> encode(const gdi::DibSurface& surface, int first, int rows, int quality, uint16_t xDpi,
                                uint16_t yDpi)
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
        if (!compress(surface, first, rows, std::clamp(quality, 1, 100), xDpi, yDpi))
            raise(err_);
        return std::vector<uint8_t>(buffer_, buffer_ + size_);
    }

private:
    bool compress(const gdi::DibSurface& surface, int first, int rows, int quality, uint16_t xDpi, uint16_t yDpi)
    {
        if (setjmp(err_.jump))
            return false;
        jpeg_create_compress(&info_);
        created_ = true;
        jpeg_mem_dest(&info_, &buffer_, &size_);
        info_.image_width = static_cast<JDIMENSION>(surface.width());
        info_.image_height = static_cast<JDIMENSION>(rows);
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
            const uint8_t* source = surface.scanLine(first + static_cast<int>(info_.next_scanline));
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

// The files are written 4:2:0, whose MCU is 16 x 16 pixels.
constexpr int kMcuSize = 16;
constexpr int kWorkers = 2;

int defaultBandRows(const gdi::DibSurface& surface)
{
    const uint64_t pixels = uint64_t(surface.width()) * uint64_t(surface.height());
    if (pixels < JpegCodec::kParallelPixels)
        return surface.height();
    const int mcuRows = (surface.height() + kMcuSize - 1) / kMcuSize;
    return (mcuRows + kWorkers - 1) / kWorkers * kMcuSize;
}

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
    decodeSplitInto(bytes, surfaceFor, -1);
}

void decodeSplitInto(std::span<const uint8_t> bytes, const SurfaceForJpeg& surfaceFor, int splitRow)
{
    Decompressor decompressor;
    decompressor.open(bytes);
    if (splitRow < 0)
        splitRow = balancedSplitRow(decompressor.info());
    gdi::DibSurface& surface = decompressor.surfaceFor(surfaceFor);
    if (progressiveOrTooSmall(decompressor.info(), splitRow))
        decompressor.decodeRows(surface, 0, surface.height());
    else
        decodeInTwo(decompressor, bytes, surface, splitRow);
}

std::vector<uint8_t> encode(const gdi::DibSurface& surface, int quality, uint16_t xDpi, uint16_t yDpi)
{
    return encodeInBands(surface, quality, xDpi, yDpi, defaultBandRows(surface));
}

std::vector<uint8_t> encodeInBands(const gdi::DibSurface& surface, int quality, uint16_t xDpi, uint16_t yDpi,
                                   int bandRows)
{
    const int height = surface.height();
    bandRows = std::max(kMcuSize, bandRows / kMcuSize * kMcuSize);
    if (bandRows >= height)
        return Compressor().encode(surface, 0, height, quality, xDpi, yDpi);
    // The restart interval counts the MCUs of one band and has 16 bits.
    const int mcusAcross = (surface.width() + kMcuSize - 1) / kMcuSize;
    bandRows = std::min(bandRows, std::max(1, 0xFFFF / mcusAcross) * kMcuSize);
    const int bandCount = (height + bandRows - 1) / bandRows;
    std::vector<std::vector<uint8_t>> bands(static_cast<size_t>(bandCount));
    std::vector<std::exception_ptr> failures(static_cast<size_t>(bandCount));
    std::atomic<int> next{0};
    const auto work = [&] {
        for (int band = next++; band < bandCount; band = next++) {
            try {
                const int first = band * bandRows;
                bands[static_cast<size_t>(band)] =
                    Compressor().encode(surface, first, std::min(bandRows, height - first), quality, xDpi, yDpi);
            } catch (...) {
                failures[static_cast<size_t>(band)] = std::current_exception();
            }
        }
    };
    std::thread helper(work);
    work();
    helper.join();
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
    const auto interval = static_cast<uint16_t>(mcusAcross * (bandRows / kMcuSize));
    return JpegBandJoin::join(bands, static_cast<uint32_t>(height), interval);
}

} // namespace JpegCodec
