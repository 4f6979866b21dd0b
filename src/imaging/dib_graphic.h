#pragma once
// The editor's picture: a device-independent bitmap in one of six pixel formats, with its
// palette, nearest-colour matching, pixel and row access, and the transfer operations.

#include "platform/framework/exceptions.h"
#include "platform/framework/graphic.h"
#include "platform/gdi/dib_surface.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class QTimer;
class TCanvas;
class TStream;

namespace gdi {
class DeviceContext;
}

// Pixel formats; 0 to 4 are palettised.
enum TImageFormat : uint8_t {
    ifBlackWhite = 0,
    ifGray16 = 1,
    ifGray256 = 2,
    ifColor16 = 3,
    ifColor256 = 4,
    ifTrueColor = 5,
};

// Error of the picture classes and transforms; carries only its message.
class EPictureError : public Exception {
public:
    using Exception::Exception;
};

// A logical palette record with room for 256 entries, laid out like the platform's.
struct TPaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

struct TLogPalette {
    uint16_t palVersion = 0;
    uint16_t palNumEntries = 0;
    TPaletteEntry palPalEntry[256] = {};
};

// A palette from a colour table of (blue, green, red, 0) entries; at most 256 are taken.
TLogPalette PaletteOfColorTable(std::span<const gdi::RgbQuad> table);

// The DIB description: a 40-byte header and a 256-entry colour table (blue, green, red, 0).
struct TBitmapInfoHeader {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(TBitmapInfoHeader) == 40);

struct TDibBitmapInfo {
    TBitmapInfoHeader bmiHeader;
    gdi::RgbQuad bmiColors[256] = {};
};

// Format helpers. The bit count and the default palette raise "Internal error: Invalid image
// format" for a value outside the enumeration; the default palette of ifTrueColor is null.
int ImageFormatBitCount(TImageFormat format);
const TLogPalette* DefaultPalette(TImageFormat format);
QString ImageFormatName(TImageFormat format);

// Resolution conversions: pels per metre <-> dots per inch, rounding halves to even.
uint16_t PelsPerMeterToDpi(int32_t pelsPerMeter);
int32_t DpiToPelsPerMeter(uint16_t dpi);

// Nearest palette entry by squared RGB distance (first of equals wins), behind a direct-mapped
// cache of earlier answers, so runs of repeated colours cost one compare.
class TRgbToPaletteConverter {
public:
    explicit TRgbToPaletteConverter(const TLogPalette& palette);

    // Color is 0x00RRGGBB.
    uint16_t NearestIndex(uint32_t color)
    {
        Slot& slot = cache_[color % kSlots];
        if (slot.index >= 0 && slot.color == color)
            return static_cast<uint16_t>(slot.index);
        const uint16_t index = search(color);
        slot.color = color;
        slot.index = static_cast<int16_t>(index);
        return index;
    }

    // The uncached linear search, also the reference for faster matchers.
    static uint16_t SearchPalette(const TLogPalette& palette, uint32_t color);

private:
    static constexpr uint32_t kSlots = 1020;
    struct Slot {
        uint32_t color = 0;
        int16_t index = -1;
    };

    // On a cache miss only the palette entries that can be nearest to some colour of the
    // colour's cell of the RGB cube are compared, in index order, which gives exactly the
    // answer of the full search. A cell's list is made when first needed.
    static constexpr int kCellShift = 2;
    static constexpr int kCellsPerAxis = 256 >> kCellShift;
    struct Cell {
        int32_t first = -1; // into candidates_; -1 until made
        int32_t count = 0;
    };
    uint16_t search(uint32_t color);
    void makeCell(Cell& cell, int red, int green, int blue);

    // The picture that owns this finder re-points it when the palette record moves.
    friend class TDibGraphic;

    const TLogPalette* palette_;
    Slot cache_[kSlots];
    std::vector<Cell> cells_;
    std::vector<uint8_t> candidates_;
};

class TDibGraphic;

// A picture class as the extension registry holds it: its name and how to make an empty one
// (as a picture, and as a framework graphic for the framework's own registry).
struct TDibGraphicClass {
    QString ClassName;
    std::unique_ptr<TDibGraphic> (*Create)();
    TGraphicClass GraphicClass = nullptr;
};

// The class record of a picture class T.
template <class T>
const TDibGraphicClass* DibGraphicClassOf()
{
    static const TDibGraphicClass cls{T().ClassName(), [] { return std::unique_ptr<TDibGraphic>(new T); },
                                      &CreateGraphicOf<T>};
    return &cls;
}

class TDibGraphic : public TGraphic {
public:
    TDibGraphic();
    ~TDibGraphic() override;

    QString ClassName() const override { return QStringLiteral("TDibGraphic"); }
    std::unique_ptr<TGraphic> Create() const override;
    // A new, empty picture of this picture's own class (frames of a multi-image stream are
    // made with it); every derived class overrides it.
    virtual std::unique_ptr<TDibGraphic> NewInstance() const;

    // Shape. NewImage is the only way to change size or format; a null palette means the
    // format's default, a dpi of 0 the screen's resolution.
    virtual void NewImage(int32_t width, int32_t height, TImageFormat format, const TLogPalette* palette,
                          uint16_t xDpi, uint16_t yDpi);
    // A true-colour picture takes a new size in place: its top-left pixels stay, its memory is
    // reused, and the area the old size did not cover is undefined, for the caller to fill.
    // False, and nothing changes, for any other picture or when memory runs out.
    bool ResizeTrueColor(int32_t width, int32_t height);
    void FreeImage();
    int GetWidth() const override { return BitmapInfo_.bmiHeader.biWidth; }
    int GetHeight() const override { return BitmapInfo_.bmiHeader.biHeight; }
    bool GetEmpty() const override { return !DibSection_; }
    // Always raise: the size changes only through NewImage.
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    uint16_t XDpi() const { return PelsPerMeterToDpi(BitmapInfo_.bmiHeader.biXPelsPerMeter); }
    uint16_t YDpi() const { return PelsPerMeterToDpi(BitmapInfo_.bmiHeader.biYPelsPerMeter); }
    void SetXDpi(uint16_t dpi) { BitmapInfo_.bmiHeader.biXPelsPerMeter = DpiToPelsPerMeter(dpi); }
    void SetYDpi(uint16_t dpi) { BitmapInfo_.bmiHeader.biYPelsPerMeter = DpiToPelsPerMeter(dpi); }

    // Storage, for format classes, transforms and the view.
    TImageFormat ImageFormat() const { return ImageFormat_; }
    gdi::DibSurface* DibSection() const { return DibSection_.get(); }
    // The device context the pixels are selected into (null while empty).
    gdi::DeviceContext* MemoryDC() const { return MemoryDC_.get(); }
    const TDibBitmapInfo& BitmapInfo() const { return BitmapInfo_; }
    const TLogPalette& LogPalette() const { return LogPalette_; }
    // The writable accessors (rows, bits, pixels) count as a possible change of the pixels.
    // The surface keeps a note for each of its watchers (the view, the undo history, ...).
    uint8_t* Bits()
    {
        written_.noteAll();
        return DibSection_ ? DibSection_->bits() : Bits_;
    }
    const uint8_t* Bits() const { return Bits_; }
    int32_t RowBytes() const { return RowBytes_; }
    bool IsPalettised() const { return ImageFormat_ != ifTrueColor; }
    // Drawing surface on MemoryDC; a new one with default pen, brush and font after every
    // NewImage. Null while empty.
    TCanvas* Canvas() const { return Canvas_.get(); }
    // The palette as a platform palette object, made on first use; null for ifTrueColor.
    HPALETTE PaletteHandle();
    // Pixels: (0, 0) is the top-left; the caller keeps coordinates inside the picture.
    uint8_t* ScanLine(int32_t y)
    {
        written_.note(y);
        return DibSection_->scanLine(y);
    }
    const uint8_t* ScanLine(int32_t y) const { return row(y); }
    // Grows whenever the pixels, palette or shape may have changed: after any writable access
    // to the rows, the bits or the surface (drawing on the canvas included), and after every
    // new image, swap or assignment. What was rendered from the picture stays valid while
    // this number stays the same.
    uint64_t ChangeCount() const;
    // The rows the change that made ChangeCount() its present value may have touched (all
    // rows after a new image, swap or assignment). Whoever saw the count just before can
    // redo only these rows; whoever missed a change does everything again.
    gdi::RowRange RowsOfLastChange() const { return rowsOfLastChange_; }
    // Colours are 0x00RRGGBB.
    uint32_t GetPixelRGB(int32_t x, int32_t y) const
    {
        const uint32_t value = reader_(row(y), x);
        if (ImageFormat_ == ifTrueColor)
            return value;
        const TPaletteEntry& e = LogPalette_.palPalEntry[value];
        return (uint32_t{e.peRed} << 16) | (uint32_t{e.peGreen} << 8) | e.peBlue;
    }
    void SetPixelRGB(int32_t x, int32_t y, uint32_t color)
    {
        if (ImageFormat_ == ifTrueColor)
            writer_(ScanLine(y), x, color);
        else
            writer_(ScanLine(y), x, converter_->NearestIndex(color));
    }
    // Index access raises "The image does not have a palette" on ifTrueColor.
    uint32_t GetPixelIndex(int32_t x, int32_t y) const;
    void SetPixelIndex(int32_t x, int32_t y, uint32_t index);

    // The nearest-colour finder of a palettised picture (null for ifTrueColor or when empty).
    TRgbToPaletteConverter* Converter() const { return converter_.get(); }

    // Multi-image and animation state.
    int32_t ImageIndex() const { return ImageIndex_; }
    void SetImageIndex(int32_t index) { ImageIndex_ = index; }
    bool MultiImage() const { return MultiImage_; }
    void SetMultiImage(bool on) { MultiImage_ = on; }
    int32_t AnimationInterval() const { return AnimationInterval_; }
    void SetAnimationInterval(int32_t ms) { AnimationInterval_ = ms; }
    int32_t FrameCount() const { return static_cast<int32_t>(Frames_.size()); }
    // 1-based; raises "Frame %d does not exist" when out of range.
    TDibGraphic* Frame(int32_t n) const;
    int32_t CurrentFrame() const { return CurrentFrame_; }
    // Shows frame n (1-based) in this picture; raises "Frame %d does not exist" when out of range.
    void SetCurrentFrame(int32_t n);
    bool Animated() const { return Animated_; }
    // The animation timer runs while this is on and there are frames.
    void SetAnimated(bool on);

    // Copies another picture (or empties this one for null or an empty source).
    void AssignPicture(const TDibGraphic* source);
    // Exchanges the image with other's without copying pixels: surface, device context, canvas,
    // header, palette and colour finder. Frames, animation state, OnDraw, MultiImage and
    // ImageIndex stay with each picture. A canvas keeps drawing into the pixels it was made for.
    void SwapImage(TDibGraphic& other) noexcept;

    // Assignment: pictures, framework bitmaps, other framework graphics, null.
    void Assign(TPersistent* source) override;
    // Draws the whole picture into rect, unscaled when the sizes agree; then OnDraw.
    void Draw(TCanvas& canvas, const TRect& rect) override;
    TNotifyEvent OnDraw;

    // Transfer from platform bitmaps (DIB sections and device-dependent bitmaps) and from a
    // packed DIB (header, colour table or masks, rows) in a memory block.
    void LoadFromBitmapHandle(const HBITMAP& bitmap);
    void LoadFromHDIB(std::span<const uint8_t> block);

    // Clipboard slots: the picture travels as CF_BITMAP; no palette is handed over.
    void LoadFromClipboardFormat(unsigned short format, const HBITMAP& data, const HPALETTE& palette) override;
    void SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& palette) override;
    // The system clipboard: paste replaces this picture, copy puts it there as an image.
    void LoadFromClipboard();
    void SaveToClipboard();

    // Streams. The base picture reads and writes nothing; format classes override ReadImage,
    // GetImageCount, SaveToStream and AppendToStream.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    virtual int32_t GetImageCount(TStream& stream);
    virtual void ReadImage(TStream& stream, int32_t imageIndex);
    virtual void AppendToStream(TStream& stream);

    // How a picture is written as an icon file when assigned to a framework icon; installed
    // by the icon format class.
    using IconWriter = void (*)(TDibGraphic& picture, TStream& stream);
    static void SetIconWriter(IconWriter writer);

    // Extension registry. Extensions are matched case-insensitively, without the dot.
    static void RegisterGraphicFormat(const QString& extension, const QString& description,
                                      const TDibGraphicClass* graphicClass);
    static const TDibGraphicClass* FindGraphicClass(const QString& fileName);
    static std::unique_ptr<TDibGraphic> CreateGraphicForFile(const QString& fileName);
    static const TDibGraphicClass* StaticClass();
    // Makes the framework's picture holder produce a TDibGraphic for clipboard bitmaps; runs
    // with the first picture made.
    static void RegisterClipboardClass();

protected:
    void AssignTo(TPersistent* dest) override;

    using PixelReader = uint32_t (*)(const uint8_t* row, int32_t x);
    using PixelWriter = void (*)(uint8_t* row, int32_t x, uint32_t value);

    std::vector<std::unique_ptr<TDibGraphic>> Frames_;

private:
    uint8_t* row(int32_t y) const
    {
        return Bits_ + static_cast<ptrdiff_t>(BitmapInfo_.bmiHeader.biHeight - 1 - y) * RowBytes_;
    }

    void animationStep();
    void updateTimer();

    std::unique_ptr<gdi::DibSurface> DibSection_;
    std::unique_ptr<gdi::DeviceContext> MemoryDC_;
    std::unique_ptr<TCanvas> Canvas_;
    HPALETTE paletteHandle_;
    std::unique_ptr<QTimer> timer_;
    uint8_t* Bits_ = nullptr;
    TImageFormat ImageFormat_ = ifBlackWhite;
    TDibBitmapInfo BitmapInfo_{};
    TLogPalette LogPalette_{};
    int32_t RowBytes_ = 0;
    int32_t ImageIndex_ = 1;
    bool MultiImage_ = false;
    int32_t AnimationInterval_ = 200;
    bool Animated_ = false;
    int32_t CurrentFrame_ = -1;
    PixelReader reader_ = nullptr;
    PixelWriter writer_ = nullptr;
    std::unique_ptr<TRgbToPaletteConverter> converter_;
    mutable gdi::RowChangeNote written_;
    mutable uint64_t changeCount_ = 0;
    mutable gdi::RowRange rowsOfLastChange_;
};
