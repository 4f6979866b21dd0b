#pragma once
// The state both metafile kinds play into: the object table, the mapping from logical units to
// device pixels, saved states, paths, and the drawing operations in logical coordinates. The
// record decoders (EMF, WMF) only read records and call these.

#include "platform/metafile/affine.h"
#include "platform/gdi/device_context.h"

#include <cstdint>
#include <span>
#include <vector>

namespace metafile {

// Mapping modes.
enum : int {
    MM_TEXT = 1,
    MM_LOMETRIC,
    MM_HIMETRIC,
    MM_LOENGLISH,
    MM_HIENGLISH,
    MM_TWIPS,
    MM_ISOTROPIC,
    MM_ANISOTROPIC,
};

// Text alignment bits.
enum : unsigned { TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24 };

struct PointD {
    double x = 0;
    double y = 0;
};

// A pen, brush or font as a record defines it, in logical units.
struct GraphicsObject {
    // Other: palettes and regions, which only take up a slot.
    enum Kind { None, Pen, Brush, Font, Other } kind = None;
    gdi::Pen pen;
    bool cosmeticPen = true; // widths of cosmetic pens are device pixels
    gdi::Brush brush;
    gdi::Font font;
};

class Playback {
public:
    // referenceToDevice maps reference-device pixels into the destination; objectSlots bounds
    // the object table as the header declares it.
    Playback(gdi::DeviceContext& dc, const Affine& referenceToDevice, size_t objectSlots, double pixelsPerMmX,
             double pixelsPerMmY);
    ~Playback();

    gdi::DeviceContext& dc() { return dc_; }

    // ---- Objects. An index outside the table does nothing and returns false: only a damaged
    // record names one, and the player refuses it. ----
    bool createObject(uint32_t index, const GraphicsObject& object);
    // WMF objects take the lowest free slot.
    void createObjectAtFreeSlot(const GraphicsObject& object);
    bool selectObject(uint32_t index);
    void selectStockObject(uint32_t stock);
    bool deleteObject(uint32_t index);

    // ---- Mapping ----
    void setMapMode(int mode);
    void setWindowOrg(double x, double y);
    void setWindowExt(double cx, double cy);
    void setViewportOrg(double x, double y);
    void setViewportExt(double cx, double cy);
    void offsetWindowOrg(double x, double y);
    void scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void setWorldTransform(const Affine& world);
    void modifyWorldTransform(const Affine& change, uint32_t mode);

    void saveDC();
    // False when no saved state has that number.
    bool restoreDC(int relative);

    // ---- Attributes ----
    void setTextAlign(unsigned align) { textAlign_ = align; }
    // WMF: the player owns the viewport, so the file cannot move or scale it.
    void lockViewport() { lockedViewport_ = true; }

    // ---- Clipping ----
    void intersectClip(double left, double top, double right, double bottom);
    // A rectangle in reference-device pixels (regions); null restores the initial clip.
    void selectDeviceClip(const gdi::Rect* rect);

    // ---- Drawing, logical coordinates ----
    void moveTo(double x, double y);
    void lineTo(double x, double y);
    void polyline(std::span<const PointD> points);
    void polylineTo(std::span<const PointD> points);
    void polygon(std::span<const PointD> points);
    void polyBezier(std::span<const PointD> points, bool fromCurrent);
    void rectangle(double left, double top, double right, double bottom);
    void roundRect(double left, double top, double right, double bottom, double width, double height);
    void ellipse(double left, double top, double right, double bottom);
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    void arc(ArcKind kind, double left, double top, double right, double bottom, PointD start, PointD end);
    void setPixel(double x, double y, gdi::ColorRef colour);
    void fillRect(double left, double top, double right, double bottom, const gdi::Brush& brush);
    // Text at a logical point, with the text alignment; opaqueRect (logical) is filled with the
    // background colour first when given.
    void text(double x, double y, const QString& text, const double* opaqueRect);
    void patBlt(double x, double y, double cx, double cy, gdi::RasterOp rop);
    void dib(double x, double y, double cx, double cy, int xSrc, int ySrc, int cxSrc, int cySrc, const void* bits,
             const gdi::BitmapInfo& info, unsigned usage, gdi::RasterOp rop);

    // ---- Paths ----
    void beginPath();
    void endPath() { inPath_ = false; }
    void abortPath();
    void closeFigure();
    void fillPath(bool stroke, bool fill);
    void clipToPath();

private:
    struct SavedState;
    gdi::Point device(double x, double y) const;
    gdi::Point device(PointD p) const { return device(p.x, p.y); }
    void updateTransform();
    void realisePen();
    void realiseFont();
    gdi::Rect deviceRect(double left, double top, double right, double bottom) const;
    const std::vector<gdi::Point>& devicePoints(std::span<const PointD> points);
    void addToPath(std::span<const PointD> points, bool closed);
    std::vector<PointD> ellipsePoints(double left, double top, double right, double bottom) const;
    void drawFigure(std::span<const PointD> outline, bool closed);

    gdi::DeviceContext& dc_;
    Affine referenceToDevice_;
    double pixelsPerMmX_;
    double pixelsPerMmY_;
    std::vector<GraphicsObject> objects_;
    GraphicsObject selectedPen_;
    GraphicsObject selectedFont_;

    int mapMode_ = MM_TEXT;
    PointD windowOrg_, viewportOrg_;
    PointD windowExt_{1, 1}, viewportExt_{1, 1};
    Affine world_;
    Affine total_;
    bool lockedViewport_ = false;
    unsigned textAlign_ = 0;
    PointD position_;
    gdi::Rect initialClip_;
    std::vector<SavedState> saved_;

    bool inPath_ = false;
    std::vector<std::vector<PointD>> path_;
    std::vector<gdi::Point> scratch_;
};

} // namespace metafile
