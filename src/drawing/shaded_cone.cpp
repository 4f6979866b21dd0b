#include "drawing/shaded_cone.h"

#include "drawing/shading.h"
#include "platform/framework/canvas.h"

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using namespace shading;

int ConeBaseY(TPoint start, TPoint end)
{
    const int64_t h = int64_t{end.y} - start.y;
    const int e = truncToInt(kSin45 * double(h));
    return truncToInt(double(start.y) + double(half(h)) + double(half(e)));
}

namespace {

// One step of the fan: the pen colour and the ends of its two lines from the apex, the right
// line drawn first.
struct FanStep {
    TColor colour;
    TPoint right, left;
    bool operator==(const FanStep&) const = default;
};

TPoint apexOf(TPoint start, TPoint end)
{
    const RoundBody body = roundBody(start, end);
    return {body.xc, truncToInt(body.yc - body.h)};
}

// Calls visit(step) for every step of the fan, in order.
template <class Visit>
void forEachStep(TPoint start, TPoint end, TColor brush, Visit&& visit)
{
    const Rgb c = channels(brush);
    const auto [r, xc, yc, h] = roundBody(start, end);
    TColor body = brush;
    // The radius steps in single precision, as the fan's density depends on it.
    for (float t = 0.0f; double(t) <= r;) {
        const double td = double(t);
        const double s = std::sqrt(std::fabs(std::trunc(r * r - td * td))) / 3.0;
        if (r > 0 && td < r)
            body = toTColor(shade(c, 3.0 * s / (1.25 * r)));
        const int y = truncToInt(yc + s + h);
        visit(FanStep{body, TPoint{truncToInt(xc + td), y}, TPoint{truncToInt(xc - td), y}});
        // From 2^18 on, adding 0.01 leaves t as it is: every further step would repeat this
        // one forever.
        const float next = t + 0.01f;
        if (next == t)
            break;
        t = next;
    }
}

void drawLine(TCanvas& canvas, TPoint apex, TPoint end)
{
    canvas.MoveTo(apex.x, apex.y);
    canvas.LineTo(end.x, end.y);
}

// A line is the same pixels every time it is drawn, as the pen's width, style and mix mode
// and the background stay as they are during the fan (each LineTo starts its dash pattern
// afresh). What a repeat does to those pixels depends on the mix mode.
enum class Repeats {
    LastCounts, // the old pixel plays no part: only the last drawing of a line shows
    Cancel,     // lines commute, and a line drawn twice in one colour leaves no trace
    AllCount,   // any other mode: every line in order
};

Repeats repeatsUnder(int mode)
{
    switch (mode) {
    case pmBlack:
    case pmNotCopy:
    case pmCopy:
    case pmWhite: return Repeats::LastCounts;
    case pmNot:
    case pmXor:
    case pmNotXor:
    case pmNop: return Repeats::Cancel;
    default: return Repeats::AllCount;
    }
}

struct FanLine {
    TPoint end;
    TColor colour;
    int64_t count; // how many times the plain fan draws it in this run of equal steps
};

uint64_t endKey(TPoint end) { return (uint64_t(uint32_t(end.x)) << 32) | uint32_t(end.y); }

// The fan's lines in drawing order, each run of equal steps as one pair of lines.
std::vector<FanLine> fanLines(TPoint start, TPoint end, TColor brush)
{
    std::vector<FanLine> lines;
    FanStep previous{};
    forEachStep(start, end, brush, [&](const FanStep& step) {
        if (!lines.empty() && step == previous) {
            ++lines.rbegin()[0].count;
            ++lines.rbegin()[1].count;
            return;
        }
        previous = step;
        lines.push_back({step.right, step.colour, 1});
        lines.push_back({step.left, step.colour, 1});
    });
    return lines;
}

// Where only the last drawing shows, a line whose end a later line shares is drawn over by it
// pixel for pixel.
std::vector<FanLine> lastOfEachLine(const std::vector<FanLine>& lines)
{
    std::vector<bool> keep(lines.size());
    std::unordered_set<uint64_t> later;
    for (size_t i = lines.size(); i-- > 0;)
        keep[i] = later.insert(endKey(lines[i].end)).second;
    std::vector<FanLine> kept;
    for (size_t i = 0; i < lines.size(); ++i)
        if (keep[i])
            kept.push_back(lines[i]);
    return kept;
}

// Where lines commute and cancel in pairs, a line in one colour is drawn once if the plain fan
// draws it an odd number of times, else not at all.
std::vector<FanLine> oddlyRepeatedLines(const std::vector<FanLine>& lines)
{
    struct Key {
        uint64_t end;
        TColor colour;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const { return std::hash<uint64_t>()(k.end * 31 + uint32_t(k.colour)); }
    };
    std::unordered_map<Key, int64_t, KeyHash> counts;
    for (const FanLine& line : lines)
        counts[Key{endKey(line.end), line.colour}] += line.count;
    std::vector<FanLine> kept;
    for (const FanLine& line : lines) {
        auto found = counts.find(Key{endKey(line.end), line.colour});
        if (found->second % 2 != 0)
            kept.push_back(line);
        found->second = 0; // drawn or cancelled: later lines of this key add nothing
    }
    return kept;
}

void drawOnce(TCanvas& canvas, TPoint apex, const std::vector<FanLine>& lines)
{
    TPen* pen = canvas.Pen();
    for (const FanLine& line : lines) {
        pen->SetColor(line.colour);
        drawLine(canvas, apex, line.end);
    }
}

} // namespace

void ShadedCone(TCanvas& canvas, TPoint start, TPoint end)
{
    TPen* pen = canvas.Pen();
    const Repeats repeats = repeatsUnder(pen->Mode());
    if (repeats == Repeats::AllCount) {
        ShadedConeEveryStep(canvas, start, end);
        return;
    }
    const TColor penColor = pen->Color();
    const TPoint apex = apexOf(start, end);
    const std::vector<FanLine> lines = fanLines(start, end, canvas.Brush()->Color());
    drawOnce(canvas, apex, repeats == Repeats::LastCounts ? lastOfEachLine(lines) : oddlyRepeatedLines(lines));
    pen->SetColor(penColor);
}

void ShadedConeEveryStep(TCanvas& canvas, TPoint start, TPoint end)
{
    TPen* pen = canvas.Pen();
    const TColor penColor = pen->Color();
    const TPoint apex = apexOf(start, end);
    forEachStep(start, end, canvas.Brush()->Color(), [&](const FanStep& step) {
        pen->SetColor(step.colour);
        drawLine(canvas, apex, step.right);
        drawLine(canvas, apex, step.left);
    });
    pen->SetColor(penColor);
}
