#include "imaging/formats/tiff_reader.h"

#include "imaging/dib_graphic.h"
#include "imaging/formats/byte_span_stream.h"
#include "imaging/formats/remaining_bytes.h"
#include "imaging/formats/tiff_handle.h"
#include "imaging/formats/tiff_row_converters.h"
#include "platform/framework/size_policy.h"
#include "platform/gdi/large_buffer.h"

#include <tiffio.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <thread>
#include <vector>

namespace {

// Far beyond any real multi-page file; keeps a crafted chain of directories cheap to count.
constexpr int32_t kMaxImages = 4096;
// A damaged file is read as far as it goes: a few rows or tiles that fail keep what their
// codec produced, but each failure may cost a whole strip's decoding again, so after this
// many the rest of the picture is left as it is.
constexpr int kMaxFailures = 16;
// From this many pixels on a second thread shares the decoding of the strips or tiles.
std::atomic<uint64_t> parallelPixels{1'000'000};

struct TiffLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    uint16_t inkSet = INKSET_CMYK;
    TiffRows::Alpha alpha = TiffRows::Alpha::None;
    bool tiled = false;
};

// How rows reach the picture: its format, and either libtiff's rows as they are (inPlace,
// inverted for min-is-white) or through a converter.
struct RowPlan {
    TImageFormat format = ifTrueColor;
    TiffRows::Converter convert = nullptr;
    bool inPlace = false;
};

TiffLayout readLayout(TIFF* tif)
{
    TiffLayout layout;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &layout.orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &layout.inkSet);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric))
        layout.photometric = layout.samplesPerPixel >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t extraCount = 0;
    const uint16_t* extra = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 && extra) {
        if (extra[0] == EXTRASAMPLE_ASSOCALPHA)
            layout.alpha = TiffRows::Alpha::Associated;
        else if (extra[0] == EXTRASAMPLE_UNASSALPHA)
            layout.alpha = TiffRows::Alpha::Unassociated;
    }
    layout.tiled = TIFFIsTiled(tif) != 0;
    return layout;
}

// The layouts whose rows are copied or converted directly; the rest go through libtiff's RGBA
// interface, which knows every colour space and orientation.
std::optional<RowPlan> planDirectRows(const TiffLayout& l)
{
    using namespace TiffRows;
    const bool unsignedSamples = l.sampleFormat == SAMPLEFORMAT_UINT || l.sampleFormat == SAMPLEFORMAT_VOID;
    if (!unsignedSamples || l.orientation != ORIENTATION_TOPLEFT
        || (l.planar != PLANARCONFIG_CONTIG && l.samplesPerPixel > 1))
        return std::nullopt;
    const int bits = l.bitsPerSample;
    const bool grey = l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE;
    const bool greyAlpha = l.samplesPerPixel >= 2 && l.alpha != Alpha::None;
    if (grey && l.samplesPerPixel == 1) {
        switch (bits) {
        case 1:
            return RowPlan{ifBlackWhite, nullptr, true};
        case 2:
            return RowPlan{ifGray16, &grey2ToGrey16Row, false};
        case 4:
            return RowPlan{ifGray16, nullptr, true};
        case 8:
            return RowPlan{ifGray256, nullptr, true};
        case 16:
            return RowPlan{ifGray256, greyConverter(16, Alpha::None), false};
        default:
            return std::nullopt;
        }
    }
    if (grey && (bits == 8 || bits == 16))
        return RowPlan{ifGray256, greyConverter(bits, greyAlpha ? l.alpha : Alpha::None), false};
    if (l.photometric == PHOTOMETRIC_PALETTE && l.samplesPerPixel == 1) {
        switch (bits) {
        case 1:
            return RowPlan{ifColor16, &palette1ToColor16Row, false};
        case 2:
            return RowPlan{ifColor16, &palette2ToColor16Row, false};
        case 4:
            return RowPlan{ifColor16, nullptr, true};
        case 8:
            return RowPlan{ifColor256, nullptr, true};
        default:
            return std::nullopt;
        }
    }
    // libtiff's RGBA interface takes only 8-bit inks.
    if (l.photometric == PHOTOMETRIC_SEPARATED && l.inkSet == INKSET_CMYK && l.samplesPerPixel >= 4
        && (bits == 8 || bits == 16))
        return RowPlan{ifTrueColor, cmykConverter(bits), false};
    if (l.photometric == PHOTOMETRIC_RGB && l.samplesPerPixel >= 3 && (bits == 8 || bits == 16)) {
        const Alpha alpha = l.samplesPerPixel >= 4 ? l.alpha : Alpha::None;
        return RowPlan{ifTrueColor, rgbConverter(bits, alpha), false};
    }
    return std::nullopt;
}

uint16_t dpiOf(TIFF* tif, ttag_t tag)
{
    float resolution = 0;
    uint16_t unit = RESUNIT_INCH;
    if (!TIFFGetField(tif, tag, &resolution))
        return 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    double dpi = resolution;
    if (unit == RESUNIT_CENTIMETER)
        dpi *= 2.54;
    else if (unit != RESUNIT_INCH)
        return 0;
    // 0 asks for the screen's resolution; so does a value no printer could mean.
    if (!(dpi >= 1 && dpi <= 65535))
        return 0;
    return static_cast<uint16_t>(std::lround(dpi));
}

// The colour map scaled from 16 to 8 bits, unless the writer put 8-bit values in it (some
// old programs did: then no entry reaches 256).
TLogPalette readColourMap(TIFF* tif, int bitsPerSample, int entries)
{
    TLogPalette palette;
    palette.palVersion = 0x300;
    palette.palNumEntries = static_cast<uint16_t>(entries);
    const uint16_t* red = nullptr;
    const uint16_t* green = nullptr;
    const uint16_t* blue = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
        RaiseDamagedFile(QStringLiteral("у рисунка с палитрой нет таблицы цветов"));
    const int mapEntries = std::min(entries, 1 << bitsPerSample);
    bool wide = false;
    for (int i = 0; i < mapEntries; ++i)
        wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
    const auto scale = [wide](uint16_t v) {
        return static_cast<uint8_t>(wide ? (uint32_t{v} * 255 + 32767) / 65535 : v);
    };
    for (int i = 0; i < mapEntries; ++i)
        palette.palPalEntry[i] = TPaletteEntry{scale(red[i]), scale(green[i]), scale(blue[i]), 0};
    return palette;
}

uint64_t checkedBytes(uint64_t a, uint64_t b)
{
    uint64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product) || product > PictureSizePolicy::maxBytes())
        throw EPictureFileError(EPictureFileError::Kind::TooLarge, QStringLiteral("рисунок требует слишком много памяти"));
    return product;
}

// Rows of samples of a tiled image, one band of tiles at a time, for the rows read in order.
class TileRows {
public:
    TileRows(const TiffHandle& handle, const TiffLayout& layout)
        : handle_(handle)
    {
        TIFF* tif = handle.get();
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth_);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight_);
        tileRowBytes_ = static_cast<uint64_t>(TIFFTileRowSize64(tif));
        const uint64_t tileBytes = static_cast<uint64_t>(TIFFTileSize64(tif));
        // Tiles are put side by side in whole bytes, so a tile row must end on a byte.
        const uint64_t tileRowBits = uint64_t{tileWidth_} * layout.bitsPerSample * layout.samplesPerPixel;
        if (tileWidth_ == 0 || tileHeight_ == 0 || tileRowBits % 8 != 0 || tileRowBytes_ != tileRowBits / 8
            || tileBytes < checkedBytes(tileRowBytes_, tileHeight_))
            handle.fail(QStringLiteral("неверное строение плиток"));
        tilesAcross_ = layout.width / tileWidth_ + (layout.width % tileWidth_ ? 1 : 0);
        bandRowBytes_ = checkedBytes(tilesAcross_, tileRowBytes_);
        tile_.resize(checkedBytes(tileBytes, 1));
        band_.resize(checkedBytes(bandRowBytes_, tileHeight_));
    }

    const uint8_t* row(uint32_t y)
    {
        const uint32_t bandTop = y - y % tileHeight_;
        if (!loaded_ || bandTop != bandTop_)
            loadBand(bandTop);
        return band_.data() + size_t{y - bandTop} * bandRowBytes_;
    }

    bool anyDecoded() const { return anyDecoded_; }
    bool failedTooOften() const { return failures_ > kMaxFailures; }

private:
    void loadBand(uint32_t top)
    {
        TIFF* tif = handle_.get();
        for (uint32_t i = 0; i < tilesAcross_ && !failedTooOften(); ++i) {
            if (TIFFReadTile(tif, tile_.data(), i * tileWidth_, top, 0, 0) >= 0)
                anyDecoded_ = true;
            else
                ++failures_;
            for (uint32_t r = 0; r < tileHeight_; ++r)
                std::copy_n(tile_.data() + r * tileRowBytes_, tileRowBytes_,
                            band_.data() + r * bandRowBytes_ + i * tileRowBytes_);
        }
        bandTop_ = top;
        loaded_ = true;
    }

    const TiffHandle& handle_;
    uint32_t tileWidth_ = 0;
    uint32_t tileHeight_ = 0;
    uint32_t tilesAcross_ = 0;
    uint64_t tileRowBytes_ = 0;
    uint64_t bandRowBytes_ = 0;
    std::vector<uint8_t> tile_;
    std::vector<uint8_t> band_;
    uint32_t bandTop_ = 0;
    bool loaded_ = false;
    bool anyDecoded_ = false;
    int failures_ = 0;
};

TiffRows::Context rowContext(TDibGraphic& picture, const TiffHandle& handle, const TiffLayout& layout,
                             const RowPlan& plan)
{
    TiffRows::Context context;
    context.width = layout.width;
    context.samplesPerPixel = layout.samplesPerPixel;
    context.minIsWhite = layout.photometric == PHOTOMETRIC_MINISWHITE;
    context.alpha = layout.alpha;
    context.sampleRowBytes = static_cast<size_t>(TIFFScanlineSize64(handle.get()));
    // The converters read whole pixels of samples and the in-place layouts fill a picture row
    // without its padding; a row size that says otherwise is refused rather than trusted.
    const uint64_t neededBytes = (uint64_t{layout.width} * layout.samplesPerPixel * layout.bitsPerSample + 7) / 8;
    if (context.sampleRowBytes != neededBytes
        || (plan.inPlace && context.sampleRowBytes > static_cast<size_t>(picture.RowBytes())))
        handle.fail(QStringLiteral("неверное строение строк"));
    return context;
}

// Rows read through one handle, in any order of whole strips or bands of tiles; each handle
// decodes the strips or tiles it meets on its own, so two of them can share a picture.
class DirectRows {
public:
    DirectRows(TDibGraphic& picture, const TiffHandle& handle, const TiffLayout& layout, const RowPlan& plan,
               const TiffRows::Context& context)
        : picture_(picture)
        , handle_(handle)
        , context_(context)
        , convert_(plan.convert)
        , inPlace_(plan.inPlace)
        , invert_(plan.inPlace && context.minIsWhite)
    {
        if (plan.inPlace)
            convert_ = invert_ ? &TiffRows::copyInvertedRow : &TiffRows::copyRow;
        if (layout.tiled)
            tiles_.emplace(handle, layout);
        else if (!inPlace_)
            samples_.resize(checkedBytes(context.sampleRowBytes, 1));
    }

    void read(uint32_t first, uint32_t last)
    {
        for (uint32_t y = first; y < last && !failedTooOften(); ++y) {
            uint8_t* row = picture_.ScanLine(static_cast<int32_t>(y));
            if (tiles_) {
                convert_(tiles_->row(y), row, context_);
                continue;
            }
            uint8_t* target = inPlace_ ? row : samples_.data();
            if (TIFFReadScanline(handle_.get(), target, y, 0) >= 0)
                anyDecoded_ = true;
            else
                ++failures_;
            if (!inPlace_)
                convert_(samples_.data(), row, context_);
            else if (invert_)
                TiffRows::invertInPlace(row, context_.sampleRowBytes);
        }
    }

    bool anyDecoded() const { return tiles_ ? tiles_->anyDecoded() : anyDecoded_; }
    bool failedTooOften() const { return tiles_ ? tiles_->failedTooOften() : failures_ > kMaxFailures; }

private:
    TDibGraphic& picture_;
    const TiffHandle& handle_;
    const TiffRows::Context context_;
    TiffRows::Converter convert_;
    const bool inPlace_;
    const bool invert_;
    std::optional<TileRows> tiles_;
    std::vector<uint8_t> samples_;
    bool anyDecoded_ = false;
    int failures_ = 0;
};

// The rows a strip or a band of tiles holds: the unit that one handle decodes alone.
uint32_t rowsPerBand(TIFF* tif, const TiffLayout& layout)
{
    uint32_t band = 0;
    if (layout.tiled)
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
    return band == 0 || band > layout.height ? layout.height : band;
}

// A reader of the same image with a handle of its own over the file's bytes, one per thread.
struct BytesReader {
    BytesReader(std::span<const uint8_t> bytes, int32_t imageIndex, TDibGraphic& picture, const TiffLayout& layout,
                const RowPlan& plan, const TiffRows::Context& context)
        : stream(bytes)
        , handle(stream, TiffHandle::Mode::Read)
    {
        if (imageIndex > 1 && !TIFFSetDirectory(handle.get(), static_cast<tdir_t>(imageIndex - 1)))
            handle.fail(QStringLiteral("рисунка %1 в файле нет").arg(imageIndex));
        rows.emplace(picture, handle, layout, plan, context);
    }
    ByteSpanStream stream;
    TiffHandle handle;
    std::optional<DirectRows> rows;
};

// Whole strips (or bands of tiles) are decoded in chunks by one handle each: the given one
// alone, or, when fileBytes holds the file, one handle over them on each of two threads.
void readDirectRows(TDibGraphic& picture, const TiffHandle& handle, const TiffLayout& layout, const RowPlan& plan,
                    std::span<const uint8_t> fileBytes, int32_t imageIndex)
{
    const TiffRows::Context context = rowContext(picture, handle, layout, plan);
    const uint32_t band = rowsPerBand(handle.get(), layout);
    const auto bands = static_cast<int>((uint64_t{layout.height} + band - 1) / band);
    const bool twoThreads = !fileBytes.empty() && bands >= 2;
    std::optional<DirectRows> alone;
    if (!twoThreads)
        alone.emplace(picture, handle, layout, plan, context);
    std::unique_ptr<BytesReader> readers[2];
    // Chunks of bands are taken in turn by whichever thread is free, so a band of hard-to-decode
    // strips does not leave the other thread idle.
    const int chunk = std::clamp(bands / 64, 1, 16);
    std::atomic<int> nextBand{0};
    std::exception_ptr failures[2];
    const auto work = [&](int worker) {
        try {
            if (twoThreads)
                readers[worker] = std::make_unique<BytesReader>(fileBytes, imageIndex, picture, layout, plan, context);
            DirectRows& rows = twoThreads ? *readers[worker]->rows : *alone;
            for (int at = nextBand.fetch_add(chunk); at < bands && !rows.failedTooOften(); at = nextBand.fetch_add(chunk))
                rows.read(static_cast<uint32_t>(at) * band,
                          static_cast<uint32_t>(std::min<uint64_t>(layout.height, uint64_t(at + chunk) * band)));
        } catch (...) {
            failures[worker] = std::current_exception();
        }
    };
    if (twoThreads) {
        std::thread helper(work, 1);
        work(0);
        helper.join();
    } else {
        work(0);
    }
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
    bool anyDecoded = alone && alone->anyDecoded();
    const TiffHandle* reason = &handle;
    for (const auto& reader : readers) {
        anyDecoded = anyDecoded || (reader && reader->rows->anyDecoded());
        if (reader && reader->handle.saidWhy() && !reason->saidWhy())
            reason = &reader->handle;
    }
    if (!anyDecoded)
        reason->fail(QStringLiteral("данные рисунка не раскодируются"));
}

bool flipsVertically(uint16_t orientation)
{
    return orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT
        || orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
}

// libtiff's RGBA interface, a band of rows at a time (the whole picture when the file's
// orientation turns it upside down, since a band is flipped only within itself).
void readRgbaRows(TDibGraphic& picture, const TiffHandle& handle, const TiffLayout& layout)
{
    TIFF* tif = handle.get();
    char message[1024] = {};
    TIFFRGBAImage image{};
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&image, tif, 0, message))
        RaiseDamagedFile(QStringLiteral("неподдерживаемый рисунок TIFF (%1)").arg(QString::fromLocal8Bit(message)));
    struct End {
        TIFFRGBAImage& image;
        ~End() { TIFFRGBAImageEnd(&image); }
    } end{image};
    image.req_orientation = ORIENTATION_TOPLEFT;

    uint32_t band = 0;
    if (layout.tiled)
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
    if (band == 0 || band > layout.height || flipsVertically(layout.orientation))
        band = layout.height;
    std::vector<uint32_t> raster(checkedBytes(uint64_t{layout.width} * 4, band) / 4);
    // Without stop-on-error libtiff goes on past strips or tiles that fail, once per band.
    bool anyDecoded = false;
    for (uint32_t top = 0; top < layout.height; top += band) {
        const uint32_t rows = std::min(band, layout.height - top);
        image.row_offset = static_cast<int>(top);
        image.col_offset = 0;
        anyDecoded = TIFFRGBAImageGet(&image, raster.data(), layout.width, rows) || anyDecoded;
        for (uint32_t r = 0; r < rows; ++r)
            TiffRows::rgbaRasterRow(raster.data() + size_t{r} * layout.width,
                                    picture.ScanLine(static_cast<int32_t>(top + r)), layout.width);
    }
    if (!anyDecoded)
        handle.fail(QStringLiteral("данные рисунка не раскодируются"));
}

} // namespace

namespace TiffReader {

void setParallelPixels(uint64_t pixels)
{
    parallelPixels.store(pixels);
}

int32_t countImages(TStream& stream)
{
    TiffHandle handle(stream, TiffHandle::Mode::Read);
    // Counting follows the chain of directory offsets; libtiff stops at a loop.
    const tdir_t count = TIFFNumberOfDirectories(handle.get());
    return static_cast<int32_t>(std::clamp<tdir_t>(count, 1, kMaxImages));
}

void readImage(TDibGraphic& picture, TStream& stream, int32_t imageIndex)
{
    const int64_t start = stream.Position();
    TiffHandle handle(stream, TiffHandle::Mode::Read);
    TIFF* tif = handle.get();
    if (imageIndex > 1 && (imageIndex > kMaxImages || !TIFFSetDirectory(tif, static_cast<tdir_t>(imageIndex - 1))))
        handle.fail(QStringLiteral("рисунка %1 в файле нет").arg(imageIndex));

    const TiffLayout layout = readLayout(tif);
    if (layout.width == 0 || layout.height == 0 || layout.width > std::numeric_limits<int32_t>::max()
        || layout.height > std::numeric_limits<int32_t>::max())
        RaiseDamagedFile(QStringLiteral("у рисунка нет верного размера"));
    const std::optional<RowPlan> plan = planDirectRows(layout);
    const TImageFormat format = plan ? plan->format : ifTrueColor;
    PictureSizePolicy::checkFile(layout.width, layout.height, ImageFormatBitCount(format));

    std::optional<TLogPalette> palette;
    if (format == ifColor16 || format == ifColor256)
        palette = readColourMap(tif, layout.bitsPerSample, format == ifColor16 ? 16 : 256);
    // Decoded aside, so a file refused half-way leaves the picture as it was.
    TDibGraphic decoded;
    decoded.NewImage(static_cast<int32_t>(layout.width), static_cast<int32_t>(layout.height), format,
                     palette ? &*palette : nullptr, dpiOf(tif, TIFFTAG_XRESOLUTION), dpiOf(tif, TIFFTAG_YRESOLUTION));
    // A large picture is decoded on two threads, each with a handle over the file read into
    // memory once.
    gdi::LargeBuffer fileBytes;
    if (plan && uint64_t{layout.width} * layout.height >= parallelPixels.load()) {
        const int64_t at = stream.Position();
        stream.SetPosition(start);
        fileBytes = ReadRemainingBytes(stream);
        stream.SetPosition(at);
    }
    if (plan)
        readDirectRows(decoded, handle, layout, *plan, fileBytes.bytes(), imageIndex);
    else
        readRgbaRows(decoded, handle, layout);
    picture.SwapImage(decoded);
}

} // namespace TiffReader
