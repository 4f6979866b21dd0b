#include "app/mdi_layout.h"

#include <QRegion>

#include <gtest/gtest.h>

using mdi_layout::Stacking;

namespace {
struct TileRow {
    const char* name;
    int count;
    Stacking stacking;
    QList<QRect> expected;
};

class Tile : public ::testing::TestWithParam<TileRow> {};
} // namespace

TEST_P(Tile, Rectangles)
{
    const TileRow& row = GetParam();
    EXPECT_EQ(mdi_layout::tile(QRect(0, 0, 600, 300), row.count, row.stacking), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Tile,
    ::testing::Values(
        TileRow{"None", 0, Stacking::AboveEachOther, {}},
        TileRow{"OneFillsTheArea", 1, Stacking::SideBySide, {QRect(0, 0, 600, 300)}},
        TileRow{"ThreeAboveEachOther", 3, Stacking::AboveEachOther,
                {QRect(0, 0, 600, 100), QRect(0, 100, 600, 100), QRect(0, 200, 600, 100)}},
        TileRow{"ThreeSideBySide", 3, Stacking::SideBySide,
                {QRect(0, 0, 200, 300), QRect(200, 0, 200, 300), QRect(400, 0, 200, 300)}},
        TileRow{"FourInTwoColumns", 4, Stacking::AboveEachOther,
                {QRect(0, 0, 300, 150), QRect(0, 150, 300, 150), QRect(300, 0, 300, 150),
                 QRect(300, 150, 300, 150)}},
        // The later column takes the odd window.
        TileRow{"FiveInTwoColumns", 5, Stacking::AboveEachOther,
                {QRect(0, 0, 300, 150), QRect(0, 150, 300, 150), QRect(300, 0, 300, 100),
                 QRect(300, 100, 300, 100), QRect(300, 200, 300, 100)}},
        TileRow{"FiveInTwoRows", 5, Stacking::SideBySide,
                {QRect(0, 0, 300, 150), QRect(300, 0, 300, 150), QRect(0, 150, 200, 150),
                 QRect(200, 150, 200, 150), QRect(400, 150, 200, 150)}}),
    [](const ::testing::TestParamInfo<TileRow>& info) { return std::string(info.param.name); });

TEST(Tile, UnevenSizesLeaveNoGapAndNoOverlap)
{
    const QRect area(5, 7, 301, 203);
    const QList<QRect> rects = mdi_layout::tile(area, 7, Stacking::AboveEachOther);
    ASSERT_EQ(rects.size(), 7);
    QRegion covered;
    int total = 0;
    for (const QRect& r : rects) {
        EXPECT_FALSE(covered.intersects(r));
        covered += r;
        total += r.width() * r.height();
    }
    EXPECT_EQ(covered, QRegion(area));
    EXPECT_EQ(total, area.width() * area.height());
}

TEST(ArrangeIcons, AlongTheBottomThenWrappingUpwards)
{
    const QList<QRect> rects = mdi_layout::arrangeIcons(QRect(0, 0, 250, 300), {QSize(100, 30), QSize(100, 30), QSize(100, 30)});
    EXPECT_EQ(rects, (QList<QRect>{QRect(0, 270, 100, 30), QRect(100, 270, 100, 30), QRect(0, 240, 100, 30)}));
}
