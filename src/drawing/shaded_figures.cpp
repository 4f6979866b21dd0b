#include "drawing/shaded_figures.h"

#include "drawing/shading.h"
#include "drawing/tool_state.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/canvas.h"
#include "platform/gdi/device_context.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

using namespace shading;

namespace {

constexpr double kPi = std::numbers::pi;

// (p × q) div s for squares, exact also past 64-bit products.
int64_t quotient(int64_t p, int64_t q, int64_t s)
{
    return static_cast<int64_t>(static_cast<__int128>(p) * q / s);
}

class PixelWriter {
public:
    explicit PixelWriter(TCanvas& canvas) : dc_(*canvas.Handle()) {}
    void put(int64_t x, int64_t y, gdi::ColorRef c)
    {
        if (x >= INT_MIN && x <= INT_MAX && y >= INT_MIN && y <= INT_MAX)
            dc_.SetPixelV(static_cast<int>(x), static_cast<int>(y), c);
    }
    void quad(int64_t cx, int64_t cy, int64_t dx, int64_t dy, gdi::ColorRef c)
    {
        put(cx + dx, cy + dy, c);
        put(cx + dx, cy - dy, c);
        put(cx - dx, cy + dy, c);
        put(cx - dx, cy - dy, c);
    }

private:
    gdi::DeviceContext& dc_;
};

struct HalfSizes {
    int64_t a, b, cx, cy;
};

HalfSizes halfSizes(TPoint end, TPoint start)
{
    const int64_t a = half(int64_t{end.x} - start.x);
    const int64_t b = half(int64_t{end.y} - start.y);
    return {a, b, start.x + a, start.y + b};
}

// Ellipsoid and ring share everything but the hole: points with d at most minRatio × a²
// (b² in the second pass) are left alone.
void shadedRing(TCanvas& canvas, TColor color, TPoint end, TPoint start, double minRatio)
{
    const auto [a, b, cx, cy] = halfSizes(end, start);
    if (a == 0 || b == 0)
        return;
    const Rgb c = channels(color);
    PixelWriter out(canvas);
    // Two passes: along the x half-axis (i a column offset), then along the y half-axis with
    // the roles exchanged (i a row offset).
    auto pass = [&](int64_t major, int64_t minor, bool alongY) {
        const int64_t major2 = major * major, minor2 = minor * minor;
        for (int64_t i = 0; i <= major; ++i) {
            for (int64_t j = 0; j <= i; ++j) {
                const int64_t d = i * i + quotient(major2, j * j, minor2);
                if (d > major2)
                    break;
                if (d > major2 * minRatio || minRatio == 0) {
                    const gdi::ColorRef shaded = shade(c, 1.0 - double(d) / double(major2));
                    if (alongY)
                        out.quad(cx, cy, j, i, shaded);
                    else
                        out.quad(cx, cy, i, j, shaded);
                }
            }
        }
    };
    pass(a, b, false);
    pass(b, a, true);
}

} // namespace

void ShadedPlus(TCanvas& canvas, TColor color, TPoint end, TPoint start)
{
    const auto [a, b, cx, cy] = halfSizes(end, start);
    if (a == 0 || b == 0)
        return;
    const Rgb c = channels(color);
    PixelWriter out(canvas);
    const double a2 = double(a) * double(a), b2 = double(b) * double(b);
    for (int64_t i = 0; i <= a; ++i) {
        for (int64_t j = 0; j <= i; ++j) {
            const double d = double(i) * double(i) + a2 * (double(j) * double(j)) / b2;
            if (d > a2)
                break;
            const gdi::ColorRef k = shade(c, 1.0 - d / a2);
            out.put(cx + i, cy + j, k);
            out.put(cx + i, cy - j, k);
            out.put(cx - i, cy + j, k);
            out.put(cx - i, cy - j, k);
            out.put(cx + j, cy + i, k);
            out.put(cx + j, cy - i, k);
            out.put(cx - j, cy + i, k);
            out.put(cx - j, cy - i, k);
        }
    }
}

void ShadedEllipsoid(TCanvas& canvas, TColor color, TPoint end, TPoint start)
{
    shadedRing(canvas, color, end, start, 0.0);
}

void ShadedTorus(TCanvas& canvas, TColor color, TPoint end, TPoint start)
{
    shadedRing(canvas, color, end, start, 0.25);
}

void ShadedFrame(TCanvas& canvas, TColor color, TPoint end, TPoint start)
{
    const auto [a, b, cx, cy] = halfSizes(end, start);
    if (a == 0 || b == 0)
        return;
    const Rgb c = channels(color);
    PixelWriter out(canvas);
    const int64_t a2 = a * a, b2 = b * b;
    // The horizontal half-size shrinks while a row runs; what it ends at scales the second pass.
    int64_t m = a;
    int64_t d = 0;
    for (int64_t i = 0; i <= a; ++i) {
        m = a;
        for (int64_t j = 0; j <= i; ++j) {
            --m;
            d = i * i + quotient(m * m, j * j, b2);
            if (d > a2)
                break;
            if (double(d) > double(a2) / 4)
                out.quad(cx, cy, i, j, shade(c, 1.0 - double(d) / double(a2)));
        }
    }
    const int64_t m2 = m * m;
    for (int64_t i = 0; i <= b; ++i) {
        int64_t n = b;
        for (int64_t j = 0; j <= i; ++j) {
            // A vanished half-size leaves d as it was rather than dividing by zero.
            if (m2 != 0)
                d = i * i + quotient(n * n, j * j, m2);
            --n;
            if (d > b2)
                break;
            if (double(d) > double(b2) / 4)
                out.quad(cx, cy, j, i, shade(c, 1.0 - double(d) / double(b2)));
        }
    }
}

void ShadedBox(TCanvas& canvas, TPoint start, TPoint end, int penWidth)
{
    TBrush* brush = canvas.Brush();
    const TColor color = brush->Color();
    const TBrushStyle style = brush->Style();
    const Rgb c = channels(color);
    const int depth = truncToInt(3.0 * penWidth);
    const auto exact = [&](int num, int den) {
        return toTColor((c.r * num / den) | ((c.g * num / den) << 8) | ((c.b * num / den) << 16));
    };
    const int sx = start.x, sy = start.y, ex = end.x, ey = end.y;
    const std::array<TPoint, 4> top{TPoint{ex, sy}, TPoint{sx, sy}, TPoint{sx + depth, sy - depth},
                                    TPoint{ex + depth, sy - depth}};
    // A colour set on a clear brush makes it solid: the faces are filled under any style.
    brush->SetColor(exact(4, 5));
    canvas.Polygon(top);
    const std::array<TPoint, 4> side{TPoint{ex, sy}, TPoint{ex + depth, sy - depth}, TPoint{ex + depth, ey - depth},
                                     TPoint{ex, ey}};
    brush->SetColor(exact(2, 3));
    canvas.Polygon(side);
    brush->SetColor(color);
    brush->SetStyle(style);
    canvas.Pen()->SetWidth(penWidth);
}

void ShadedCylinder(TCanvas& canvas, TPoint start, TPoint end)
{
    TPen* pen = canvas.Pen();
    const TColor penColor = pen->Color();
    const Rgb c = channels(canvas.Brush()->Color());
    const auto [r, xc, yc, h] = roundBody(start, end);
    const TColor rim = toTColor(shade(c, kCos45));
    TColor body = canvas.Brush()->Color();
    for (int64_t i = 0; double(i) <= r; ++i) {
        const double s = std::sqrt(std::fabs(std::trunc(r * r - double(i) * double(i))));
        if (r > 0 && double(i) < r)
            body = toTColor(shade(c, s / (1.25 * r)));
        const int top = truncToInt(yc - s - h), mid = truncToInt(yc + s - h), bottom = truncToInt(yc + s + h);
        for (const int x : {truncToInt(double(xc) + double(i)), truncToInt(double(xc) - double(i))}) {
            pen->SetColor(body);
            canvas.MoveTo(x, mid);
            canvas.LineTo(x, bottom);
            pen->SetColor(rim);
            canvas.MoveTo(x, top);
            canvas.LineTo(x, mid);
        }
    }
    pen->SetColor(penColor);
}

namespace {

// The body is written into the picture itself; the scratch picture then takes the result,
// which leaves both exactly as a copy, write and copy back would, with one copy fewer.
void keepScratchCopy(TDibGraphic& picture)
{
    ScratchPicture = picture.NewInstance();
    ScratchPicture->Assign(&picture);
}

} // namespace

void ShadedJug(TDibGraphic& picture, TColor color, TPoint start, TPoint end)
{
    const Rgb c = channels(color);
    const int width = picture.GetWidth(), height = picture.GetHeight();
    const int64_t hSize = int64_t{end.y} - start.y;
    const double a = double(half(int64_t{end.x} - start.x));
    const double axis = double(start.x) + a;
    const double middle = double(start.y) + double(half(hSize));

    // Every row walks the same angles, so their sines and cosines are taken once.
    std::vector<float> sinU, cosU;
    for (float u = -90.0f; u < 90.0f; u += 0.1f) {
        const double rad = double(u) * kPi / 180.0;
        cosU.push_back(static_cast<float>(std::cos(rad)));
        sinU.push_back(static_cast<float>(std::sin(rad)));
    }
    if (!picture.GetEmpty()) {
        for (float v = -0.5f; v < 0.5f; v += 0.002f) {
            const int radius = truncToInt((std::sin(2.0 * kPi * double(v)) * 0.3 + 1.0) * a);
            const int y = truncToInt(middle + double(hSize) * double(v));
            if (y < 0 || y >= height)
                continue;
            for (size_t k = 0; k < cosU.size(); ++k) {
                const int x = truncToInt(axis + double(radius) * double(sinU[k]));
                if (x < 0 || x >= width)
                    continue;
                const double light = std::fabs(double(cosU[k]));
                picture.SetPixelRGB(x, y, shadeRgb(c, light));
            }
        }
    }
    keepScratchCopy(picture);
}

void ShadedSpring(TDibGraphic& picture, TColor color, TPoint start, TPoint end)
{
    const Rgb c = channels(color);
    const int width = picture.GetWidth(), height = picture.GetHeight();
    const int64_t hSize = int64_t{end.y} - start.y;
    const int64_t q4 = (int64_t{end.x} - start.x) / 4;
    const int coil = truncToInt(double(q4) * 1.5);
    const int wire = coil / 4;
    const auto pitch = static_cast<float>((double(hSize) - 2.0 * coil) / (16.0 * kPi));
    const double originX = 1.25 * coil + start.x;
    const double originY = 1.25 * coil + start.y;

    std::vector<double> sinT, cosT;
    for (float theta = static_cast<float>(kPi); double(theta) > -kPi; theta -= 0.01f) {
        sinT.push_back(std::sin(double(theta)));
        cosT.push_back(std::cos(double(theta)));
    }
    if (!picture.GetEmpty()) {
        for (float phi = static_cast<float>(8.0 * kPi); phi > 0.0f; phi -= 0.007f) {
            const double sinPhi = std::sin(double(phi)), cosPhi = std::cos(double(phi));
            const double climb = double(pitch) * double(phi);
            for (size_t k = 0; k < sinT.size(); ++k) {
                const double rho = cosT[k] * wire + coil;
                const int x = truncToInt(rho * sinPhi + originX);
                const int y = truncToInt(wire * sinT[k] + climb + rho * cosPhi + originY);
                // Column 0 and row 0 are never written.
                if (x <= 0 || x >= width || y <= 0 || y >= height)
                    continue;
                const double light = sinPhi > 0 ? std::fabs(cosPhi * cosT[k]) : std::fabs(cosPhi * sinT[k]);
                picture.SetPixelRGB(x, y, shadeRgb(c, light));
            }
        }
    }
    keepScratchCopy(picture);
}
