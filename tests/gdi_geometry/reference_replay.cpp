#include "reference_replay.h"

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/geometry/geometry.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

using namespace gdi;
using namespace gdi::geometry;

namespace {

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

class Replayer {
public:
    Replayer(const ReferenceBitmap& reference) : reference_(reference) {}

    ReplayResult run(const ReferenceCase& c)
    {
        ReplayResult result;
        for (const ReferenceLine& line : c.lines) {
            const std::vector<std::string>& t = line.tokens;
            if (lower(t[0]) != "note" && !step(t)) {
                result.supported = false;
                result.unsupportedReason = t[0];
                return result;
            }
        }
        result.picture.width = width_;
        result.picture.height = height_;
        result.picture.bitsPerPixel = bpp_;
        result.picture.colorTable = table_;
        result.picture.pixels.resize(static_cast<size_t>(width_) * height_);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                result.picture.pixels[static_cast<size_t>(y) * width_ + x] = surface_->rawPixel(x, y);
        return result;
    }

private:
    enum class BrushKind { Solid, Null, Hatch };

    static ColorRef parseColour(const std::string& s)
    {
        if (s[0] == '#') {
            const uint32_t v = static_cast<uint32_t>(std::stoul(s.substr(1), nullptr, 16));
            return RGB(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
        }
        if (lower(s).rfind("dib:", 0) == 0)
            return 0x01000000u | static_cast<uint32_t>(std::stoul(s.substr(4)));
        return static_cast<uint32_t>(std::stoul(s, nullptr, 0));
    }

    uint32_t mask() const { return bpp_ >= 24 ? 0xFFFFFFu : ((1u << bpp_) - 1); }

    int nearest(ColorRef c) const
    {
        int best = 0;
        int64_t bestD = -1;
        for (size_t i = 0; i < table_.size(); ++i) {
            const int64_t dr = int64_t{table_[i].red} - GetRValue(c);
            const int64_t dg = int64_t{table_[i].green} - GetGValue(c);
            const int64_t db = int64_t{table_[i].blue} - GetBValue(c);
            const int64_t d = dr * dr + dg * dg + db * db;
            if (bestD < 0 || d < bestD) {
                bestD = d;
                best = static_cast<int>(i);
            }
        }
        return best;
    }

    // Pen and brush colour matching.
    uint32_t rawOf(ColorRef c) const
    {
        if (bpp_ >= 24) {
            if (c == CLR_INVALID)
                return 0;
            return (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
        }
        if ((c >> 24) == 1)
            return c & mask();
        c &= 0xFFFFFFu;
        if (bpp_ == 1) {
            for (size_t i = 0; i < table_.size(); ++i)
                if (RGB(table_[i].red, table_[i].green, table_[i].blue) == c)
                    return static_cast<uint32_t>(i);
            const int bk = nearest(bkColour_);
            return c == bkColour_ ? bk : 1 - bk;
        }
        return static_cast<uint32_t>(nearest(c));
    }

    ColorRef colourOfRaw(uint32_t v) const
    {
        if (bpp_ >= 24)
            return RGB(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
        const RgbQuad q = table_.at(v);
        return RGB(q.red, q.green, q.blue);
    }

    uint32_t mix(uint32_t pen, uint32_t dst) const
    {
        const uint32_t t = static_cast<uint32_t>(rop2_ - 1);
        uint32_t r = 0;
        if (t & 1)
            r |= ~pen & ~dst;
        if (t & 2)
            r |= ~pen & dst;
        if (t & 4)
            r |= pen & ~dst;
        if (t & 8)
            r |= pen & dst;
        return r & mask();
    }

    bool clipped(int x, int y) const
    {
        return !surface_->contains(x, y) || x < clip_.left || x >= clip_.right || y < clip_.top ||
               y >= clip_.bottom;
    }

    void plot(int x, int y, uint32_t value)
    {
        if (!clipped(x, y))
            surface_->setRawPixel(x, y, mix(value, surface_->rawPixel(x, y)));
    }

    bool hatchBit(int x, int y) const
    {
        const int hx = ((x % 8) + 8) % 8;
        const int hy = ((y % 8) + 8) % 8;
        if (hatch_ == "hs_horizontal")
            return hy == 3;
        if (hatch_ == "hs_vertical")
            return hx == 4;
        if (hatch_ == "hs_cross")
            return hx == 4 || hy == 3;
        if (hatch_ == "hs_bdiagonal")
            return (hx + hy) % 8 == 7;
        if (hatch_ == "hs_fdiagonal")
            return hx == hy;
        return (hx + hy) % 8 == 7 || hx == hy;
    }

    void paintBrush(const SpanList& spans)
    {
        if (brush_ == BrushKind::Null)
            return;
        for (const Span& s : spans)
            for (int x = s.x0; x < s.x1; ++x) {
                if (brush_ == BrushKind::Solid)
                    plot(x, s.y, brushRaw_);
                else if (hatchBit(x, s.y))
                    plot(x, s.y, brushRaw_);
                else
                    plot(x, s.y, rawOf(bkColour_));
            }
    }

    void paintPen(const Figure& f)
    {
        if (penNull_)
            return;
        if (penWidth_ > 1) {
            for (const Span& s : f.penArea)
                for (int x = s.x0; x < s.x1; ++x)
                    plot(x, s.y, penRaw_);
            return;
        }
        for (const PointPath& p : f.outline)
            for (const Point& pt : p)
                plot(pt.x, pt.y, penRaw_);
    }

    void paintFigure(const Figure& f)
    {
        paintBrush(f.interior);
        paintPen(f);
    }

    PenShape pen() const { return {penWidth_, insideFrame_}; }

    static int num(const std::string& s) { return std::stoi(s); }

    bool step(const std::vector<std::string>& t)
    {
        const std::string op = lower(t[0]);
        auto n = [&](size_t i) { return num(t.at(i)); };
        if (op == "dib") {
            width_ = n(1);
            height_ = n(2);
            bpp_ = n(3);
            table_ = reference_.colorTable;
            surface_ = std::make_unique<DibSurface>(width_, height_, bpp_, table_);
            clip_ = {0, 0, width_, height_};
            penRaw_ = rawOf(0);
            brushRaw_ = rawOf(RGB(255, 255, 255));
        } else if (op == "fill") {
            const uint32_t v = rawOf(parseColour(t.at(1)));
            for (int y = 0; y < height_; ++y)
                for (int x = 0; x < width_; ++x)
                    surface_->setRawPixel(x, y, v);
        } else if (op == "fillraw") {
            const uint32_t v = static_cast<uint32_t>(std::stoul(t.at(1), nullptr, 0));
            for (int y = 0; y < height_; ++y)
                for (int x = 0; x < width_; ++x)
                    surface_->setRawPixel(x, y, v);
        } else if (op == "fillpattern") {
            const int pw = n(1);
            const int ph = n(2);
            for (int y = 0; y < height_; ++y)
                for (int x = 0; x < width_; ++x)
                    surface_->setRawPixel(x, y, static_cast<uint32_t>(std::stoul(t.at(3 + (y % ph) * pw + (x % pw)), nullptr, 0)));
        } else if (op == "fillgen") {
            const std::string gen = lower(t.at(1));
            for (int y = 0; y < height_; ++y)
                for (int x = 0; x < width_; ++x) {
                    uint32_t v = 0;
                    if (gen == "index") {
                        v = static_cast<uint32_t>(x + y * width_);
                        v = bpp_ >= 24 ? (v * 0x010203u) & 0xFFFFFFu : v & mask();
                    } else if (gen == "cube") {
                        const uint32_t r = static_cast<uint32_t>(x * 255 / (width_ - 1));
                        const uint32_t g = static_cast<uint32_t>(y * 255 / (height_ - 1));
                        const uint32_t b = 255 - (r + g) / 2;
                        v = (r << 16) | (g << 8) | b;
                    } else {
                        v = ((x + y) & 1) ? mask() : 0;
                    }
                    surface_->setRawPixel(x, y, v);
                }
        } else if (op == "setrop2") {
            static const char* names[] = {"r2_black", "r2_notmergepen", "r2_masknotpen", "r2_notcopypen",
                                          "r2_maskpennot", "r2_not", "r2_xorpen", "r2_notmaskpen",
                                          "r2_maskpen", "r2_notxorpen", "r2_nop", "r2_mergenotpen",
                                          "r2_copypen", "r2_mergepennot", "r2_mergepen", "r2_white"};
            for (int i = 0; i < 16; ++i)
                if (lower(t.at(1)) == names[i])
                    rop2_ = i + 1;
        } else if (op == "setbkcolor") {
            bkColour_ = parseColour(t.at(1));
        } else if (op == "setpolyfillmode") {
            fillMode_ = lower(t.at(1)) == "winding" ? PolyFillMode::Winding : PolyFillMode::Alternate;
        } else if (op == "setarcdirection") {
            direction_ = lower(t.at(1)) == "cw" ? ArcDirection::Clockwise : ArcDirection::CounterClockwise;
        } else if (op == "intersectcliprect") {
            clip_.left = std::max(clip_.left, n(1));
            clip_.top = std::max(clip_.top, n(2));
            clip_.right = std::min(clip_.right, n(3));
            clip_.bottom = std::min(clip_.bottom, n(4));
        } else if (op == "selectpen") {
            const std::string style = lower(t.at(1));
            penNull_ = style == "ps_null";
            insideFrame_ = style == "ps_insideframe";
            penWidth_ = std::max(1, n(2));
            penRaw_ = rawOf(parseColour(t.at(3)));
        } else if (op == "selectbrush") {
            const std::string kind = lower(t.at(1));
            if (kind == "null") {
                brush_ = BrushKind::Null;
            } else if (kind == "solid") {
                brush_ = BrushKind::Solid;
                brushRaw_ = rawOf(parseColour(t.at(2)));
            } else if (kind == "hatch") {
                brush_ = BrushKind::Hatch;
                hatch_ = lower(t.at(2));
                brushRaw_ = rawOf(parseColour(t.at(3)));
            } else {
                return false;
            }
        } else if (op == "moveto") {
            current_ = {n(1), n(2)};
        } else if (op == "lineto") {
            const Point to{n(1), n(2)};
            line(current_, to);
            current_ = to;
        } else if (op == "polyline") {
            std::vector<Point> pts;
            for (size_t i = 1; i + 1 < t.size(); i += 2)
                pts.push_back({n(i), n(i + 1)});
            if (penWidth_ > 1) {
                Figure f;
                f.penArea = widePolyline(pts, penWidth_);
                paintPen(f);
            } else {
                Figure f;
                PointPath path;
                for (size_t i = 0; i + 1 < pts.size(); ++i) {
                    const PointPath seg = linePath(pts[i], pts[i + 1]);
                    path.insert(path.end(), seg.begin(), seg.end());
                }
                f.outline.push_back(path);
                paintPen(f);
            }
        } else if (op == "rectangle") {
            rectangle({n(1), n(2), n(3), n(4)});
        } else if (op == "ellipse") {
            paintFigure(ellipse({n(1), n(2), n(3), n(4)}, pen()));
        } else if (op == "roundrect") {
            paintFigure(roundRect({n(1), n(2), n(3), n(4)}, n(5), n(6), pen()));
        } else if (op == "pie" || op == "chord" || op == "arc" || op == "arcto") {
            const Rect box{n(1), n(2), n(3), n(4)};
            const Point a{n(5), n(6)};
            const Point b{n(7), n(8)};
            if (op == "pie")
                paintFigure(pie(box, a, b, direction_, pen()));
            else if (op == "chord")
                paintFigure(chord(box, a, b, direction_, pen()));
            else if (op == "arc")
                paintPen(arc(box, a, b, direction_, pen()));
            else {
                ArcToResult r = arcTo(current_, box, a, b, direction_, pen());
                paintPen(r.figure);
                current_ = r.newCurrentPosition;
            }
        } else if (op == "polygon") {
            std::vector<Point> pts;
            for (size_t i = 1; i + 1 < t.size(); i += 2)
                pts.push_back({n(i), n(i + 1)});
            paintFigure(polygon(pts, fillMode_, pen()));
        } else if (op == "extfloodfill" || op == "floodfillatpixel") {
            const int x = n(1);
            const int y = n(2);
            uint32_t value = 0;
            FloodFillKind kind = FloodFillKind::Surface;
            if (op == "extfloodfill") {
                value = rawOf(parseColour(t.at(3)));
                kind = lower(t.at(4)) == "border" ? FloodFillKind::Border : FloodFillKind::Surface;
            } else {
                if (!surface_->contains(x, y))
                    return true;
                value = rawOf(colourOfRaw(surface_->rawPixel(x, y)));
            }
            const SpanList spans = floodFill(*surface_, x, y, value, kind, clip_);
            paintBrush(spans);
        } else if (op == "selectstockbrush") {
            const std::string s = lower(t.at(1));
            if (s == "null_brush" || s == "hollow_brush")
                brush_ = BrushKind::Null;
            else if (s == "white_brush")
                brush_ = BrushKind::Solid, brushRaw_ = rawOf(RGB(255, 255, 255));
            else if (s == "black_brush")
                brush_ = BrushKind::Solid, brushRaw_ = rawOf(0);
            else
                return false;
        } else if (op == "expect_equal" || op == "getpixel") {
        } else {
            return false;
        }
        return true;
    }

    static PointPath linePixels(Point a, Point b) { return linePath(a, b); }

    void line(Point a, Point b)
    {
        Figure f;
        if (penWidth_ > 1)
            f.penArea = wideLine(a, b, penWidth_);
        else
            f.outline.push_back(linePixels(a, b));
        paintPen(f);
    }

    void rectangle(Rect r)
    {
        if (r.right < r.left)
            std::swap(r.left, r.right);
        if (r.bottom < r.top)
            std::swap(r.top, r.bottom);
        Rect box = r;
        if (insideFrame_ && penWidth_ > 1) {
            box.left += penWidth_ / 2;
            box.top += penWidth_ / 2;
            box.right -= penWidth_ - 1 - penWidth_ / 2;
            box.bottom -= penWidth_ - 1 - penWidth_ / 2;
        }
        SpanList inner;
        for (int y = box.top + 1; y < box.bottom - 1; ++y)
            if (box.left + 1 < box.right - 1)
                inner.push_back({y, box.left + 1, box.right - 1});
        paintBrush(inner);
        Figure f;
        if (penWidth_ > 1) {
            f.penArea = wideRectangle(r, penWidth_, insideFrame_);
        } else if (box.right > box.left && box.bottom > box.top) {
            const Point pts[] = {{box.left, box.top}, {box.right - 1, box.top}, {box.right - 1, box.bottom - 1}, {box.left, box.bottom - 1}};
            f = polygon(pts, PolyFillMode::Alternate, {});
            f.interior.clear();
        }
        paintPen(f);
    }

    const ReferenceBitmap& reference_;
    std::unique_ptr<DibSurface> surface_;
    std::vector<RgbQuad> table_;
    int width_ = 0;
    int height_ = 0;
    int bpp_ = 24;
    Rect clip_;
    int rop2_ = 13;
    ColorRef bkColour_ = RGB(255, 255, 255);
    PolyFillMode fillMode_ = PolyFillMode::Alternate;
    ArcDirection direction_ = ArcDirection::CounterClockwise;
    Point current_;
    bool penNull_ = false;
    bool insideFrame_ = false;
    int penWidth_ = 1;
    uint32_t penRaw_ = 0;
    BrushKind brush_ = BrushKind::Solid;
    std::string hatch_;
    uint32_t brushRaw_ = 0;
};

} // namespace

ReplayResult replayCase(const ReferenceCase& c, const ReferenceBitmap& reference)
{
    Replayer r(reference);
    return r.run(c);
}

std::string describeDifferences(const ReferenceBitmap& expected, const ReferenceBitmap& actual, int* count)
{
    *count = 0;
    if (expected.width != actual.width || expected.height != actual.height) {
        *count = -1;
        return "size differs";
    }
    // One letter per stored value, so the expected and the replayed rows can be read side by side.
    std::map<uint32_t, char> letters;
    auto letter = [&](uint32_t v) {
        auto it = letters.find(v);
        if (it != letters.end())
            return it->second;
        const char c = static_cast<char>(letters.size() < 26 ? 'a' + letters.size() : '?');
        letters[v] = c;
        return c;
    };
    std::ostringstream out;
    out << "row expected | replayed\n";
    for (int y = 0; y < expected.height; ++y) {
        std::string e;
        std::string a;
        std::string marks;
        bool differs = false;
        for (int x = 0; x < expected.width; ++x) {
            const uint32_t ev = expected.at(x, y);
            const uint32_t av = actual.at(x, y);
            if (ev != av) {
                ++*count;
                differs = true;
            }
            marks += ev == av ? '.' : 'X';
            e += letter(ev);
            a += ev == av ? letter(av) : static_cast<char>(std::toupper(letter(av)));
        }
        out << (y < 10 ? " " : "") << y << ' ' << e << " | " << a << " | " << marks << (differs ? " <" : "") << '\n';
    }
    return *count ? out.str() : std::string{};
}
