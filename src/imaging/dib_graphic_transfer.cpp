// How a picture takes its pixels from platform bitmaps, packed DIBs, the clipboard and streams,
// and the registry of file extensions.
#include "imaging/dib_graphic.h"

#include "platform/framework/bmp_codec.h"
#include "platform/framework/picture.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/packed_rows.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>

namespace {

[[noreturn]] void invalidHdib()
{
    throw EPictureError(QStringLiteral("Invalid HDIB"));
}

[[noreturn]] void unsupportedBitCount()
{
    throw EPictureError(QStringLiteral("Unsupported bit count"));
}

uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t readU32(const uint8_t* p)
{
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

TImageFormat formatOfBitCount(int bits)
{
    switch (bits) {
    case 1:
        return ifBlackWhite;
    case 4:
        return ifColor16;
    case 8:
        return ifColor256;
    case 24:
        return ifTrueColor;
    default:
        unsupportedBitCount();
    }
}

struct RegistryEntry {
    const TDibGraphicClass* graphicClass;
    QString description;
};

std::map<QString, RegistryEntry>& registry()
{
    static std::map<QString, RegistryEntry> list;
    return list;
}

// The extension as written in the name, with its dot; the whole name when it has none.
QString extensionOf(const QString& fileName)
{
    const qsizetype slash = std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        return fileName;
    return fileName.mid(dot);
}

QString registryKey(const QString& extension)
{
    QString key = extension.toUpper();
    if (key.startsWith(QLatin1Char('.')))
        key.remove(0, 1);
    return key;
}

} // namespace

// The framework's picture holder makes a picture of this class for bitmaps from the clipboard.
// Done when the first picture is made rather than during static initialisation, whose order
// across libraries is not defined.
void TDibGraphic::RegisterClipboardClass()
{
    static const bool registered = [] {
        TPicture::RegisterClipboardFormat(CF_BITMAP, &CreateGraphicOf<TDibGraphic>);
        return true;
    }();
    (void)registered;
}

// ---- platform bitmaps ---------------------------------------------------------------------

void TDibGraphic::LoadFromBitmapHandle(const HBITMAP& bitmap)
{
    if (!bitmap || !bitmap->surface)
        throw EInvalidGraphic(FrameworkMessages::invalidBitmap());
    const gdi::DibSurface& source = *bitmap->surface;
    const int bits = source.bitsPerPixel();
    // 32-bit bitmaps are read as 24 bits.
    const TImageFormat format = formatOfBitCount(bits == 32 ? 24 : bits);

    TLogPalette palette;
    const TLogPalette* paletteArgument = nullptr;
    if (bits <= 8 && !source.colorTable().empty()) {
        palette = PaletteOfColorTable(source.colorTable());
        paletteArgument = &palette;
    }
    // A device-dependent bitmap carries no resolution.
    const uint16_t xDpi = bitmap->dibSection && bitmap->xPelsPerMeter > 0 ? PelsPerMeterToDpi(bitmap->xPelsPerMeter) : 0;
    const uint16_t yDpi = bitmap->dibSection && bitmap->yPelsPerMeter > 0 ? PelsPerMeterToDpi(bitmap->yPelsPerMeter) : 0;

    NewImage(source.width(), source.height(), format, paletteArgument, xDpi, yDpi);
    const int height = GetHeight();
    const int width = GetWidth();
    if (bits == 32) {
        const gdi::PackedRowFormat& from = gdi::packedRowFormat(32);
        const gdi::PackedRowFormat& to = gdi::packedRowFormat(24);
        for (int y = 0; y < height; ++y)
            gdi::convertPackedRow(from, source.scanLine(y), 0, to, ScanLine(y), 0, width);
    } else {
        std::memcpy(Bits_, source.bits(), std::min(source.imageBytes(), static_cast<size_t>(RowBytes_) * height));
    }
}

// ---- packed DIBs --------------------------------------------------------------------------

// Every size in the header is checked against the block before it is used, so a short or
// lying block is refused before the picture changes.
void TDibGraphic::LoadFromHDIB(std::span<const uint8_t> block)
{
    if (block.size() < 40)
        invalidHdib();
    const uint8_t* h = block.data();
    const uint32_t headerSize = readU32(h);
    const int32_t width = static_cast<int32_t>(readU32(h + 4));
    const int32_t height = static_cast<int32_t>(readU32(h + 8));
    const int bits = readU16(h + 14);
    const uint32_t compression = readU32(h + 16);
    const uint32_t imageSize = readU32(h + 20);
    const int32_t xPelsPerMeter = static_cast<int32_t>(readU32(h + 24));
    const int32_t yPelsPerMeter = static_cast<int32_t>(readU32(h + 28));
    const uint32_t coloursUsed = readU32(h + 32);

    if (headerSize < 40 || headerSize > block.size())
        invalidHdib();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        unsupportedBitCount();
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min())
        invalidHdib();
    const uint64_t colours = coloursUsed ? coloursUsed : (bits <= 8 ? (1u << bits) : 0);
    if (bits <= 8 && colours > (1u << bits))
        invalidHdib();

    if (bits == 16 || bits == 32 || compression != 0) {
        if (compression != 0 && (imageSize == 0 || imageSize > block.size() - headerSize))
            invalidHdib();
        // The bitmap reader honours bit-field masks, run-length data and the header's size.
        DecodedBmp decoded = BmpCodec::decodePackedDib(block);
        auto object = std::make_shared<BitmapObject>();
        object->surface = std::shared_ptr<gdi::DibSurface>(std::move(decoded.surface));
        object->dibSection = true;
        object->xPelsPerMeter = decoded.xPelsPerMeter;
        object->yPelsPerMeter = decoded.yPelsPerMeter;
        LoadFromBitmapHandle(object);
        return;
    }

    const uint64_t tableOffset = headerSize;
    const uint64_t rowsOffset = tableOffset + 4 * colours;
    const uint64_t rowBytes = static_cast<uint64_t>(gdi::DibSurface::rowBytesFor(width, bits));
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
    if (rowsOffset > block.size() || rowBytes * rows > block.size() - rowsOffset)
        invalidHdib();

    TLogPalette palette;
    if (bits <= 8) {
        palette.palVersion = 0x300;
        palette.palNumEntries = static_cast<uint16_t>(colours);
        for (uint64_t i = 0; i < colours; ++i) {
            const uint8_t* q = h + tableOffset + 4 * i;
            palette.palPalEntry[i] = TPaletteEntry{q[2], q[1], q[0], 0};
        }
    }
    NewImage(width, static_cast<int32_t>(rows), formatOfBitCount(bits), bits <= 8 ? &palette : nullptr,
             PelsPerMeterToDpi(xPelsPerMeter), PelsPerMeterToDpi(yPelsPerMeter));
    const uint8_t* pixels = h + rowsOffset;
    if (height > 0) {
        std::memcpy(Bits_, pixels, rowBytes * rows);
    } else {
        // Rows stored top-down: the first one is picture row 0.
        for (uint64_t y = 0; y < rows; ++y)
            std::memcpy(ScanLine(static_cast<int32_t>(y)), pixels + y * rowBytes, rowBytes);
    }
}

// ---- clipboard ----------------------------------------------------------------------------

void TDibGraphic::LoadFromClipboardFormat(unsigned short format, const HBITMAP& data, const HPALETTE& /*palette*/)
{
    if (format != CF_BITMAP || !data)
        throw EInvalidGraphic(QStringLiteral("Unknown clipboard format, %1").arg(format));
    // The screen is never a palette device, so the palette is not needed.
    LoadFromBitmapHandle(data);
}

void TDibGraphic::SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& /*palette*/)
{
    format = CF_BITMAP;
    std::shared_ptr<gdi::DibSurface> surface;
    try {
        if (GetEmpty())
            throw std::invalid_argument("empty picture");
        if (ImageFormat_ == ifBlackWhite) {
            const gdi::RgbQuad mono[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
            surface = std::make_shared<gdi::DibSurface>(GetWidth(), GetHeight(), 1, mono);
        } else {
            surface = std::make_shared<gdi::DibSurface>(GetWidth(), GetHeight(), 32);
        }
    } catch (const std::exception&) {
        throw EPictureError(QStringLiteral("CopyBitmap: CreateBitmap failed"));
    }
    gdi::DeviceContext dc(*surface);
    dc.BitBlt(0, 0, GetWidth(), GetHeight(), MemoryDC_.get(), 0, 0, gdi::SRCCOPY);
    auto object = std::make_shared<BitmapObject>();
    object->surface = std::move(surface);
    object->dibSection = false;
    data = std::move(object);
}

void TDibGraphic::LoadFromClipboard()
{
    const QImage image = QGuiApplication::clipboard()->image();
    HBITMAP bitmap;
    if (!image.isNull()) {
        // The clipboard bitmap as a device-dependent bitmap in the screen's 32-bit format.
        PictureSizePolicy::check(image.width(), image.height(), 32);
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        auto surface = std::make_shared<gdi::DibSurface>(rgb.width(), rgb.height(), 32);
        const size_t rowBytes = static_cast<size_t>(rgb.width()) * 4;
        for (int y = 0; y < rgb.height(); ++y)
            std::memcpy(surface->scanLine(y), rgb.constScanLine(y), rowBytes);
        bitmap = std::make_shared<BitmapObject>();
        bitmap->surface = std::move(surface);
        bitmap->dibSection = false;
    }
    LoadFromClipboardFormat(CF_BITMAP, bitmap, nullptr);
}

void TDibGraphic::SaveToClipboard()
{
    unsigned short format = 0;
    HBITMAP bitmap;
    HPALETTE palette;
    SaveToClipboardFormat(format, bitmap, palette);
    const gdi::DibSurface& surface = *bitmap->surface;
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    if (surface.bitsPerPixel() == 32) {
        for (int y = 0; y < surface.height(); ++y)
            std::memcpy(image.scanLine(y), surface.scanLine(y), static_cast<size_t>(surface.width()) * 4);
    } else {
        const gdi::PackedRowFormat& mono = gdi::packedRowFormat(1);
        const uint32_t colors[2] = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        for (int y = 0; y < surface.height(); ++y)
            mono.fetchColors(surface.scanLine(y), 0, surface.width(), colors, reinterpret_cast<uint32_t*>(image.scanLine(y)));
    }
    QGuiApplication::clipboard()->setImage(image);
}

// ---- streams ------------------------------------------------------------------------------

void TDibGraphic::LoadFromStream(TStream& stream)
{
    // Animation is off while the stream is read and comes back as it was, whatever happens.
    struct AnimationPause {
        TDibGraphic& picture;
        bool was;
        ~AnimationPause() { picture.SetAnimated(was); }
    } pause{*this, Animated_};
    SetAnimated(false);

    int32_t count = 0;
    int64_t start = 0;
    if (MultiImage_) {
        start = stream.Position();
        count = GetImageCount(stream);
        if (count == 1)
            MultiImage_ = false;
    }
    if (MultiImage_) {
        for (int32_t i = 1; i <= count; ++i) {
            std::unique_ptr<TDibGraphic> frame = NewInstance();
            stream.SetPosition(start);
            frame->ReadImage(stream, i);
            Frames_.push_back(std::move(frame));
        }
        SetCurrentFrame(1);
    } else {
        ReadImage(stream, ImageIndex_);
    }
}

void TDibGraphic::SaveToStream(TStream& /*stream*/) {}

int32_t TDibGraphic::GetImageCount(TStream& /*stream*/)
{
    return 1;
}

void TDibGraphic::ReadImage(TStream& /*stream*/, int32_t /*imageIndex*/) {}

void TDibGraphic::AppendToStream(TStream& /*stream*/)
{
    throw EPictureError(QStringLiteral("The %1 format does not support multiple images").arg(ClassName()));
}

// ---- registry -----------------------------------------------------------------------------

const TDibGraphicClass* TDibGraphic::StaticClass()
{
    return DibGraphicClassOf<TDibGraphic>();
}

void TDibGraphic::RegisterGraphicFormat(const QString& extension, const QString& description,
                                        const TDibGraphicClass* graphicClass)
{
    if (graphicClass->GraphicClass)
        TPicture::RegisterFileFormat(registryKey(extension), description, graphicClass->GraphicClass);
    registry()[registryKey(extension)] = RegistryEntry{graphicClass, description};
}

const TDibGraphicClass* TDibGraphic::FindGraphicClass(const QString& fileName)
{
    const auto it = registry().find(registryKey(extensionOf(fileName)));
    return it == registry().end() ? nullptr : it->second.graphicClass;
}

std::unique_ptr<TDibGraphic> TDibGraphic::CreateGraphicForFile(const QString& fileName)
{
    const TDibGraphicClass* cls = FindGraphicClass(fileName);
    if (!cls)
        throw EPictureError(
            QStringLiteral("Graphic files of %1 format are not supported or not registered").arg(extensionOf(fileName)));
    return cls->Create();
}

TLogPalette PaletteOfColorTable(std::span<const gdi::RgbQuad> table)
{
    TLogPalette palette;
    palette.palVersion = 0x300;
    palette.palNumEntries = static_cast<uint16_t>(std::min<size_t>(table.size(), 256));
    for (int i = 0; i < palette.palNumEntries; ++i)
        palette.palPalEntry[i] = TPaletteEntry{table[i].red, table[i].green, table[i].blue, 0};
    return palette;
}
