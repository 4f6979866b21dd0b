#include "imaging/dib_graphic.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/icon.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/packed_rows.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace {

constexpr double kPelsPerMeterPerDpi = 39.370078740157480317;
constexpr uint16_t kScreenDpi = 96;

// ---- default palettes ---------------------------------------------------------------------

constexpr uint8_t kColor16[16][3] = {
    {0, 0, 0},     {0, 0, 170},   {0, 170, 0},   {0, 170, 170}, {170, 0, 0},    {170, 0, 170},
    {170, 85, 0},  {170, 170, 170}, {85, 85, 85}, {85, 85, 255}, {85, 255, 85},  {85, 255, 255},
    {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255},
};

TPaletteEntry entry(uint8_t r, uint8_t g, uint8_t b) { return TPaletteEntry{r, g, b, 0}; }

// A 6-bit level as an 8-bit value: 21 -> 85, 42 -> 170, 63 -> 255.
uint8_t level(int v) { return static_cast<uint8_t>(v * 4 + v / 16); }

struct DefaultPalettes {
    TLogPalette blackWhite, gray16, gray256, color16, color256;

    DefaultPalettes()
    {
        auto init = [](TLogPalette& p, int count) {
            p.palVersion = 0x300;
            p.palNumEntries = static_cast<uint16_t>(count);
        };
        init(blackWhite, 2);
        blackWhite.palPalEntry[1] = entry(255, 255, 255);
        init(gray16, 16);
        for (int i = 0; i < 16; ++i)
            gray16.palPalEntry[i] = entry(17 * i, 17 * i, 17 * i);
        init(gray256, 256);
        for (int i = 0; i < 256; ++i)
            gray256.palPalEntry[i] = entry(i, i, i);
        init(color16, 16);
        for (int i = 0; i < 16; ++i)
            color16.palPalEntry[i] = entry(kColor16[i][0], kColor16[i][1], kColor16[i][2]);
        buildColor256();
    }

    void buildColor256()
    {
        TLogPalette& p = color256;
        p.palVersion = 0x300;
        p.palNumEntries = 256;
        for (int i = 0; i < 16; ++i)
            p.palPalEntry[i] = color16.palPalEntry[i];
        constexpr int greys[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};
        for (int i = 0; i < 16; ++i)
            p.palPalEntry[16 + i] = entry(level(greys[i]), level(greys[i]), level(greys[i]));
        constexpr int rings[9][5] = {
            {0, 16, 31, 47, 63},  {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63},
            {0, 7, 14, 21, 28},   {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
            {0, 4, 8, 12, 16},    {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16},
        };
        // Hue walk of a ring, as indexes into (lo, m1, m2, m3, hi) for red, green, blue.
        constexpr int walk[24][3] = {
            {0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3}, {4, 0, 2}, {4, 0, 1},
            {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0}, {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0},
            {0, 4, 0}, {0, 4, 1}, {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4},
        };
        for (int r = 0; r < 9; ++r)
            for (int k = 0; k < 24; ++k)
                p.palPalEntry[32 + 24 * r + k] = entry(level(rings[r][walk[k][0]]), level(rings[r][walk[k][1]]),
                                                       level(rings[r][walk[k][2]]));
        for (int i = 248; i < 256; ++i)
            p.palPalEntry[i] = entry(0, 0, 0);
        p.palPalEntry[30] = entry(227, 179, 179);
        p.palPalEntry[85] = entry(223, 182, 235);
        p.palPalEntry[96] = entry(182, 223, 182);
    }
};

const DefaultPalettes& defaultPalettes()
{
    static const DefaultPalettes palettes;
    return palettes;
}

[[noreturn]] void invalidFormat()
{
    throw EPictureError(QStringLiteral("Internal error: Invalid image format"));
}

// ---- pixel accessors, one pair per depth --------------------------------------------------

// A 1-bit picture stores 1 for any nonzero index.
void write1(uint8_t* row, int32_t x, uint32_t v) { gdi::storePackedPixel<1>(row, x, v != 0); }

} // namespace

// ---- errors and format helpers ------------------------------------------------------------

int ImageFormatBitCount(TImageFormat format)
{
    switch (format) {
    case ifBlackWhite:
        return 1;
    case ifGray16:
    case ifColor16:
        return 4;
    case ifGray256:
    case ifColor256:
        return 8;
    case ifTrueColor:
        return 24;
    }
    invalidFormat();
}

const TLogPalette* DefaultPalette(TImageFormat format)
{
    const DefaultPalettes& p = defaultPalettes();
    switch (format) {
    case ifBlackWhite:
        return &p.blackWhite;
    case ifGray16:
        return &p.gray16;
    case ifGray256:
        return &p.gray256;
    case ifColor16:
        return &p.color16;
    case ifColor256:
        return &p.color256;
    case ifTrueColor:
        return nullptr;
    }
    invalidFormat();
}

QString ImageFormatName(TImageFormat format)
{
    switch (format) {
    case ifBlackWhite:
        return QStringLiteral("Black and white");
    case ifGray16:
        return QStringLiteral("16 shades of gray");
    case ifGray256:
        return QStringLiteral("256 shades of gray");
    case ifColor16:
        return QStringLiteral("16 color");
    case ifColor256:
        return QStringLiteral("256 color");
    case ifTrueColor:
        return QStringLiteral("True color");
    }
    return QString();
}

uint16_t PelsPerMeterToDpi(int32_t pelsPerMeter)
{
    // nearbyint rounds in the current mode, which is to nearest with halves to even.
    const double dpi = std::nearbyint(pelsPerMeter / kPelsPerMeterPerDpi);
    if (dpi < 0 || dpi > 65535)
        return 0;
    return static_cast<uint16_t>(dpi);
}

int32_t DpiToPelsPerMeter(uint16_t dpi)
{
    return static_cast<int32_t>(std::nearbyint(dpi * kPelsPerMeterPerDpi));
}

// ---- nearest colour -----------------------------------------------------------------------

TRgbToPaletteConverter::TRgbToPaletteConverter(const TLogPalette& palette) : palette_(&palette) {}

namespace {

// Squared RGB distance from a colour to a palette entry: the nearest-colour measure.
int squaredDistance(int r, int g, int b, const TPaletteEntry& e)
{
    const int dr = r - e.peRed;
    const int dg = g - e.peGreen;
    const int db = b - e.peBlue;
    return dr * dr + dg * dg + db * db;
}

} // namespace

uint16_t TRgbToPaletteConverter::SearchPalette(const TLogPalette& palette, uint32_t color)
{
    const int r = (color >> 16) & 0xFF;
    const int g = (color >> 8) & 0xFF;
    const int b = color & 0xFF;
    const int count = std::min<int>(palette.palNumEntries, 256);
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < count; ++i) {
        const TPaletteEntry& e = palette.palPalEntry[i];
        const int distance = squaredDistance(r, g, b, e);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0)
                break;
        }
    }
    return static_cast<uint16_t>(best);
}

uint16_t TRgbToPaletteConverter::search(uint32_t color)
{
    const int r = (color >> 16) & 0xFF;
    const int g = (color >> 8) & 0xFF;
    const int b = color & 0xFF;
    if (cells_.empty())
        cells_.resize(size_t{kCellsPerAxis} * kCellsPerAxis * kCellsPerAxis);
    const int cr = r >> kCellShift, cg = g >> kCellShift, cb = b >> kCellShift;
    Cell& cell = cells_[(size_t(cr) * kCellsPerAxis + size_t(cg)) * kCellsPerAxis + size_t(cb)];
    if (cell.first < 0)
        makeCell(cell, cr, cg, cb);
    const uint8_t* candidate = candidates_.data() + cell.first;
    if (cell.count == 1)
        return candidate[0];
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int k = 0; k < cell.count; ++k) {
        const int i = candidate[k];
        const TPaletteEntry& e = palette_->palPalEntry[i];
        const int distance = squaredDistance(r, g, b, e);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0)
                break;
        }
    }
    return static_cast<uint16_t>(best);
}

// The nearest entry to any colour c of the cell is no farther from c than the entry whose
// farthest point of the cell is nearest; so every entry whose nearest point of the cell lies
// beyond that bound can be skipped. Entries at equal distance all stay, keeping the tie rule.
void TRgbToPaletteConverter::makeCell(Cell& cell, int red, int green, int blue)
{
    constexpr int width = 1 << kCellShift;
    const int lo[3] = {red * width, green * width, blue * width};
    const int count = std::min<int>(palette_->palNumEntries, 256);
    int nearest[256];
    int bound = std::numeric_limits<int>::max();
    for (int i = 0; i < count; ++i) {
        const TPaletteEntry& e = palette_->palPalEntry[i];
        const int v[3] = {e.peRed, e.peGreen, e.peBlue};
        int minSum = 0, maxSum = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const int low = lo[axis], high = lo[axis] + width - 1;
            const int below = v[axis] < low ? low - v[axis] : v[axis] > high ? v[axis] - high : 0;
            const int far = std::max(std::abs(v[axis] - low), std::abs(v[axis] - high));
            minSum += below * below;
            maxSum += far * far;
        }
        nearest[i] = minSum;
        bound = std::min(bound, maxSum);
    }
    cell.first = static_cast<int32_t>(candidates_.size());
    for (int i = 0; i < count; ++i)
        if (nearest[i] <= bound)
            candidates_.push_back(static_cast<uint8_t>(i));
    cell.count = static_cast<int32_t>(candidates_.size()) - cell.first;
}

// ---- the picture --------------------------------------------------------------------------

TDibGraphic::TDibGraphic()
{
    RegisterClipboardClass();
}

TDibGraphic::~TDibGraphic()
{
    timer_.reset();
    Frames_.clear();
    FreeImage();
}

std::unique_ptr<TDibGraphic> TDibGraphic::NewInstance() const
{
    return std::make_unique<TDibGraphic>();
}

std::unique_ptr<TGraphic> TDibGraphic::Create() const
{
    return NewInstance();
}

uint64_t TDibGraphic::ChangeCount() const
{
    // Both notes are taken, so that neither is left to count a second time later.
    gdi::RowRange rows = written_.take();
    if (DibSection_)
        rows.unite(DibSection_->takeWrittenRows());
    if (!rows.empty()) {
        ++changeCount_;
        rowsOfLastChange_ = rows;
    }
    return changeCount_;
}

void TDibGraphic::FreeImage()
{
    written_.noteAll();
    Canvas_.reset();
    converter_.reset();
    paletteHandle_.reset();
    MemoryDC_.reset();
    DibSection_.reset();
    Bits_ = nullptr;
    BitmapInfo_ = TDibBitmapInfo{};
    RowBytes_ = 0;
    reader_ = nullptr;
    writer_ = nullptr;
}

void TDibGraphic::NewImage(int32_t width, int32_t height, TImageFormat format, const TLogPalette* palette,
                           uint16_t xDpi, uint16_t yDpi)
{
    // The argument may be this picture's own palette, which is rewritten below.
    TLogPalette paletteCopy;
    if (palette) {
        paletteCopy = *palette;
        palette = &paletteCopy;
    }
    FreeImage();
    try {
        ImageFormat_ = format;
        const int bits = ImageFormatBitCount(format);
        if (format != ifTrueColor && !palette)
            palette = DefaultPalette(format);

        TBitmapInfoHeader& h = BitmapInfo_.bmiHeader;
        h.biSize = sizeof(TBitmapInfoHeader);
        h.biWidth = width;
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<uint16_t>(bits);
        h.biCompression = 0;
        const int64_t rowBytes = gdi::DibSurface::rowBytesFor(width, bits);
        const bool sizeOk = width > 0 && height > 0 && rowBytes <= std::numeric_limits<int32_t>::max()
            && static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height) <= std::numeric_limits<uint32_t>::max();
        RowBytes_ = sizeOk ? static_cast<int32_t>(rowBytes) : 0;
        h.biSizeImage = sizeOk ? static_cast<uint32_t>(rowBytes * height) : 0;
        h.biClrImportant = 0;

        // A DIB cannot index more colours than its depth holds; extra entries are dropped so
        // that matching never yields an index the pixel cannot store.
        int colours = 0;
        if (format != ifTrueColor) {
            colours = std::min<int>(palette->palNumEntries, 1 << bits);
            for (int i = 0; i < colours; ++i) {
                const TPaletteEntry& e = palette->palPalEntry[i];
                BitmapInfo_.bmiColors[i] = gdi::RgbQuad{e.peBlue, e.peGreen, e.peRed, 0};
            }
        }
        h.biClrUsed = static_cast<uint32_t>(colours);
        SetXDpi(xDpi ? xDpi : kScreenDpi);
        SetYDpi(yDpi ? yDpi : kScreenDpi);

        if (!sizeOk || !PictureSizePolicy::fits(width, height, bits))
            throw EPictureError(QStringLiteral("CreateDibSection failed"));
        try {
            DibSection_ = std::make_unique<gdi::DibSurface>(width, height, bits,
                std::span<const gdi::RgbQuad>(BitmapInfo_.bmiColors, static_cast<size_t>(colours)));
        } catch (const std::bad_alloc&) {
            throw EPictureError(QStringLiteral("CreateDibSection failed"));
        } catch (const std::invalid_argument&) {
            throw EPictureError(QStringLiteral("CreateDibSection failed"));
        }
        Bits_ = DibSection_->bits();
        MemoryDC_ = std::make_unique<gdi::DeviceContext>(*DibSection_);

        switch (bits) {
        case 1:
            reader_ = gdi::loadPackedPixel<1>, writer_ = write1;
            break;
        case 4:
            reader_ = gdi::loadPackedPixel<4>, writer_ = gdi::storePackedPixel<4>;
            break;
        case 8:
            reader_ = gdi::loadPackedPixel<8>, writer_ = gdi::storePackedPixel<8>;
            break;
        default:
            reader_ = gdi::loadPackedPixel<24>, writer_ = gdi::storePackedPixel<24>;
            break;
        }

        LogPalette_ = TLogPalette{};
        if (format != ifTrueColor) {
            LogPalette_.palVersion = 0x300;
            LogPalette_.palNumEntries = static_cast<uint16_t>(colours);
            std::copy_n(palette->palPalEntry, colours, LogPalette_.palPalEntry);
            converter_ = std::make_unique<TRgbToPaletteConverter>(LogPalette_);
        }
        Canvas_ = std::make_unique<TCanvas>();
        Canvas_->SetHandle(MemoryDC_.get());
    } catch (...) {
        FreeImage();
        throw;
    }
}

bool TDibGraphic::ResizeTrueColor(int32_t width, int32_t height)
{
    const bool sizeOk = width > 0 && height > 0
        && static_cast<uint64_t>(gdi::DibSurface::rowBytesFor(width, 24)) * static_cast<uint64_t>(height)
            <= std::numeric_limits<uint32_t>::max();
    if (!DibSection_ || ImageFormat_ != ifTrueColor || !sizeOk || !PictureSizePolicy::fits(width, height, 24))
        return false;
    try {
        DibSection_->resizeKeepingTopLeft(width, height);
    } catch (const std::exception&) {
        return false;
    }
    TBitmapInfoHeader& h = BitmapInfo_.bmiHeader;
    h.biWidth = width;
    h.biHeight = height;
    RowBytes_ = DibSection_->rowBytes();
    h.biSizeImage = static_cast<uint32_t>(DibSection_->imageBytes());
    Bits_ = DibSection_->bits();
    // As after NewImage: a fresh device context and canvas over the moved pixels.
    Canvas_.reset();
    MemoryDC_ = std::make_unique<gdi::DeviceContext>(*DibSection_);
    Canvas_ = std::make_unique<TCanvas>();
    Canvas_->SetHandle(MemoryDC_.get());
    written_.noteAll();
    return true;
}

void TDibGraphic::SetWidth(int)
{
    throw EPictureError(QStringLiteral("Dimensions must be change with the NewImage method"));
}

void TDibGraphic::SetHeight(int)
{
    throw EPictureError(QStringLiteral("Dimensions must be change with the NewImage method"));
}

uint32_t TDibGraphic::GetPixelIndex(int32_t x, int32_t y) const
{
    if (ImageFormat_ == ifTrueColor)
        throw EPictureError(QStringLiteral("The image does not have a palette"));
    return reader_(ScanLine(y), x);
}

void TDibGraphic::SetPixelIndex(int32_t x, int32_t y, uint32_t index)
{
    if (ImageFormat_ == ifTrueColor)
        throw EPictureError(QStringLiteral("The image does not have a palette"));
    writer_(ScanLine(y), x, index & 0xFFu);
}

TDibGraphic* TDibGraphic::Frame(int32_t n) const
{
    if (n < 1 || n > FrameCount())
        throw EPictureError(QStringLiteral("Frame %1 does not exist").arg(n));
    return Frames_[static_cast<size_t>(n - 1)].get();
}

void TDibGraphic::AssignPicture(const TDibGraphic* source)
{
    if (source == this)
        return;
    FreeImage();
    if (!source || source->GetWidth() <= 0 || source->GetHeight() <= 0)
        return;
    NewImage(source->GetWidth(), source->GetHeight(), source->ImageFormat(), &source->LogPalette(), source->XDpi(),
             source->YDpi());
    // A source resolution of 0 stays 0 rather than becoming the screen's.
    BitmapInfo_.bmiHeader.biXPelsPerMeter = DpiToPelsPerMeter(source->XDpi());
    BitmapInfo_.bmiHeader.biYPelsPerMeter = DpiToPelsPerMeter(source->YDpi());
    AnimationInterval_ = source->AnimationInterval();
    std::memcpy(Bits_, source->Bits(), static_cast<size_t>(source->RowBytes()) * static_cast<size_t>(GetHeight()));
}

void TDibGraphic::SwapImage(TDibGraphic& other) noexcept
{
    if (&other == this)
        return;
    using std::swap;
    swap(DibSection_, other.DibSection_);
    swap(MemoryDC_, other.MemoryDC_);
    swap(Canvas_, other.Canvas_);
    swap(paletteHandle_, other.paletteHandle_);
    swap(Bits_, other.Bits_);
    swap(ImageFormat_, other.ImageFormat_);
    swap(BitmapInfo_, other.BitmapInfo_);
    swap(LogPalette_, other.LogPalette_);
    swap(RowBytes_, other.RowBytes_);
    swap(reader_, other.reader_);
    swap(writer_, other.writer_);
    swap(converter_, other.converter_);
    written_.noteAll();
    other.written_.noteAll();
    // A finder reads its palette through a pointer to the record that just changed hands.
    if (converter_)
        converter_->palette_ = &LogPalette_;
    if (other.converter_)
        other.converter_->palette_ = &other.LogPalette_;
}

HPALETTE TDibGraphic::PaletteHandle()
{
    if (ImageFormat_ == ifTrueColor || GetEmpty())
        return nullptr;
    if (!paletteHandle_) {
        auto palette = std::make_shared<PaletteObject>();
        palette->entries.assign(BitmapInfo_.bmiColors, BitmapInfo_.bmiColors + LogPalette_.palNumEntries);
        paletteHandle_ = std::move(palette);
    }
    return paletteHandle_;
}

// ---- drawing and assignment ---------------------------------------------------------------

void TDibGraphic::Draw(TCanvas& canvas, const TRect& rect)
{
    if (!GetEmpty()) {
        gdi::DeviceContext* dc = canvas.Handle();
        if (ImageFormat_ == ifTrueColor) {
            dc->SetStretchBltMode(gdi::COLORONCOLOR);
        } else {
            dc->SetStretchBltMode(gdi::HALFTONE);
            dc->SetBrushOrg(0, 0);
        }
        // The screen is never a palette device, so no halftone palette is realised.
        const int width = GetWidth();
        const int height = GetHeight();
        if (RectWidth(rect) == width && RectHeight(rect) == height) {
            const gdi::BitmapInfo info = gdi::BitmapInfo::describe(*DibSection_);
            dc->SetDIBitsToDevice(rect.left, rect.top, width, height, 0, 0, 0, static_cast<unsigned>(height), Bits_,
                                  info, gdi::DIB_RGB_COLORS);
        } else {
            dc->StretchDIBits(rect.left, rect.top, RectWidth(rect), RectHeight(rect), 0, 0, width, height,
                              *DibSection_, gdi::SRCCOPY);
        }
    }
    if (OnDraw)
        OnDraw(this);
}

void TDibGraphic::Assign(TPersistent* source)
{
    if (!source) {
        AssignPicture(nullptr);
        return;
    }
    if (auto* picture = dynamic_cast<TDibGraphic*>(source)) {
        AssignPicture(picture);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        bitmap->SetHandleType(bmDDB);
        LoadFromBitmapHandle(bitmap->Handle());
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        const int width = graphic->GetWidth();
        const int height = graphic->GetHeight();
        NewImage(width, height, ifTrueColor, nullptr, 0, 0);
        std::memset(Bits_, 0, static_cast<size_t>(RowBytes_) * static_cast<size_t>(height));
        graphic->Draw(*Canvas_, TRect{0, 0, width, height});
        return;
    }
    TGraphic::Assign(source);
}

namespace {
TDibGraphic::IconWriter iconWriter = nullptr;
}

void TDibGraphic::SetIconWriter(IconWriter writer)
{
    iconWriter = writer;
}

void TDibGraphic::AssignTo(TPersistent* dest)
{
    if (auto* picture = dynamic_cast<TDibGraphic*>(dest)) {
        picture->Assign(this);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        bitmap->SetPixelFormat(pf24bit);
        bitmap->SetSize(GetWidth(), GetHeight());
        Draw(*bitmap->Canvas(), TRect{0, 0, GetWidth(), GetHeight()});
        return;
    }
    if (auto* icon = dynamic_cast<TIcon*>(dest); icon && iconWriter) {
        TMemoryStream stream;
        iconWriter(*this, stream);
        stream.SetPosition(0);
        icon->LoadFromStream(stream);
        return;
    }
    throw EPictureError(QStringLiteral("Cannot assign a %1 to a %2")
                            .arg(QStringLiteral("TDibGraphic"), dest ? dest->ClassName() : QStringLiteral("nil")));
}

// ---- frames and animation -----------------------------------------------------------------

void TDibGraphic::SetCurrentFrame(int32_t n)
{
    if (n == CurrentFrame_)
        return;
    AssignPicture(Frame(n));
    Changed(this);
    // Lets the new frame reach the screen before the caller goes on.
    QCoreApplication::processEvents();
    CurrentFrame_ = n;
}

void TDibGraphic::SetAnimated(bool on)
{
    Animated_ = on;
    updateTimer();
}

void TDibGraphic::updateTimer()
{
    const bool run = Animated_ && !Frames_.empty();
    if (!run) {
        if (timer_)
            timer_->stop();
        return;
    }
    if (!timer_) {
        timer_ = std::make_unique<QTimer>();
        QObject::connect(timer_.get(), &QTimer::timeout, [this] { animationStep(); });
    }
    if (!timer_->isActive()) {
        timer_->setInterval(AnimationInterval_);
        timer_->start();
    }
}

void TDibGraphic::animationStep()
{
    if (Frames_.empty())
        return;
    timer_->stop();
    try {
        // Before any frame was shown the walk starts at the first.
        const int32_t next = (CurrentFrame_ == FrameCount() || CurrentFrame_ < 1) ? 1 : CurrentFrame_ + 1;
        SetCurrentFrame(next);
    } catch (const Exception& e) {
        // Nothing may escape into the event loop; the next step tries again.
        qWarning("%s", qPrintable(e.Message()));
    }
    timer_->setInterval(AnimationInterval_);
    timer_->start();
}
