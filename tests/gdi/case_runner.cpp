#include "case_runner.h"

#include "reference_cases.h"

#include "platform/gdi/device_context.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>
#include <stdexcept>

namespace gdi::replay {
namespace {

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long number(const std::string& tok)
{
    if (tok.empty())
        throw Failure("bad number");
    char* end = nullptr;
    const long v = std::strtol(tok.c_str(), &end, 0);
    if (*end)
        throw Failure("bad number: " + tok);
    return v;
}

long named(const std::map<std::string, long>& table, const std::string& tok)
{
    const auto it = table.find(lower(tok));
    if (it != table.end())
        return it->second;
    return number(tok);
}

ColorRef colour(const std::string& tok)
{
    if (tok.size() == 7 && tok[0] == '#') {
        const unsigned long v = std::stoul(tok.substr(1), nullptr, 16);
        return RGB(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
    }
    if (lower(tok).rfind("dib:", 0) == 0)
        return DIBINDEX(static_cast<uint32_t>(number(tok.substr(4))));
    if (lower(tok).rfind("0x", 0) == 0)
        return static_cast<ColorRef>(std::stoul(tok, nullptr, 16));
    throw Failure("bad colour: " + tok);
}

const std::map<std::string, long> kRop2 = {
    {"r2_black", R2_BLACK}, {"r2_notmergepen", R2_NOTMERGEPEN}, {"r2_masknotpen", R2_MASKNOTPEN},
    {"r2_notcopypen", R2_NOTCOPYPEN}, {"r2_maskpennot", R2_MASKPENNOT}, {"r2_not", R2_NOT},
    {"r2_xorpen", R2_XORPEN}, {"r2_notmaskpen", R2_NOTMASKPEN}, {"r2_maskpen", R2_MASKPEN},
    {"r2_notxorpen", R2_NOTXORPEN}, {"r2_nop", R2_NOP}, {"r2_mergenotpen", R2_MERGENOTPEN},
    {"r2_copypen", R2_COPYPEN}, {"r2_mergepennot", R2_MERGEPENNOT}, {"r2_mergepen", R2_MERGEPEN},
    {"r2_white", R2_WHITE}};
const std::map<std::string, long> kPenStyle = {
    {"ps_solid", PS_SOLID}, {"ps_dash", PS_DASH}, {"ps_dot", PS_DOT}, {"ps_dashdot", PS_DASHDOT},
    {"ps_dashdotdot", PS_DASHDOTDOT}, {"ps_null", PS_NULL}, {"ps_insideframe", PS_INSIDEFRAME}};
const std::map<std::string, long> kEndCap = {
    {"ps_endcap_round", PS_ENDCAP_ROUND}, {"ps_endcap_square", PS_ENDCAP_SQUARE}, {"ps_endcap_flat", PS_ENDCAP_FLAT}};
const std::map<std::string, long> kJoin = {
    {"ps_join_round", PS_JOIN_ROUND}, {"ps_join_bevel", PS_JOIN_BEVEL}, {"ps_join_miter", PS_JOIN_MITER}};
const std::map<std::string, long> kHatch = {
    {"hs_horizontal", HS_HORIZONTAL}, {"hs_vertical", HS_VERTICAL}, {"hs_fdiagonal", HS_FDIAGONAL},
    {"hs_bdiagonal", HS_BDIAGONAL}, {"hs_cross", HS_CROSS}, {"hs_diagcross", HS_DIAGCROSS}};
const std::map<std::string, long> kRop3 = {
    {"srccopy", SRCCOPY}, {"srcpaint", SRCPAINT}, {"srcand", SRCAND}, {"srcinvert", SRCINVERT},
    {"srcerase", SRCERASE}, {"notsrccopy", NOTSRCCOPY}, {"notsrcerase", NOTSRCERASE},
    {"mergecopy", MERGECOPY}, {"mergepaint", MERGEPAINT}, {"patcopy", PATCOPY}, {"patpaint", PATPAINT},
    {"patinvert", PATINVERT}, {"dstinvert", DSTINVERT}, {"blackness", BLACKNESS}, {"whiteness", WHITENESS}};
const std::map<std::string, long> kBkMode = {{"opaque", OPAQUE}, {"transparent", TRANSPARENT}};
const std::map<std::string, long> kFillMode = {{"alternate", ALTERNATE}, {"winding", WINDING}};
const std::map<std::string, long> kArcDir = {{"ccw", AD_COUNTERCLOCKWISE}, {"cw", AD_CLOCKWISE}};
const std::map<std::string, long> kStretch = {
    {"blackonwhite", BLACKONWHITE}, {"whiteonblack", WHITEONBLACK}, {"coloroncolor", COLORONCOLOR}, {"halftone", HALFTONE}};
const std::map<std::string, long> kFlood = {
    {"surface", FLOODFILLSURFACE}, {"floodfillsurface", FLOODFILLSURFACE}, {"border", FLOODFILLBORDER},
    {"floodfillborder", FLOODFILLBORDER}};

RgbQuad quad(int r, int g, int b)
{
    return RgbQuad{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
}

const int kColor16[16][3] = {{0, 0, 0},     {0, 0, 170},    {0, 170, 0},    {0, 170, 170},
                             {170, 0, 0},   {170, 0, 170},  {170, 85, 0},   {170, 170, 170},
                             {85, 85, 85},  {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
                             {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};
const int kVga16[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                           {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                           {128, 128, 128}, {255, 0, 0},  {0, 255, 0},   {255, 255, 0},
                           {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

// The editor's 256-colour table: 16 colours, 16 greys, nine rings of 24 hues, 8 blacks, and
// three fixed entries.
std::vector<RgbQuad> color256()
{
    static const int greys[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};
    static const int rings[9][5] = {{0, 16, 31, 47, 63}, {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63},
                                    {0, 7, 14, 21, 28},  {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
                                    {0, 4, 8, 12, 16},   {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16}};
    static const int seq[24][3] = {{0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3},
                                   {4, 0, 2}, {4, 0, 1}, {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0},
                                   {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0}, {0, 4, 0}, {0, 4, 1},
                                   {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4}};
    auto lvl = [](int v) { return v * 4 + v / 16; };
    std::vector<RgbQuad> t(256);
    for (int i = 0; i < 16; ++i)
        t[i] = quad(kColor16[i][0], kColor16[i][1], kColor16[i][2]);
    for (int i = 0; i < 16; ++i)
        t[16 + i] = quad(lvl(greys[i]), lvl(greys[i]), lvl(greys[i]));
    for (int r = 0; r < 9; ++r)
        for (int k = 0; k < 24; ++k)
            t[32 + 24 * r + k] = quad(lvl(rings[r][seq[k][0]]), lvl(rings[r][seq[k][1]]), lvl(rings[r][seq[k][2]]));
    t[30] = quad(227, 179, 179);
    t[85] = quad(223, 182, 235);
    t[96] = quad(182, 223, 182);
    return t;
}

std::vector<RgbQuad> palette(const std::string& nameIn)
{
    const std::string name = lower(nameIn);
    std::vector<RgbQuad> t;
    if (name == "none")
        return t;
    if (name == "default-bw")
        return {quad(0, 0, 0), quad(255, 255, 255)};
    if (name == "grey16") {
        for (int i = 0; i < 16; ++i)
            t.push_back(quad(17 * i, 17 * i, 17 * i));
        return t;
    }
    if (name == "grey256") {
        for (int i = 0; i < 256; ++i)
            t.push_back(quad(i, i, i));
        return t;
    }
    if (name == "color16" || name == "vga16") {
        const auto& p = name == "color16" ? kColor16 : kVga16;
        for (int i = 0; i < 16; ++i)
            t.push_back(quad(p[i][0], p[i][1], p[i][2]));
        return t;
    }
    if (name == "color256")
        return color256();
    if (name.rfind("custom:", 0) == 0) {
        std::stringstream list(name.substr(7));
        std::string item;
        while (std::getline(list, item, ','))
            if (!item.empty()) {
                const unsigned long v = std::stoul(item, nullptr, 16);
                t.push_back(quad(static_cast<int>(v >> 16) & 255, static_cast<int>(v >> 8) & 255, static_cast<int>(v) & 255));
            }
        return t;
    }
    throw Failure("unknown palette: " + nameIn);
}

std::unique_ptr<DibSurface> makeSurface(int w, int h, int bpp, const std::string& pal)
{
    std::vector<RgbQuad> table = palette(pal);
    if (bpp <= 8) {
        if (table.empty())
            throw Failure("palettised DIB needs a palette");
        if (table.size() > (size_t{1} << bpp))
            table.resize(size_t{1} << bpp);
    } else {
        table.clear();
    }
    return std::make_unique<DibSurface>(w, h, bpp, table);
}

uint32_t genValue(const std::string& gen, int x, int y, int w, int h, int bpp)
{
    const std::string g = lower(gen);
    if (g == "index") {
        const uint32_t n = bpp >= 24 ? 0x1000000u : (1u << bpp);
        uint32_t v = static_cast<uint32_t>(x + y * w) % n;
        if (bpp >= 24)
            v = (v * 0x10203u) & 0xFFFFFFu;
        return v;
    }
    if (g == "cube") {
        const uint32_t r = w > 1 ? static_cast<uint32_t>(x * 255 / (w - 1)) : 0;
        const uint32_t gg = h > 1 ? static_cast<uint32_t>(y * 255 / (h - 1)) : 0;
        const uint32_t b = 255 - (r + gg) / 2;
        return (r << 16) | (gg << 8) | b;
    }
    if (g == "checker")
        return ((x ^ y) & 1) ? (bpp >= 24 ? 0xFFFFFFu : (1u << (bpp > 8 ? 8 : bpp)) - 1) : 0;
    throw Failure("unknown generator: " + gen);
}

void genFill(DibSurface& s, const std::string& gen)
{
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            s.setRawPixel(x, y, genValue(gen, x, y, s.width(), s.height(), s.bitsPerPixel()));
}

std::array<uint8_t, 8> pattern(const std::string& hex)
{
    if (hex.size() != 16)
        throw Failure("pattern needs 16 hex digits");
    std::array<uint8_t, 8> rows{};
    for (int i = 0; i < 8; ++i)
        rows[static_cast<size_t>(i)] = static_cast<uint8_t>(std::stoul(hex.substr(static_cast<size_t>(2 * i), 2), nullptr, 16));
    return rows;
}

std::string hex8(uint32_t v)
{
    char b[16];
    std::snprintf(b, sizeof b, "0x%08x", v);
    return b;
}

class Runner {
public:
    void start(const std::string& name)
    {
        out_ = CaseOutput{};
        out_.name = name;
        dc_.reset();
    }

    bool hasSurface() const { return dc_ != nullptr; }
    CaseOutput& output() { return out_; }

    void dib(const std::vector<std::string>& t)
    {
        need(t, 4);
        out_.surface = makeSurface(static_cast<int>(number(t[1])), static_cast<int>(number(t[2])),
                                   static_cast<int>(number(t[3])), t[4]);
        dc_ = std::make_unique<DeviceContext>(*out_.surface);
    }

    void run(int line, const std::vector<std::string>& t)
    {
        const std::string op = lower(t[0]);
        if (op == "fill" || op == "fillraw" || op == "fillpattern" || op == "fillgen") {
            fill(op, t);
            return;
        }
        if (!dc_)
            throw Failure("operation before dib");
        auto A = [&](size_t i) { return static_cast<int>(number(t.at(i))); };
        auto ret = [&](const std::string& v) { out_.returns.push_back(std::to_string(line) + "\t" + t[0] + "\t" + v); };
        auto retInt = [&](long v) { ret(std::to_string(v)); };
        DeviceContext& dc = *dc_;

        if (op == "setrop2") {
            need(t, 1);
            retInt(dc.SetROP2(static_cast<int>(named(kRop2, t[1]))));
        } else if (op == "setbkmode") {
            need(t, 1);
            retInt(dc.SetBkMode(static_cast<int>(named(kBkMode, t[1]))));
        } else if (op == "setbkcolor") {
            need(t, 1);
            ret(hex8(dc.SetBkColor(colour(t[1]))));
        } else if (op == "settextcolor") {
            need(t, 1);
            ret(hex8(dc.SetTextColor(colour(t[1]))));
        } else if (op == "setpolyfillmode") {
            need(t, 1);
            retInt(dc.SetPolyFillMode(static_cast<int>(named(kFillMode, t[1]))));
        } else if (op == "setarcdirection") {
            need(t, 1);
            retInt(dc.SetArcDirection(static_cast<int>(named(kArcDir, t[1]))));
        } else if (op == "setstretchbltmode") {
            need(t, 1);
            retInt(dc.SetStretchBltMode(static_cast<int>(named(kStretch, t[1]))));
        } else if (op == "setbrushorg") {
            need(t, 2);
            dc.SetBrushOrg(A(1), A(2));
            retInt(1);
        } else if (op == "intersectcliprect") {
            need(t, 4);
            retInt(dc.IntersectClipRect(A(1), A(2), A(3), A(4)));
        } else if (op == "selectpen") {
            need(t, 3);
            dc.SelectPen(Pen{static_cast<int>(named(kPenStyle, t[1])), A(2), colour(t[3])});
            ret("ok");
        } else if (op == "selectextpen") {
            need(t, 6);
            const int type = lower(t[1]) == "geometric" ? PS_GEOMETRIC : PS_COSMETIC;
            const int style = type | static_cast<int>(named(kPenStyle, t[2])) | static_cast<int>(named(kEndCap, t[3])) |
                              static_cast<int>(named(kJoin, t[4]));
            dc.SelectPen(Pen{style, A(5), colour(t[6])});
            ret("ok");
        } else if (op == "selectstockpen") {
            need(t, 1);
            const std::string s = lower(t[1]);
            if (s == "black_pen")
                dc.SelectPen(Pen::solid(RGB(0, 0, 0), 0));
            else if (s == "white_pen")
                dc.SelectPen(Pen::solid(RGB(255, 255, 255), 0));
            else if (s == "null_pen")
                dc.SelectPen(Pen::null());
            else
                throw Failure("unknown stock pen: " + t[1]);
            ret("ok");
        } else if (op == "selectstockbrush") {
            need(t, 1);
            const std::string s = lower(t[1]);
            static const std::map<std::string, int> greys = {
                {"white_brush", 255}, {"ltgray_brush", 192}, {"gray_brush", 128}, {"dkgray_brush", 64}, {"black_brush", 0}};
            if (s == "null_brush")
                dc.SelectBrush(Brush::null());
            else if (greys.count(s)) {
                const auto g = static_cast<uint8_t>(greys.at(s));
                dc.SelectBrush(Brush::solid(RGB(g, g, g)));
            } else
                throw Failure("unknown stock brush: " + t[1]);
            ret("ok");
        } else if (op == "selectbrush") {
            need(t, 1);
            const std::string kind = lower(t[1]);
            if (kind == "solid") {
                need(t, 2);
                dc.SelectBrush(Brush::solid(colour(t[2])));
            } else if (kind == "null") {
                dc.SelectBrush(Brush::null());
            } else if (kind == "hatch") {
                need(t, 3);
                dc.SelectBrush(Brush::hatched(static_cast<int>(named(kHatch, t[2])), colour(t[3])));
            } else if (kind == "pattern") {
                need(t, 2);
                dc.SelectBrush(Brush::monoPattern(pattern(t[2])));
            } else if (kind == "dibpattern") {
                need(t, 4);
                dc.SelectBrush(Brush::dibPattern(pattern(t[2]), colour(t[3]), colour(t[4])));
            } else {
                throw Failure("unknown brush kind: " + t[1]);
            }
            ret("ok");
        } else if (op == "moveto") {
            need(t, 2);
            dc.MoveTo(A(1), A(2));
            retInt(1);
        } else if (op == "lineto") {
            need(t, 2);
            retInt(dc.LineTo(A(1), A(2)));
        } else if (op == "rectangle") {
            need(t, 4);
            retInt(dc.Rectangle(A(1), A(2), A(3), A(4)));
        } else if (op == "ellipse") {
            need(t, 4);
            retInt(dc.Ellipse(A(1), A(2), A(3), A(4)));
        } else if (op == "roundrect") {
            need(t, 6);
            retInt(dc.RoundRect(A(1), A(2), A(3), A(4), A(5), A(6)));
        } else if (op == "pie" || op == "arc" || op == "chord" || op == "arcto") {
            need(t, 8);
            bool r;
            if (op == "pie")
                r = dc.Pie(A(1), A(2), A(3), A(4), A(5), A(6), A(7), A(8));
            else if (op == "arc")
                r = dc.Arc(A(1), A(2), A(3), A(4), A(5), A(6), A(7), A(8));
            else if (op == "chord")
                r = dc.Chord(A(1), A(2), A(3), A(4), A(5), A(6), A(7), A(8));
            else
                r = dc.ArcTo(A(1), A(2), A(3), A(4), A(5), A(6), A(7), A(8));
            retInt(r);
        } else if (op == "polygon" || op == "polyline") {
            if ((t.size() - 1) % 2)
                throw Failure("odd coordinate count");
            std::vector<Point> pts;
            for (size_t i = 1; i + 1 < t.size(); i += 2)
                pts.push_back({A(i), A(i + 1)});
            retInt(op == "polygon" ? dc.Polygon(pts) : dc.Polyline(pts));
        } else if (op == "extfloodfill") {
            need(t, 4);
            retInt(dc.ExtFloodFill(A(1), A(2), colour(t[3]), static_cast<int>(named(kFlood, t[4]))));
        } else if (op == "floodfillatpixel") {
            need(t, 2);
            const ColorRef c = dc.GetPixel(A(1), A(2));
            const bool r = dc.ExtFloodFill(A(1), A(2), c, FLOODFILLSURFACE);
            ret(std::to_string(r) + " (GetPixel " + hex8(c) + ")");
        } else if (op == "drawfocusrect") {
            need(t, 4);
            retInt(dc.DrawFocusRect(Rect{A(1), A(2), A(3), A(4)}));
        } else if (op == "focusrectpat") {
            need(t, 4);
            dc.DrawFocusRect(Rect{A(1), A(2), A(3), A(4)});
            ret("ok");
        } else if (op == "setpixelv") {
            need(t, 3);
            retInt(dc.SetPixelV(A(1), A(2), colour(t[3])));
        } else if (op == "setpixel") {
            need(t, 3);
            ret(hex8(dc.SetPixel(A(1), A(2), colour(t[3]))));
        } else if (op == "getpixel") {
            need(t, 2);
            ret(hex8(dc.GetPixel(A(1), A(2))));
        } else if (op == "patblt") {
            need(t, 5);
            retInt(dc.PatBlt(A(1), A(2), A(3), A(4), static_cast<RasterOp>(named(kRop3, t[5]))));
        } else if (op == "bitblt") {
            need(t, 7);
            retInt(dc.BitBlt(A(1), A(2), A(3), A(4), &dc, A(5), A(6), static_cast<RasterOp>(named(kRop3, t[7]))));
        } else if (op == "stretchblt") {
            need(t, 9);
            retInt(dc.StretchBlt(A(1), A(2), A(3), A(4), &dc, A(5), A(6), A(7), A(8),
                                 static_cast<RasterOp>(named(kRop3, t[9]))));
        } else if (op == "stretchbltfrom" || op == "stretchdibitsfrom") {
            need(t, 14);
            auto src = makeSurface(A(1), A(2), A(3), t[4]);
            genFill(*src, t[5]);
            const auto rop = static_cast<RasterOp>(named(kRop3, t[14]));
            if (op == "stretchbltfrom") {
                DeviceContext srcDc(*src);
                retInt(dc.StretchBlt(A(6), A(7), A(8), A(9), &srcDc, A(10), A(11), A(12), A(13), rop));
            } else {
                retInt(dc.StretchDIBits(A(6), A(7), A(8), A(9), A(10), A(11), A(12), A(13), *src, rop));
            }
        } else if (op == "stretchdibitsself") {
            need(t, 9);
            const DibSurface& s = *out_.surface;
            const std::vector<uint8_t> copy(s.bits(), s.bits() + s.imageBytes());
            retInt(dc.StretchDIBits(A(1), A(2), A(3), A(4), A(5), A(6), A(7), A(8), copy.data(),
                                    BitmapInfo::describe(s), DIB_RGB_COLORS, static_cast<RasterOp>(named(kRop3, t[9]))));
        } else if (op == "putraw") {
            need(t, 3);
            if (out_.surface->contains(A(1), A(2)))
                out_.surface->setRawPixel(A(1), A(2), static_cast<uint32_t>(std::stoul(t[3], nullptr, 0)));
            ret("ok");
        } else if (op == "textout") {
            need(t, 3);
            std::string text;
            for (size_t i = 3; i < t.size(); ++i)
                text += (i > 3 ? " " : "") + t[i];
            retInt(dc.TextOut(A(1), A(2), QString::fromStdString(text)));
        } else {
            throw Failure("unknown operation: " + t[0]);
        }
    }

private:
    static void need(const std::vector<std::string>& t, size_t n)
    {
        if (t.size() - 1 < n)
            throw Failure("too few arguments for " + t[0]);
    }

    void fill(const std::string& op, const std::vector<std::string>& t)
    {
        if (!dc_)
            throw Failure(op + " before dib");
        DibSurface& s = *out_.surface;
        if (op == "fill") {
            need(t, 1);
            const Brush old = dc_->SelectBrush(Brush::solid(colour(t[1])));
            dc_->PatBlt(0, 0, s.width(), s.height(), PATCOPY);
            dc_->SelectBrush(old);
        } else if (op == "fillraw") {
            need(t, 1);
            const auto v = static_cast<uint32_t>(std::stoul(t[1], nullptr, 0));
            for (int y = 0; y < s.height(); ++y)
                for (int x = 0; x < s.width(); ++x)
                    s.setRawPixel(x, y, v);
        } else if (op == "fillpattern") {
            need(t, 3);
            const int pw = static_cast<int>(number(t[1])), ph = static_cast<int>(number(t[2]));
            if (pw <= 0 || ph <= 0 || t.size() - 3 != static_cast<size_t>(pw * ph))
                throw Failure("fillpattern value count");
            for (int y = 0; y < s.height(); ++y)
                for (int x = 0; x < s.width(); ++x)
                    s.setRawPixel(x, y, static_cast<uint32_t>(std::stoul(t[static_cast<size_t>(3 + (y % ph) * pw + (x % pw))], nullptr, 0)));
        } else {
            need(t, 1);
            genFill(s, t[1]);
        }
    }

    CaseOutput out_;
    std::unique_ptr<DeviceContext> dc_;
};

void put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v)
{
    put16(b, v & 0xFFFFu);
    put16(b, v >> 16);
}
} // namespace

bool runCases(const std::string& text, const std::function<void(CaseOutput&)>& done, std::string& error)
{
    int lineNo = 0;
    try {
        const std::vector<ReferenceCase> cases = parseReferenceCases(text);
        Runner runner;
        for (const ReferenceCase& c : cases) {
            runner.start(c.name);
            for (const ReferenceLine& line : c.lines) {
                lineNo = line.number;
                const std::string op = lower(line.tokens[0]);
                if (op == "dib")
                    runner.dib(line.tokens);
                else if (op != "note" && op != "expect_equal")
                    runner.run(lineNo, line.tokens);
            }
            if (runner.hasSurface())
                done(runner.output());
        }
    } catch (const std::exception& e) {
        // The parser names the line itself; a failure while running names the line it was on.
        error = lineNo ? "line " + std::to_string(lineNo) + ": " + e.what() : e.what();
        return false;
    }
    return true;
}

std::vector<uint8_t> encodeBmp(const DibSurface& s)
{
    // The colour table as the platform reports a DIB section's: every entry the depth can
    // address, unused ones zero.
    std::vector<RgbQuad> table = s.colorTable();
    if (s.isPalettised())
        table.resize(size_t{1} << s.bitsPerPixel());
    const uint32_t colours = s.isPalettised() ? static_cast<uint32_t>(table.size()) : 0;
    const uint32_t offBits = 14 + 40 + 4 * colours;
    const uint32_t image = static_cast<uint32_t>(s.imageBytes());
    std::vector<uint8_t> b;
    b.reserve(offBits + image);
    b.push_back('B');
    b.push_back('M');
    put32(b, offBits + image);
    put32(b, 0);
    put32(b, offBits);
    put32(b, 40);
    put32(b, static_cast<uint32_t>(s.width()));
    put32(b, static_cast<uint32_t>(s.height()));
    put16(b, 1);
    put16(b, static_cast<uint32_t>(s.bitsPerPixel()));
    put32(b, 0);
    put32(b, image);
    put32(b, 0);
    put32(b, 0);
    put32(b, colours);
    put32(b, 0);
    for (uint32_t i = 0; i < colours; ++i) {
        b.push_back(table[i].blue);
        b.push_back(table[i].green);
        b.push_back(table[i].red);
        b.push_back(0);
    }
    b.insert(b.end(), s.bits(), s.bits() + image);
    return b;
}

} // namespace gdi::replay
