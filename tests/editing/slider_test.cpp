#include "editing/labeled_slider.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> labelValues(const TLabeledSlider& s)
{
    std::vector<int> values;
    for (const auto& l : s.Labels())
        values.push_back(l.value);
    return values;
}

std::unique_ptr<TLabeledSlider> makeRuler(int width, int height, int max, Qt::Orientation o = Qt::Horizontal)
{
    auto s = std::make_unique<TLabeledSlider>();
    s->setOrientation(o);
    s->resize(width, height);
    s->SetMax(max);
    s->HandleNeeded();
    return s;
}

} // namespace

TEST(LabeledSliderPositions, FactorsTruncateAsWritten)
{
    EXPECT_EQ(TLabeledSlider::HorizontalLabelX(50, 1000, 100), 482);  // trunc(510 * 0.94696...)
    EXPECT_EQ(TLabeledSlider::HorizontalLabelX(0, 1000, 100), 9);
    // 132 * 0.9469696969696969 lies just below 125.
    EXPECT_EQ(TLabeledSlider::HorizontalLabelX(122, 100, 100), 124);
    EXPECT_EQ(TLabeledSlider::VerticalLabelY(0, 580, 100), 8);
    EXPECT_EQ(TLabeledSlider::VerticalLabelY(50, 580, 100), 282);     // trunc(299 * 0.946...)
    // div truncates before the offset is added.
    EXPECT_EQ(TLabeledSlider::HorizontalLabelX(10, 700, 175), static_cast<int>((40 + 10) * 0.9469696969696969));
}

struct LabelCase {
    const char* name;
    int max;
    int interval;
    std::vector<int> expected;
};

class LabeledSliderLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabeledSliderLabels, WritesEveryIntervalUpToMax)
{
    const LabelCase& c = GetParam();
    auto s = makeRuler(700, 26, c.max);
    s->SetLabelInterval(c.interval);
    EXPECT_EQ(labelValues(*s), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rulers, LabeledSliderLabels,
    ::testing::Values(LabelCase{"Zoom100", 100, 10, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
                      LabelCase{"Zoom57", 175, 10, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160, 170}},
                      LabelCase{"Zoom1600", 6, 10, {0}},
                      LabelCase{"IntervalZero", 100, 0, {}},
                      LabelCase{"NegativeIntervalNeverLoops", 100, -5, {}},
                      LabelCase{"MaxZeroHasNoScale", 0, 10, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LabeledSlider, PlacesLabelsAlongEitherOrientation)
{
    auto h = makeRuler(1000, 26, 100);
    h->SetLabelTop(14);
    ASSERT_EQ(h->Labels().size(), 11u);
    EXPECT_EQ(h->Labels()[5].position, QPoint(482, 14));

    auto v = makeRuler(17, 580, 100, Qt::Vertical);
    v->SetLabelTop(0);
    ASSERT_EQ(v->Labels().size(), 11u);
    EXPECT_EQ(v->Labels()[5].position, QPoint(0, 282));
}

TEST(LabeledSlider, LabelsFollowMaxOnlyWhenTheWindowIsRecreated)
{
    auto s = makeRuler(600, 26, 100);
    s->SetMax(50);
    EXPECT_EQ(s->Labels().size(), 11u) << "a new Max alone does not redraw the labels";
    // The zoom box switches the thumb on and off to have the rulers rebuilt.
    s->SetSliderVisible(true);
    s->SetSliderVisible(false);
    EXPECT_EQ(labelValues(*s), (std::vector<int>{0, 10, 20, 30, 40, 50}));
    EXPECT_FALSE(s->SliderVisible());
}

TEST(LabeledSlider, OverlayKeepsItsFirstBitmapSize)
{
    auto s = makeRuler(300, 26, 100);
    s->setObjectName("LabeledSlider1");
    s->RecreateWnd();
    EXPECT_EQ(s->Overlay()->objectName(), "ImageLabeledSlider1");
    ASSERT_TRUE(s->Overlay()->HasBitmap());
    EXPECT_EQ(s->Overlay()->Bitmap().size(), QSize(300, 26));

    s->resize(900, 26);
    s->SetSliderVisible(false);
    EXPECT_EQ(s->Overlay()->Bitmap().size(), QSize(300, 26));
    EXPECT_EQ(s->Overlay()->size(), QSize(900, 26));
    // Positions use the new width, but what lies past the first width is clipped away.
    EXPECT_EQ(s->Labels().back().position.x(), TLabeledSlider::HorizontalLabelX(100, 900, 100));
}

// Shown while its window still takes its size, a ruler builds its labels once the layout has
// run, at the width it is given there.
TEST(LabeledSlider, FirstBuildWaitsForTheLayout)
{
    QWidget window;
    auto* s = new TLabeledSlider(&window);
    s->setGeometry(0, 0, 300, 26);
    window.show();
    s->setGeometry(0, 0, 800, 26); // the layout settles within the same turn of events
    EXPECT_FALSE(s->HandleAllocated());
    QApplication::processEvents();
    ASSERT_TRUE(s->HandleAllocated());
    ASSERT_TRUE(s->Overlay()->HasBitmap());
    EXPECT_EQ(s->Overlay()->Bitmap().size(), QSize(800, 26));
    EXPECT_EQ(s->Labels().back().position.x(), TLabeledSlider::HorizontalLabelX(100, 800, 100));
}

// A ruler in a window behind another (several files opened at once) builds its labels only when
// its window comes forward, at the size it has then.
TEST(LabeledSlider, ARulerOutOfSightWaitsUntilItsWindowComesForward)
{
    QWidget frame;
    frame.resize(900, 60);
    auto* behind = new QWidget(&frame);
    behind->setGeometry(0, 0, 400, 60);
    auto* s = new TLabeledSlider(behind);
    s->setGeometry(0, 0, 300, 26);
    auto* front = new QWidget(&frame);
    front->setGeometry(0, 0, 900, 60);
    front->setAutoFillBackground(true);
    frame.show();
    QApplication::processEvents();
    frame.repaint();
    EXPECT_FALSE(s->HandleAllocated()) << "covered by an opaque window, the ruler is not painted";

    behind->setGeometry(0, 0, 900, 60);
    s->setGeometry(0, 0, 800, 26);
    behind->raise();
    QApplication::processEvents();
    ASSERT_TRUE(s->HandleAllocated());
    EXPECT_EQ(s->Overlay()->Bitmap().size(), QSize(800, 26));
    EXPECT_EQ(s->Labels().back().position.x(), TLabeledSlider::HorizontalLabelX(100, 800, 100));
}

TEST(LabeledSlider, DigitsAreDarkAndTheRestOfTheBitmapWhite)
{
    auto s = makeRuler(400, 30, 100);
    s->SetFontSize(7);
    s->SetLabelTop(14);
    const QImage& bitmap = s->Overlay()->Bitmap();
    int dark = 0;
    for (int y = 14; y < 30; ++y)
        for (int x = 9; x < 20; ++x)
            dark += qGray(bitmap.pixel(x, y)) < 128;
    EXPECT_GT(dark, 3) << "the digit 0 is written at (9, 14)";
    for (int x = 0; x < bitmap.width(); ++x)
        EXPECT_EQ(bitmap.pixel(x, 2), qRgb(255, 255, 255)) << "above the labels the overlay is clear, x = " << x;
}

TEST(Slider, KindChoosesTheChannelAndLoweringMaxMovesThePosition)
{
    TSlider s;
    EXPECT_EQ(s.Kind(), skThin);
    s.HandleNeeded();
    EXPECT_FALSE(s.SelectionRangeEnabled());
    s.SetKind(skWide);
    EXPECT_TRUE(s.SelectionRangeEnabled());

    int changes = 0;
    s.SetMax(1857);
    s.SetPosition(1857);
    s.OnChange = [&](TSlider*) { ++changes; };
    s.SetMax(642);
    EXPECT_EQ(s.Position(), 642);
    EXPECT_EQ(changes, 1);
}
