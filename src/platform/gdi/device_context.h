#pragma once
// A device context drawing into a DibSurface with the names and meanings of the platform's GDI:
// pens, brushes, mix modes, the primitives, blits with ternary raster operations, colour
// matching into the surface's colour table, and aliased text.
//
// Pens, brushes and fonts are plain values selected into the context; selecting returns the
// previous one. Coordinates are device pixels, (0, 0) at the top-left of the surface.

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/gdi_types.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace gdi {

// Mix modes (SetROP2).
enum : int {
    R2_BLACK = 1,
    R2_NOTMERGEPEN = 2,
    R2_MASKNOTPEN = 3,
    R2_NOTCOPYPEN = 4,
    R2_MASKPENNOT = 5,
    R2_NOT = 6,
    R2_XORPEN = 7,
    R2_NOTMASKPEN = 8,
    R2_MASKPEN = 9,
    R2_NOTXORPEN = 10,
    R2_NOP = 11,
    R2_MERGENOTPEN = 12,
    R2_COPYPEN = 13,
    R2_MERGEPENNOT = 14,
    R2_MERGEPEN = 15,
    R2_WHITE = 16,
};

// Pen styles, end caps, joins and types (CreatePen / ExtCreatePen).
enum : int {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
    PS_STYLE_MASK = 0x0000000F,
    PS_ENDCAP_ROUND = 0x00000000,
    PS_ENDCAP_SQUARE = 0x00000100,
    PS_ENDCAP_FLAT = 0x00000200,
    PS_ENDCAP_MASK = 0x00000F00,
    PS_JOIN_ROUND = 0x00000000,
    PS_JOIN_BEVEL = 0x00001000,
    PS_JOIN_MITER = 0x00002000,
    PS_JOIN_MASK = 0x0000F000,
    PS_COSMETIC = 0x00000000,
    PS_GEOMETRIC = 0x00010000,
    PS_TYPE_MASK = 0x000F0000,
};

// Brush styles and hatches.
enum : int {
    BS_SOLID = 0,
    BS_NULL = 1,
    BS_HOLLOW = BS_NULL,
    BS_HATCHED = 2,
    BS_PATTERN = 3,
    BS_DIBPATTERN = 5,
    BS_DIBPATTERNPT = 6, // an 8x8 tile of any colours (Brush::tile)
};
enum : int {
    HS_HORIZONTAL = 0,
    HS_VERTICAL = 1,
    HS_FDIAGONAL = 2,
    HS_BDIAGONAL = 3,
    HS_CROSS = 4,
    HS_DIAGCROSS = 5,
};

// Background modes, polygon fill modes, arc directions, stretch modes, flood fill types.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
enum : int { ALTERNATE = 1, WINDING = 2 };
enum : int { AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2 };
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
enum : int { FLOODFILLBORDER = 0, FLOODFILLSURFACE = 1 };

// Results of the clipping calls.
enum : int { ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

// Ternary raster operations (PatBlt, BitBlt, StretchBlt, StretchDIBits): the operation index
// in bits 16..23, the rest is the historical encoding and is ignored.
using RasterOp = uint32_t;
constexpr RasterOp SRCCOPY = 0x00CC0020;
constexpr RasterOp SRCPAINT = 0x00EE0086;
constexpr RasterOp SRCAND = 0x008800C6;
constexpr RasterOp SRCINVERT = 0x00660046;
constexpr RasterOp SRCERASE = 0x00440328;
constexpr RasterOp NOTSRCCOPY = 0x00330008;
constexpr RasterOp NOTSRCERASE = 0x001100A6;
constexpr RasterOp MERGECOPY = 0x00C000CA;
constexpr RasterOp MERGEPAINT = 0x00BB0226;
constexpr RasterOp PATCOPY = 0x00F00021;
constexpr RasterOp PATPAINT = 0x00FB0A09;
constexpr RasterOp PATINVERT = 0x005A0049;
constexpr RasterOp DSTINVERT = 0x00550009;
constexpr RasterOp BLACKNESS = 0x00000042;
constexpr RasterOp WHITENESS = 0x00FF0062;

// Colour-table use of a DIB handed to StretchDIBits / SetDIBitsToDevice / GetDIBits.
enum : unsigned { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };
enum : uint32_t { BI_RGB = 0 };

// DIBINDEX(n): a colour that names entry n of the surface's colour table as it is.
// PALETTEINDEX(n) names an entry of the logical palette; on a DIB it is taken like DIBINDEX.
constexpr ColorRef DIBINDEX(uint32_t n) { return 0x10FF0000u | (n & 0xFFFFu); }
constexpr ColorRef PALETTEINDEX(uint32_t n) { return 0x01000000u | (n & 0xFFFFu); }

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// A pen: style (with the ExtCreatePen end cap, join and type bits), width and colour.
// Width 0 is the one-pixel cosmetic pen. Styled pens wider than one pixel draw solid. The end
// cap and join bits are accepted, but wide pens always have round ends and joins.
struct Pen {
    int style = PS_SOLID;
    int width = 1;
    ColorRef color = RGB(0, 0, 0);

    static Pen solid(ColorRef c, int w = 1) { return Pen{PS_SOLID, w, c}; }
    static Pen null() { return Pen{PS_NULL, 1, 0}; }
    int lineStyle() const { return style & PS_STYLE_MASK; }
    bool isGeometric() const { return (style & PS_TYPE_MASK) == PS_GEOMETRIC; }
    friend bool operator==(const Pen&, const Pen&) = default;
};

// The pixels of a colour-tile brush, any size, row by row with the top row first.
struct ColorTile {
    int width = 0;
    int height = 0;
    std::vector<ColorRef> colours;
    friend bool operator==(const ColorTile&, const ColorTile&) = default;
};

// A brush. Pattern bits are 8 rows, top first, most significant bit = leftmost pixel.
// BS_PATTERN (a monochrome bitmap) paints set bits in the DC's background colour and clear bits
// in its text colour; BS_DIBPATTERN (a 1-bpp DIB) paints bit value 0 in colors[0] and 1 in
// colors[1]. Hatches paint their lines in `color` and the gaps per the background mode.
struct Brush {
    int style = BS_SOLID;
    ColorRef color = RGB(255, 255, 255);
    int hatch = HS_HORIZONTAL;
    std::array<uint8_t, 8> pattern{};
    std::array<RgbQuad, 2> colors{};
    // BS_DIBPATTERNPT: shared, since a texture can be as big as a photo and brushes are copied
    // into every device context that paints with them.
    std::shared_ptr<const ColorTile> tile{};

    static Brush solid(ColorRef c) { return Brush{BS_SOLID, c}; }
    static Brush null() { return Brush{BS_NULL, 0}; }
    static Brush hatched(int hs, ColorRef c) { return Brush{BS_HATCHED, c, hs}; }
    static Brush monoPattern(const std::array<uint8_t, 8>& bits)
    {
        Brush b{BS_PATTERN, 0};
        b.pattern = bits;
        return b;
    }
    static Brush dibPattern(const std::array<uint8_t, 8>& bits, ColorRef c0, ColorRef c1)
    {
        Brush b{BS_DIBPATTERN, 0};
        b.pattern = bits;
        b.colors[0] = RgbQuad{GetBValue(c0), GetGValue(c0), GetRValue(c0), 0};
        b.colors[1] = RgbQuad{GetBValue(c1), GetGValue(c1), GetRValue(c1), 0};
        return b;
    }
    // A brush from a picture of any colours, repeated from the brush origin as it is; each pixel
    // is matched like a solid brush's colour. An empty tile paints nothing.
    static Brush colorTile(std::shared_ptr<const ColorTile> tile)
    {
        Brush b{BS_DIBPATTERNPT, 0};
        b.tile = std::move(tile);
        return b;
    }
    static Brush colorTile(const std::array<ColorRef, 64>& colours)
    {
        return colorTile(std::make_shared<const ColorTile>(ColorTile{8, 8, {colours.begin(), colours.end()}}));
    }
    friend bool operator==(const Brush& a, const Brush& b)
    {
        const bool sameTile = a.tile == b.tile || (a.tile && b.tile && *a.tile == *b.tile);
        return sameTile && a.style == b.style && a.color == b.color && a.hatch == b.hatch && a.pattern == b.pattern &&
               a.colors == b.colors;
    }
};

// A font as LOGFONT describes it. height follows lfHeight: negative = character (em) height in
// pixels, positive = cell height in pixels, 0 = a default size. The charset is accepted and
// ignored. Glyphs are rasterised aliased.
enum : int { FW_NORMAL = 400, FW_BOLD = 700 };
struct Font {
    QString family = QStringLiteral("Sans Serif");
    int height = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 0;
    friend bool operator==(const Font&, const Font&) = default;
};

// The 40-byte BITMAPINFOHEADER and a BITMAPINFO with its colour table.
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0; // positive = bottom-up rows
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = BI_RGB;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    std::vector<RgbQuad> bmiColors;

    // The header and colour table describing a surface.
    static BitmapInfo describe(const DibSurface& surface);
};

// Text metrics the canvas needs (a subset of TEXTMETRIC).
struct TextMetric {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
};

struct TextCache;
namespace detail {
struct AndXor;
struct RealBrush;
struct BlitSource;
} // namespace detail
namespace geometry {
struct Figure;
}

class DeviceContext {
public:
    // A context with GDI's defaults drawing into `surface`, which must outlive it (or be
    // replaced with SelectBitmap first).
    explicit DeviceContext(DibSurface& surface);
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    DibSurface& surface() { return *surface_; }
    const DibSurface& surface() const { return *surface_; }
    // Draws into another surface from now on; the clip rectangle is reset, other state kept.
    void SelectBitmap(DibSurface& surface);

    // ---- State ----
    Pen SelectPen(const Pen& pen);
    Brush SelectBrush(const Brush& brush);
    Font SelectFont(const Font& font);
    const Pen& GetPen() const { return pen_; }
    const Brush& GetBrush() const { return brush_; }
    const Font& GetFont() const { return font_; }

    int SetROP2(int mode);
    int GetROP2() const { return rop2_; }
    int SetBkMode(int mode);
    int GetBkMode() const { return bkMode_; }
    ColorRef SetBkColor(ColorRef c);
    ColorRef GetBkColor() const { return bkColor_; }
    ColorRef SetTextColor(ColorRef c);
    ColorRef GetTextColor() const { return textColor_; }
    int SetPolyFillMode(int mode);
    int GetPolyFillMode() const { return polyFillMode_; }
    int SetArcDirection(int direction);
    int GetArcDirection() const { return arcDirection_; }
    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const { return stretchMode_; }
    Point SetBrushOrg(int x, int y);
    Point GetBrushOrg() const { return brushOrg_; }

    // Current position: returns the previous one.
    Point MoveTo(int x, int y);
    Point GetCurrentPosition() const { return position_; }

    // Clipping to a rectangle (within the surface, which always clips).
    int IntersectClipRect(int left, int top, int right, int bottom);
    void SelectClipRect(const Rect* rect); // nullptr removes the clip rectangle
    int GetClipBox(Rect* rect) const;

    // ---- Lines and figures (pen outline, brush interior) ----
    bool LineTo(int x, int y);
    bool Polyline(std::span<const Point> points);
    bool Polygon(std::span<const Point> points);
    bool Rectangle(int left, int top, int right, int bottom);
    bool Ellipse(int left, int top, int right, int bottom);
    bool RoundRect(int left, int top, int right, int bottom, int width, int height);
    bool Pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
    bool Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
    bool ArcTo(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
    bool Chord(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
    bool ExtFloodFill(int x, int y, ColorRef color, int type);
    // Brush fill without outline; FillRect takes the brush explicitly, as the platform's does.
    bool FillRect(const Rect& rect, const Brush& brush);
    bool FrameRect(const Rect& rect, const Brush& brush);
    // The focus frame: a one-pixel checker aligned to the brush origin, inverted (PATINVERT),
    // so drawing it twice restores the picture.
    bool DrawFocusRect(const Rect& rect);

    // ---- Pixels ----
    bool SetPixelV(int x, int y, ColorRef c);
    ColorRef SetPixel(int x, int y, ColorRef c); // the colour actually set, or CLR_INVALID
    ColorRef GetPixel(int x, int y) const;       // CLR_INVALID outside the surface or clip

    // ---- Blits. A null source is allowed only for ROPs that do not use it. ----
    bool PatBlt(int x, int y, int width, int height, RasterOp rop);
    bool BitBlt(int xDest, int yDest, int width, int height, const DeviceContext* source, int xSrc, int ySrc,
                RasterOp rop);
    bool StretchBlt(int xDest, int yDest, int widthDest, int heightDest, const DeviceContext* source, int xSrc,
                    int ySrc, int widthSrc, int heightSrc, RasterOp rop);
    // Source coordinates count from the bottom row of a bottom-up DIB, as the platform's do.
    // `bits` must hold every row the header describes; a header with a bad depth, size or
    // compression is refused before anything is read. Returns the DIB's height, 0 on failure.
    int StretchDIBits(int xDest, int yDest, int widthDest, int heightDest, int xSrc, int ySrc, int widthSrc,
                      int heightSrc, const void* bits, const BitmapInfo& info, unsigned usage, RasterOp rop);
    int StretchDIBits(int xDest, int yDest, int widthDest, int heightDest, int xSrc, int ySrc, int widthSrc,
                      int heightSrc, const DibSurface& source, RasterOp rop);
    int SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc, int ySrc, unsigned startScan,
                          unsigned scanLines, const void* bits, const BitmapInfo& info, unsigned usage);
    // Reads rows of the selected surface in the format info.bmiHeader asks for (same depth, or
    // 24/32 bits). With bits == nullptr only fills in the header and colour table.
    int GetDIBits(unsigned startScan, unsigned scanLines, void* bits, BitmapInfo& info, unsigned usage) const;

    // ---- Text ----
    bool TextOut(int x, int y, const QString& text);
    Size GetTextExtentPoint32(const QString& text) const;
    TextMetric GetTextMetrics() const;

    // ---- Colour matching (exposed for callers that store raw values) ----
    // The stored value a pen or brush colour paints on this surface (the 1-bpp rule included).
    uint32_t penBrushValue(ColorRef c) const;
    // The stored value SetPixelV paints: the nearest entry, ties to the lower index.
    uint32_t nearestValue(ColorRef c) const;
    // The colour a stored value stands for.
    ColorRef colorOfValue(uint32_t value) const;

    // Curves, polygons and wide lines whose extent passes this many pixels are refused
    // (FALSE), so a wild coordinate cannot make the layer walk billions of outline pixels.
    static constexpr int64_t kMaxFigureExtent = int64_t{1} << 22;

private:
    class PenStepper;
    static bool tooLarge(int left, int top, int right, int bottom);
    static bool tooLarge(std::span<const Point> points);
    Rect drawClip() const;
    detail::AndXor mixFor(uint32_t value) const;
    detail::RealBrush realise(const Brush& brush, int rop2) const;
    template <typename Mix>
    void realiseTile(const ColorTile& tile, detail::RealBrush& rb, const Mix& mix) const;
    void fillSpans(const SpanList& spans, const detail::RealBrush& brush);
    void fillRectClipped(const Rect& rect, const detail::RealBrush& brush);
    void penSpans(const SpanList& spans);
    void penPaths(const std::vector<std::vector<Point>>& paths);
    bool penIsWide() const;
    void cosmeticLine(Point a, Point b);
    void strokeLine(Point a, Point b);
    void paintFigure(const geometry::Figure& figure);
    bool blit(int xDest, int yDest, int widthDest, int heightDest, const detail::BlitSource& source, int64_t xSrc,
              int64_t ySrc, int widthSrc, int heightSrc, RasterOp rop);

    DibSurface* surface_;
    Pen pen_;
    Brush brush_;
    Font font_;
    int rop2_ = R2_COPYPEN;
    int bkMode_ = OPAQUE;
    ColorRef bkColor_ = RGB(255, 255, 255);
    ColorRef textColor_ = RGB(0, 0, 0);
    int polyFillMode_ = ALTERNATE;
    int arcDirection_ = AD_COUNTERCLOCKWISE;
    int stretchMode_ = BLACKONWHITE;
    Point brushOrg_;
    Point position_;
    int dashPosition_ = 0; // where a styled pen is in its pattern, carried from line to line
    bool hasClip_ = false;
    Rect clip_;
    mutable std::unique_ptr<TextCache> textCache_; // the Qt font of font_, made on first use
    // The last colour-tile brush realised: a texture of a megapixel is mixed once, not at every
    // figure a drag paints with it.
    struct TileCache;
    mutable std::unique_ptr<TileCache> tileCache_;
};

} // namespace gdi
