// Properties the painter relies on, over many generated figures: well-formed span lists, each
// outline pixel visited once, inverted boxes, empty boxes, PS_INSIDEFRAME, direction-free lines.

#include "platform/gdi/geometry/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <set>
#include <utility>

using namespace gdi;
using namespace gdi::geometry;

namespace {

::testing::AssertionResult wellFormed(const SpanList& spans)
{
    for (size_t i = 0; i < spans.size(); ++i) {
        const Span& s = spans[i];
        if (s.x1 <= s.x0)
            return ::testing::AssertionFailure() << "empty span at row " << s.y;
        if (i > 0) {
            const Span& p = spans[i - 1];
            if (p.y > s.y || (p.y == s.y && p.x1 > s.x0))
                return ::testing::AssertionFailure() << "span " << i << " at row " << s.y << " out of order or overlapping";
        }
    }
    return ::testing::AssertionSuccess();
}

size_t repeatedPixels(const std::vector<PointPath>& paths)
{
    std::set<std::pair<int, int>> seen;
    size_t repeats = 0;
    for (const PointPath& path : paths)
        for (const Point& p : path)
            if (!seen.insert({p.x, p.y}).second)
                ++repeats;
    return repeats;
}

enum class Kind { Ellipse, RoundRect, Pie, Chord, Arc };
const Kind allKinds[] = {Kind::Ellipse, Kind::RoundRect, Kind::Pie, Kind::Chord, Kind::Arc};

struct Call {
    Kind kind;
    Rect box;
    Point start;
    Point end;
    ArcDirection direction;
    int cornerWidth;
    int cornerHeight;
};

Figure draw(const Call& c, Rect box, PenShape pen)
{
    switch (c.kind) {
    case Kind::Ellipse:
        return ellipse(box, pen);
    case Kind::RoundRect:
        return roundRect(box, c.cornerWidth, c.cornerHeight, pen);
    case Kind::Pie:
        return pie(box, c.start, c.end, c.direction, pen);
    case Kind::Chord:
        return chord(box, c.start, c.end, c.direction, pen);
    case Kind::Arc:
        return arc(box, c.start, c.end, c.direction, pen);
    }
    return {};
}

std::vector<Call> generatedCalls(unsigned seed, int count)
{
    std::mt19937 rng(seed);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<Call> calls;
    for (int i = 0; i < count; ++i) {
        Call c;
        c.kind = allKinds[i % 5];
        const int l = in(-20, 40);
        const int t = in(-20, 40);
        c.box = {l, t, l + in(2, 60), t + in(2, 60)};
        c.start = {in(-80, 120), in(-80, 120)};
        c.end = {in(-80, 120), in(-80, 120)};
        c.direction = in(0, 1) ? ArcDirection::Clockwise : ArcDirection::CounterClockwise;
        c.cornerWidth = in(0, 70);
        c.cornerHeight = in(0, 70);
        calls.push_back(c);
    }
    return calls;
}

bool sameFigure(const Figure& a, const Figure& b)
{
    return a.interior == b.interior && a.outline == b.outline && a.penArea == b.penArea;
}

TEST(GeometryFigure, SpansAreSortedAndOutlinePixelsComeOnce)
{
    for (const Call& c : generatedCalls(1, 150)) {
        for (int width : {1, 2, 3, 6}) {
            const Figure f = draw(c, c.box, {width, false});
            SCOPED_TRACE(::testing::Message() << "kind " << int(c.kind) << " box " << c.box.left << ','
                                              << c.box.top << ',' << c.box.right << ',' << c.box.bottom
                                              << " width " << width);
            EXPECT_TRUE(wellFormed(f.interior));
            EXPECT_TRUE(wellFormed(f.penArea));
            EXPECT_EQ(repeatedPixels(f.outline), 0u);
            if (width > 1)
                EXPECT_TRUE(f.outline.empty());
            else
                EXPECT_TRUE(f.penArea.empty());
        }
    }
}

// A dash pattern is stepped along the outline, so neighbouring entries must be neighbouring
// pixels all the way round a closed curve. (Curves only a few pixels thick fold back over
// their own tips; the pixels met twice are kept once, which leaves a jump there.)
TEST(GeometryFigure, ClosedCurveOutlinesAreConnectedPaths)
{
    for (const Call& c : generatedCalls(2, 300)) {
        if (c.kind != Kind::Ellipse && c.kind != Kind::RoundRect)
            continue;
        if (std::abs(c.box.right - c.box.left) < 8 || std::abs(c.box.bottom - c.box.top) < 8)
            continue;
        const Figure f = draw(c, c.box, {});
        SCOPED_TRACE(::testing::Message() << "kind " << int(c.kind) << " box " << c.box.left << ',' << c.box.top
                                          << ',' << c.box.right << ',' << c.box.bottom << " corner "
                                          << c.cornerWidth << ',' << c.cornerHeight);
        ASSERT_EQ(f.outline.size(), 1u);
        const PointPath& p = f.outline.front();
        for (size_t i = 1; i < p.size(); ++i)
            EXPECT_LE(std::max(std::abs(p[i].x - p[i - 1].x), std::abs(p[i].y - p[i - 1].y)), 1)
                << "gap before point " << i;
    }
}

TEST(GeometryFigure, InvertedBoxesGiveTheNormalisedFigure)
{
    for (const Call& c : generatedCalls(3, 100)) {
        const Rect b = c.box;
        for (int width : {1, 4}) {
            const Figure normal = draw(c, b, {width, false});
            EXPECT_TRUE(sameFigure(normal, draw(c, {b.right, b.top, b.left, b.bottom}, {width, false})));
            EXPECT_TRUE(sameFigure(normal, draw(c, {b.left, b.bottom, b.right, b.top}, {width, false})));
            EXPECT_TRUE(sameFigure(normal, draw(c, {b.right, b.bottom, b.left, b.top}, {width, false})));
        }
    }
}

// From the right end of the middle row to the top: counter-clockwise is the short way round,
// clockwise the long way through the bottom.
TEST(GeometryFigure, ArcDirectionPicksTheWayRound)
{
    const Rect box{0, 0, 41, 41};
    auto has = [](const Figure& f, Point p) {
        for (const PointPath& path : f.outline)
            if (std::find(path.begin(), path.end(), p) != path.end())
                return true;
        return false;
    };
    const Point right{60, 20};
    const Point top{20, -30};
    const Figure shortWay = arc(box, right, top, ArcDirection::CounterClockwise);
    const Figure longWay = arc(box, right, top, ArcDirection::Clockwise);
    EXPECT_TRUE(has(shortWay, {40, 20}));
    EXPECT_FALSE(has(shortWay, {20, 40}));
    EXPECT_FALSE(has(shortWay, {0, 20}));
    EXPECT_TRUE(has(longWay, {40, 20}));
    EXPECT_TRUE(has(longWay, {20, 40}));
    EXPECT_TRUE(has(longWay, {0, 20}));
    EXPECT_FALSE(has(longWay, {34, 6}));
    // Drawn from the start: the first pixel is where the start ray leaves the box.
    EXPECT_EQ(longWay.outline.front().front(), (Point{40, 20}));
    EXPECT_EQ(shortWay.outline.front().front(), (Point{40, 20}));
}

// ArcTo: a line from the current position to the start of the arc, then the arc, leaving the
// current position on the arc's last point, which the next line draws.
TEST(GeometryFigure, ArcToJoinsTheCurrentPositionToTheArc)
{
    const Rect box{10, 10, 51, 41};
    const Point start{80, 25};
    const Point end{30, -20};
    const Figure plain = arc(box, start, end);
    const ArcToResult joined = arcTo({0, 25}, box, start, end);
    ASSERT_EQ(joined.figure.outline.size(), 1u);
    const PointPath& path = joined.figure.outline.front();
    EXPECT_EQ(path.front(), (Point{0, 25}));
    const PointPath lead = linePath({0, 25}, plain.outline.front().front());
    ASSERT_GT(path.size(), lead.size());
    EXPECT_TRUE(std::equal(lead.begin(), lead.end(), path.begin()));
    const PointPath& arcPixels = plain.outline.front();
    EXPECT_TRUE(std::equal(arcPixels.begin(), arcPixels.end(), path.begin() + static_cast<long>(lead.size())));
    EXPECT_EQ(path.size(), lead.size() + arcPixels.size());
    // The last point is left to the next line, one step on from the last pixel drawn.
    const Point last = joined.newCurrentPosition;
    EXPECT_LE(std::max(std::abs(last.x - path.back().x), std::abs(last.y - path.back().y)), 1);
    EXPECT_TRUE(std::find(path.begin(), path.end(), last) == path.end());
}

TEST(GeometryFigure, EmptyAndSinglePixelBoxesPaintNothing)
{
    const Rect boxes[] = {{5, 5, 6, 6}, {5, 5, 5, 9}, {5, 5, 9, 5}, {5, 5, 5, 5}, {6, 6, 5, 5}};
    for (const Rect& box : boxes)
        for (Kind kind : allKinds) {
            const Call c{kind, box, {20, 5}, {0, 0}, ArcDirection::CounterClockwise, 3, 3};
            const Figure f = draw(c, box, {});
            EXPECT_TRUE(f.interior.empty() && f.outline.empty() && f.penArea.empty())
                << "kind " << int(kind) << " box " << box.left << ',' << box.top << ',' << box.right << ',' << box.bottom;
        }
}

TEST(GeometryFigure, InsideFramePenFillsTheBoxExactly)
{
    for (int width = 2; width <= 9; ++width)
        for (const Rect box : {Rect{0, 0, 40, 30}, Rect{3, 7, 60, 20}, Rect{10, 10, 31, 52}}) {
            for (const Figure& f : {ellipse(box, {width, true}), roundRect(box, 12, 9, {width, true})}) {
                ASSERT_FALSE(f.penArea.empty());
                int left = INT32_MAX;
                int right = INT32_MIN;
                for (const Span& s : f.penArea) {
                    left = std::min(left, s.x0);
                    right = std::max(right, s.x1);
                }
                EXPECT_EQ(f.penArea.front().y, box.top) << "width " << width;
                EXPECT_EQ(f.penArea.back().y, box.bottom - 1) << "width " << width;
                EXPECT_EQ(left, box.left) << "width " << width;
                EXPECT_EQ(right, box.right) << "width " << width;
            }
        }
}

// Coordinates from a metafile can be anything: extreme ones must neither overflow nor ask for
// unbounded memory, while large figures within reach still come out whole.
TEST(GeometryFigure, ExtremeCoordinatesAreRefusedAndLargeFiguresDrawn)
{
    const int lo = INT32_MIN;
    const int hi = INT32_MAX;
    EXPECT_TRUE(sameFigure(ellipse({lo, lo, hi, hi}), Figure{}));
    EXPECT_TRUE(sameFigure(roundRect({0, 0, 50, 50}, lo, lo, {hi, true}), Figure{}));
    EXPECT_TRUE(sameFigure(pie({lo, 0, hi, 10}, {hi, hi}, {lo, lo}), Figure{}));
    EXPECT_TRUE(sameFigure(arcTo({lo, lo}, {0, 0, 10, 10}, {20, 5}, {0, 0}).figure, Figure{}));
    const Point far[] = {{lo, lo}, {hi, 0}, {0, hi}};
    EXPECT_TRUE(sameFigure(polygon(far), Figure{}));
    EXPECT_TRUE(linePath({lo, 0}, {hi, 0}).empty());
    EXPECT_TRUE(wideLine({0, 0}, {10, 10}, hi).empty());
    EXPECT_TRUE(wideRectangle({lo, lo, hi, hi}, 3).empty());

    const Figure big = ellipse({-10000, -8000, 10000, 8000});
    ASSERT_EQ(big.interior.size(), 16000u);
    EXPECT_EQ(big.interior[8000].x0, -10000);
    EXPECT_EQ(big.interior[8000].x1, 10000);
}

TEST(GeometryPolygon, TooFewPointsGiveNothing)
{
    const Point one[] = {{3, 3}};
    EXPECT_TRUE(sameFigure(polygon({}), Figure{}));
    EXPECT_TRUE(sameFigure(polygon(one), Figure{}));
}

TEST(GeometryPolygon, WideOutlineFollowsTheVerticesAndCloses)
{
    const Point triangle[] = {{10, 10}, {40, 10}, {25, 35}};
    const Figure f = polygon(triangle, PolyFillMode::Alternate, {5, false});
    const Point closedPath[] = {{10, 10}, {40, 10}, {25, 35}, {10, 10}};
    EXPECT_EQ(f.penArea, widePolyline(closedPath, 5));
    EXPECT_TRUE(wellFormed(f.interior));
}

// Lines: the same pixels whichever way they are drawn (apart from the excluded end), so a
// figure's edges meet a LineTo drawn the other way.
TEST(GeometryLines, PixelsDoNotDependOnDirection)
{
    std::mt19937 rng(4);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int i = 0; i < 2000; ++i) {
        const Point a{in(-30, 30), in(-30, 30)};
        const Point b{in(-30, 30), in(-30, 30)};
        PointPath forward = linePath(a, b);
        PointPath backward = linePath(b, a);
        ASSERT_EQ(forward.size(), static_cast<size_t>(std::max(std::abs(b.x - a.x), std::abs(b.y - a.y))));
        if (a == b)
            continue;
        EXPECT_EQ(forward.front(), a);
        forward.push_back(b);
        backward.push_back(a);
        auto key = [](const Point& p) { return std::pair{p.x, p.y}; };
        std::set<std::pair<int, int>> f;
        std::set<std::pair<int, int>> r;
        for (const Point& p : forward)
            f.insert(key(p));
        for (const Point& p : backward)
            r.insert(key(p));
        EXPECT_EQ(f, r) << a.x << ',' << a.y << " -> " << b.x << ',' << b.y;
    }
}

TEST(GeometryWidePen, LinesDoNotDependOnDirection)
{
    std::mt19937 rng(5);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int i = 0; i < 500; ++i) {
        const Point a{in(-30, 30), in(-30, 30)};
        const Point b{in(-30, 30), in(-30, 30)};
        const int width = in(2, 12);
        const SpanList forward = wideLine(a, b, width);
        EXPECT_TRUE(wellFormed(forward));
        EXPECT_EQ(forward, wideLine(b, a, width)) << a.x << ',' << a.y << " -> " << b.x << ',' << b.y << " w" << width;
    }
}

TEST(GeometryWidePen, AxisLinesAreExactlyThePenWidthAcross)
{
    for (int width = 2; width <= 12; ++width) {
        const SpanList horizontal = wideLine({5, 20}, {40, 20}, width);
        ASSERT_FALSE(horizontal.empty());
        EXPECT_EQ(horizontal.back().y - horizontal.front().y + 1, width);
        const SpanList vertical = wideLine({20, 5}, {20, 40}, width);
        int left = INT32_MAX;
        int right = INT32_MIN;
        for (const Span& s : vertical) {
            left = std::min(left, s.x0);
            right = std::max(right, s.x1);
        }
        EXPECT_EQ(right - left, width);
    }
}

TEST(GeometryWidePen, WidthOfOneOrLessIsTheCosmeticPensJob)
{
    EXPECT_TRUE(wideLine({0, 0}, {10, 3}, 1).empty());
    EXPECT_TRUE(wideLine({0, 0}, {10, 3}, 0).empty());
    EXPECT_TRUE(wideRectangle({0, 0, 10, 10}, 1).empty());
}

TEST(GeometrySpans, PathsBecomeMergedSpansAndClipKeepsTheInside)
{
    const std::vector<PointPath> paths{{{1, 1}, {2, 1}, {3, 1}}, {{5, 1}, {4, 1}, {0, 2}}};
    EXPECT_EQ(spansFromPaths(paths), (SpanList{{1, 1, 6}, {2, 0, 1}}));
    const SpanList spans{{0, -5, 5}, {1, 2, 20}, {3, 0, 4}};
    EXPECT_EQ(intersectSpans(spans, {0, 0, 10, 3}), (SpanList{{0, 0, 5}, {1, 2, 10}}));
}

} // namespace
