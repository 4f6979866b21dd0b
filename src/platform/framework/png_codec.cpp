#include "platform/framework/png_codec.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/png_image_data.h"
#include "platform/framework/read_progress.h"
#include "platform/framework/size_policy.h"
#include "platform/gdi/alpha_over_white.h"
#include "platform/gdi/packed_rows.h"

#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <png.h>
#include <zlib.h>

// libpng reports errors by calling back; the callback jumps to the jump point of the one
// function that set it, and those functions only call the library and plain C code between the
// jump point and their return, so no C++ destructor is skipped. The exception is raised after.

namespace {

struct ErrorState {
    char message[256] = {};
    bool truncated = false; // the data ended before the library had what it needed
};

[[noreturn]] void errorFn(png_structp png, png_const_charp message)
{
    auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message ? message : "unknown error");
    png_longjmp(png, 1);
}

void warningFn(png_structp, png_const_charp) {}

[[noreturn]] void raise(const ErrorState& state)
{
    throw EInvalidGraphic(QStringLiteral("PNG error: %1").arg(QString::fromLatin1(state.message)));
}

// A file the library refused: its own reason is kept for whoever looks into the file.
[[noreturn]] void raiseDamaged(const ErrorState& state)
{
    if (state.truncated)
        RaiseDamagedFile(QStringLiteral("файл обрывается"));
    RaiseDamagedFile(QStringLiteral("ошибка в данных PNG (%1)").arg(QString::fromLatin1(state.message)));
}

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};

void readFn(png_structp png, png_bytep out, size_t count)
{
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->position) {
        static_cast<ErrorState*>(png_get_error_ptr(png))->truncated = true;
        png_error(png, "Unexpected end of file");
    }
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

// Text, profile and suggested-palette chunks play no part in the pixels; skipping them keeps
// a compressed text bomb from costing anything.
constexpr png_byte kIgnoredChunks[] = {'t', 'E', 'X', 't', '\0', 'z', 'T', 'X', 't', '\0', 'i', 'T', 'X', 't', '\0',
                                       'i', 'C', 'C', 'P', '\0', 's', 'P', 'L', 'T', '\0', 'e', 'X', 'I', 'f', '\0'};

uint16_t metresToDpi(png_uint_32 perMetre)
{
    return static_cast<uint16_t>(std::min<uint64_t>(65535, (uint64_t{perMetre} * 254 + 5000) / 10000));
}

png_uint_32 dpiToMetres(uint16_t dpi)
{
    return static_cast<png_uint_32>((uint32_t{dpi} * 10000 + 127) / 254);
}

// Row conversions from the library's transformed row to the picture's row.
using RowConverter = void (*)(uint8_t* source, uint8_t* target, int width);

void indexesTo4(uint8_t* source, uint8_t* target, int width)
{
    gdi::packedRowFormat(4).storeIndexes(source, 0, width, target);
}

// Two-bit grey 0..3 is exactly entry 0, 5, 10 or 15 of the sixteen-grey ramp.
void grey2To4(uint8_t* source, uint8_t* target, int width)
{
    for (int x = 0; x < width; ++x)
        source[x] = static_cast<uint8_t>(source[x] * 5);
    indexesTo4(source, target, width);
}

void compositeOverWhite(uint8_t* source, uint8_t* target, int width)
{
    gdi::compositeRowOverWhite(source, target, width);
}

std::vector<gdi::RgbQuad> greyRamp(int bits)
{
    const int count = 1 << bits;
    std::vector<gdi::RgbQuad> table(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto v = static_cast<uint8_t>(i * 255 / (count - 1));
        table[static_cast<size_t>(i)] = gdi::RgbQuad{v, v, v, 0};
    }
    return table;
}

class Decoder {
public:
    Decoder(std::span<const uint8_t> bytes, PngAlpha alpha) : reader_{bytes.data(), bytes.size()}, alpha_(alpha) {}
    ~Decoder()
    {
        if (png_)
            png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    void decode(const PngCodec::SurfaceForPng& surfaceFor)
    {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error_, errorFn, warningFn);
        if (png_)
            info_ = png_create_info_struct(png_);
        if (!png_ || !info_)
            throw EInvalidGraphic(QStringLiteral("PNG error: out of memory"));
        if (!readHeader())
            raiseDamaged(error_);
        PictureSizePolicy::checkFile(layout_.width, layout_.height, layout_.bitsPerPixel);
        gdi::DibSurface& surface = surfaceFor(layout_);
        if (surface.width() != layout_.width || surface.height() != layout_.height
            || surface.bitsPerPixel() != layout_.bitsPerPixel)
            throw EInvalidGraphic(QStringLiteral("PNG error: no picture of the file's size and depth"));
        if (interlaced_) {
            // Interlaced passes refine rows already read, so the library needs every row at once.
            PictureSizePolicy::checkFile(layout_.width, layout_.height, channelBits_);
            image_.resize(rowBytes_ * static_cast<size_t>(layout_.height));
            rowPointers_.resize(static_cast<size_t>(layout_.height));
            for (size_t y = 0; y < rowPointers_.size(); ++y)
                rowPointers_[y] = image_.data() + y * rowBytes_;
        } else if (convert_) {
            row_.resize(rowBytes_);
        }
        if (!readRows(surface))
            raiseDamaged(error_);
        if (interlaced_)
            for (int y = 0; y < layout_.height; ++y)
                storeRow(rowPointers_[static_cast<size_t>(y)], surface.scanLine(y));
    }

    const PngLayout& layout() const { return layout_; }

private:
    bool readHeader()
    {
        if (setjmp(png_jmpbuf(png_)))
            return false;
        png_set_read_fn(png_, &reader_, readFn);
        png_set_user_limits(png_, 0x7FFFFFFF, 0x7FFFFFFF);
        png_set_chunk_malloc_max(png_, 8u << 20);
        png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, sizeof kIgnoredChunks / 5);
        png_read_info(png_, info_);

        png_uint_32 width = 0, height = 0;
        int depth = 0, colorType = 0, interlace = 0;
        png_get_IHDR(png_, info_, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
        if (width > 0x7FFFFFFF || height > 0x7FFFFFFF)
            png_error(png_, "Image too large");
        layout_.width = static_cast<int>(width);
        layout_.height = static_cast<int>(height);
        png_uint_32 xPerMetre = 0, yPerMetre = 0;
        int unit = 0;
        if (png_get_pHYs(png_, info_, &xPerMetre, &yPerMetre, &unit) && unit == PNG_RESOLUTION_METER) {
            layout_.xDpi = metresToDpi(xPerMetre);
            layout_.yDpi = metresToDpi(yPerMetre);
        }
        readColourSpace();
        const bool transparent = png_get_valid(png_, info_, PNG_INFO_tRNS) != 0;
        if (alpha_ == PngAlpha::Kept)
            chooseAlpha(depth, colorType, transparent);
        else if (colorType == PNG_COLOR_TYPE_PALETTE && !transparent)
            choosePalette(depth);
        else if (colorType == PNG_COLOR_TYPE_GRAY && !transparent)
            chooseGrey(depth);
        else
            chooseTrueColor(depth, colorType, transparent);

        interlaced_ = png_set_interlace_handling(png_) > 1;
        png_read_update_info(png_, info_);
        rowBytes_ = png_get_rowbytes(png_, info_);
        channelBits_ = png_get_channels(png_, info_) * png_get_bit_depth(png_, info_);
        return true;
    }

    void readColourSpace()
    {
        PngColourSpace& space = layout_.colourSpace;
        png_fixed_point gamma = 0;
        if (png_get_gAMA_fixed(png_, info_, &gamma))
            space.gamma = gamma;
        std::array<png_fixed_point, 8> c{};
        if (png_get_cHRM_fixed(png_, info_, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7]))
            space.chromaticities = std::array<int32_t, 8>{c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]};
        int intent = 0;
        if (png_get_sRGB(png_, info_, &intent))
            space.srgbIntent = intent;
    }

    void choosePalette(int depth)
    {
        png_colorp palette = nullptr;
        int count = 0;
        png_get_PLTE(png_, info_, &palette, &count);
        const bool blackWhite = depth == 1 && count == 2 && palette[0].red == 0 && palette[0].green == 0
            && palette[0].blue == 0 && palette[1].red == 255 && palette[1].green == 255 && palette[1].blue == 255;
        if (blackWhite) {
            setTarget(PngTarget::BlackWhite, 1);
        } else if (depth == 8) {
            setTarget(PngTarget::Color256, 8);
        } else {
            setTarget(PngTarget::Color16, 4);
            if (depth < 4) {
                png_set_packing(png_);
                convert_ = indexesTo4;
            }
        }
        // Padded with black, so an index past the file's palette is black and never outside
        // the table.
        layout_.colorTable.assign(size_t{1} << layout_.bitsPerPixel, gdi::RgbQuad{});
        for (int i = 0; i < count && i < static_cast<int>(layout_.colorTable.size()); ++i)
            layout_.colorTable[static_cast<size_t>(i)] = gdi::RgbQuad{palette[i].blue, palette[i].green, palette[i].red, 0};
    }

    void chooseGrey(int depth)
    {
        if (depth == 1) {
            setTarget(PngTarget::BlackWhite, 1);
        } else if (depth <= 4) {
            setTarget(PngTarget::Gray16, 4);
            if (depth == 2) {
                png_set_packing(png_);
                convert_ = grey2To4;
            }
        } else {
            setTarget(PngTarget::Gray256, 8);
            if (depth == 16)
                png_set_scale_16(png_);
        }
        layout_.colorTable = greyRamp(layout_.bitsPerPixel);
    }

    // Any colour type and depth as 8-bit BGR, with alpha where the file has it.
    void expandToBgr(int depth, int colorType, bool transparent)
    {
        if (colorType == PNG_COLOR_TYPE_PALETTE)
            png_set_palette_to_rgb(png_);
        if (transparent)
            png_set_tRNS_to_alpha(png_);
        if ((colorType & PNG_COLOR_MASK_COLOR) == 0 && depth < 8)
            png_set_expand_gray_1_2_4_to_8(png_);
        if (depth == 16)
            png_set_scale_16(png_);
        if ((colorType & PNG_COLOR_MASK_COLOR) == 0)
            png_set_gray_to_rgb(png_);
        png_set_bgr(png_);
    }

    void chooseTrueColor(int depth, int colorType, bool transparent)
    {
        setTarget(PngTarget::TrueColor, 24);
        expandToBgr(depth, colorType, transparent);
        if ((colorType & PNG_COLOR_MASK_ALPHA) || transparent)
            convert_ = compositeOverWhite;
    }

    void chooseAlpha(int depth, int colorType, bool transparent)
    {
        setTarget(PngTarget::TrueColor, 32);
        expandToBgr(depth, colorType, transparent);
        if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !transparent)
            png_set_add_alpha(png_, 0xFF, PNG_FILLER_AFTER);
    }

    void setTarget(PngTarget target, int bits)
    {
        layout_.target = target;
        layout_.bitsPerPixel = bits;
    }

    void storeRow(uint8_t* source, uint8_t* target)
    {
        if (convert_)
            convert_(source, target, layout_.width);
        else
            std::memcpy(target, source, rowBytes_);
    }

    bool readRows(gdi::DibSurface& surface)
    {
        if (setjmp(png_jmpbuf(png_)))
            return false;
        if (interlaced_) {
            png_read_image(png_, rowPointers_.data());
            return true;
        }
        for (int y = 0; y < layout_.height; ++y) {
            uint8_t* target = surface.scanLine(y);
            png_read_row(png_, convert_ ? row_.data() : target, nullptr);
            if (convert_)
                convert_(row_.data(), target, layout_.width);
            ReadProgress::Report(y + 1, layout_.height);
        }
        return true;
    }

    MemoryReader reader_;
    PngAlpha alpha_;
    ErrorState error_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    PngLayout layout_;
    RowConverter convert_ = nullptr;
    bool interlaced_ = false;
    size_t rowBytes_ = 0;
    int channelBits_ = 0;
    std::vector<uint8_t> row_;
    std::vector<uint8_t> image_;
    std::vector<png_bytep> rowPointers_;
};

void writeFn(png_structp png, png_bytep data, size_t count)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        out->insert(out->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    if (failed)
        png_error(png, "Out of memory");
}

void flushFn(png_structp) {}

class Encoder {
public:
    ~Encoder()
    {
        if (png_)
            png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
    }

    // parts above 1 compress true colour in that many parts on two threads.
    std::vector<uint8_t> encode(const gdi::DibSurface& surface, uint16_t xDpi, uint16_t yDpi, int parts,
                                const PngColourSpace& colourSpace)
    {
        colourSpace_ = colourSpace;
        parts_ = surface.bitsPerPixel() == 24 || surface.bitsPerPixel() == 32 ? parts : 1;
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error_, errorFn, warningFn);
        if (png_)
            info_ = png_create_info_struct(png_);
        if (!png_ || !info_)
            throw EInvalidGraphic(QStringLiteral("PNG error: out of memory"));
        const int bits = surface.bitsPerPixel();
        if (bits <= 8) {
            grey_ = surface.colorTable() == greyRamp(bits);
            if (!grey_) {
                palette_.assign(size_t{1} << bits, png_color{0, 0, 0});
                const auto& table = surface.colorTable();
                for (size_t i = 0; i < table.size() && i < palette_.size(); ++i)
                    palette_[i] = png_color{table[i].red, table[i].green, table[i].blue};
            }
        }
        if (!write(surface, xDpi, yDpi))
            raise(error_);
        return std::move(out_);
    }

private:
    bool write(const gdi::DibSurface& surface, uint16_t xDpi, uint16_t yDpi)
    {
        if (setjmp(png_jmpbuf(png_)))
            return false;
        png_set_write_fn(png_, &out_, writeFn, flushFn);
        const int bits = surface.bitsPerPixel();
        const int colorType = bits > 8 ? PNG_COLOR_TYPE_RGB : grey_ ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_PALETTE;
        png_set_IHDR(png_, info_, static_cast<png_uint_32>(surface.width()), static_cast<png_uint_32>(surface.height()),
                     bits > 8 ? 8 : bits, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (colorType == PNG_COLOR_TYPE_PALETTE)
            png_set_PLTE(png_, info_, palette_.data(), static_cast<int>(palette_.size()));
        if (xDpi && yDpi)
            png_set_pHYs(png_, info_, dpiToMetres(xDpi), dpiToMetres(yDpi), PNG_RESOLUTION_METER);
        writeColourSpace();
        // Rows of whole bytes per sample: the Paeth filter and run-length matching. On photos
        // this gives smaller files than the library's default (every filter tried on each row,
        // then level 6) at several times its speed, and on drawings about the same size.
        // Palettes and packed depths keep the defaults, which suit index data better.
        if (colorType == PNG_COLOR_TYPE_RGB || (colorType == PNG_COLOR_TYPE_GRAY && bits == 8)) {
            png_set_filter(png_, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
            png_set_compression_strategy(png_, Z_RLE);
        }
        png_write_info(png_, info_);
        if (parts_ > 1) {
            writeImageData(PngImageData::compressRgb(surface, parts_));
            return true;
        }
        if (bits > 8)
            png_set_bgr(png_);
        if (bits == 32)
            png_set_filler(png_, 0, PNG_FILLER_AFTER);
        for (int y = 0; y < surface.height(); ++y)
            png_write_row(png_, const_cast<png_bytep>(surface.scanLine(y)));
        png_write_end(png_, info_);
        return true;
    }

    // Values the library took when reading; one it now finds doubtful costs a warning, not the file.
    void writeColourSpace()
    {
        png_set_benign_errors(png_, 1);
        if (colourSpace_.srgbIntent)
            png_set_sRGB(png_, info_, *colourSpace_.srgbIntent);
        if (colourSpace_.gamma)
            png_set_gAMA_fixed(png_, info_, *colourSpace_.gamma);
        if (const auto& c = colourSpace_.chromaticities)
            png_set_cHRM_fixed(png_, info_, (*c)[0], (*c)[1], (*c)[2], (*c)[3], (*c)[4], (*c)[5], (*c)[6], (*c)[7]);
    }

    // Image data compressed elsewhere, in IDAT chunks of the size the library writes, then the
    // end of the file.
    void writeImageData(const std::vector<uint8_t>& data)
    {
        static const png_byte idat[5] = "IDAT";
        static const png_byte iend[5] = "IEND";
        constexpr size_t kChunk = size_t{1} << 20;
        for (size_t at = 0; at < data.size(); at += kChunk)
            png_write_chunk(png_, idat, data.data() + at, std::min(kChunk, data.size() - at));
        png_write_chunk(png_, iend, nullptr, 0);
    }

    ErrorState error_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    bool grey_ = false;
    int parts_ = 1;
    PngColourSpace colourSpace_;
    std::vector<png_color> palette_;
    std::vector<uint8_t> out_;
};

} // namespace

namespace PngCodec {

bool hasSignature(std::span<const uint8_t> bytes)
{
    return bytes.size() >= 8 && png_sig_cmp(bytes.data(), 0, 8) == 0;
}

DecodedPng decode(std::span<const uint8_t> bytes)
{
    DecodedPng result;
    decodeInto(bytes, [&result](const PngLayout& layout) -> gdi::DibSurface& {
        result.layout = layout;
        result.surface = std::make_unique<gdi::DibSurface>(layout.width, layout.height, layout.bitsPerPixel,
                                                           layout.colorTable);
        return *result.surface;
    });
    return result;
}

void decodeInto(std::span<const uint8_t> bytes, const SurfaceForPng& surfaceFor, PngAlpha alpha)
{
    if (!hasSignature(bytes))
        RaiseDamagedFile(QStringLiteral("это не файл PNG"));
    Decoder decoder(bytes, alpha);
    decoder.decode(surfaceFor);
}

std::vector<uint8_t> encode(const gdi::DibSurface& surface, uint16_t xDpi, uint16_t yDpi,
                            const PngColourSpace& colourSpace)
{
    const uint64_t pixels = uint64_t(surface.width()) * uint64_t(surface.height());
    // More parts than threads, so that a thread finishing early takes another.
    return encodeInParts(surface, xDpi, yDpi, pixels >= kParallelPixels ? 8 : 1, colourSpace);
}

std::vector<uint8_t> encodeInParts(const gdi::DibSurface& surface, uint16_t xDpi, uint16_t yDpi, int parts,
                                   const PngColourSpace& colourSpace)
{
    Encoder encoder;
    return encoder.encode(surface, xDpi, yDpi, parts, colourSpace);
}

} // namespace PngCodec
