#include "editing/image_scroll_box.h"
#include "editing/rubberband_mouse_handler.h"
#include "imaging/transforms/resize_transform.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kNavy = 0x000080;
constexpr uint32_t kWhite = 0xFFFFFF;

// A picture whose every pixel differs from its neighbours, so a wrong mapping shows.
void fillPattern(TDibGraphic& picture, int width, int height, TImageFormat format, uint32_t seed = 1)
{
    picture.NewImage(width, height, format, nullptr, 96, 96);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (format == ifTrueColor)
                picture.SetPixelRGB(x, y, random() & 0xFFFFFF);
            else
                picture.SetPixelIndex(x, y, random() % (format == ifBlackWhite ? 2 : format <= ifColor16 && format != ifGray256 ? 16 : 256));
        }
}

struct ViewFixture : ::testing::Test {
    QWidget host;
    TImageScrollBox* view = new TImageScrollBox(&host);

    void SetUp() override
    {
        host.resize(400, 300);
        view->setGeometry(0, 0, 400, 300);
        host.show();
    }

    void show(int width, int height, TImageFormat format = ifTrueColor)
    {
        TDibGraphic picture;
        fillPattern(picture, width, height, format);
        view->SetGraphic(&picture);
    }

    QImage grabClient() { return view->viewport()->grab().toImage(); }
    uint32_t clientPixel(const QImage& shot, int x, int y) { return shot.pixel(x, y) & 0xFFFFFF; }

    void mouse(QEvent::Type type, Qt::MouseButton button, QPoint pos, Qt::MouseButtons held)
    {
        QWidget* image = view->ImageControl();
        QMouseEvent e(type, QPointF(pos), image->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
        QApplication::sendEvent(image, &e);
    }
    void press(QPoint pos) { mouse(QEvent::MouseButtonPress, Qt::LeftButton, pos, Qt::LeftButton); }
    void drag(QPoint pos) { mouse(QEvent::MouseMove, Qt::NoButton, pos, Qt::LeftButton); }
    void hover(QPoint pos) { mouse(QEvent::MouseMove, Qt::NoButton, pos, Qt::NoButton); }
    void release(QPoint pos) { mouse(QEvent::MouseButtonRelease, Qt::LeftButton, pos, Qt::NoButton); }

    TRubberbandMouseHandler* band() { return dynamic_cast<TRubberbandMouseHandler*>(view->MouseHandler()); }
};

} // namespace

struct ZoomCase {
    const char* name;
    int width, height;
    double zoom;
    int shownWidth, shownHeight;
};

class ZoomedSize : public ViewFixture, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(ZoomedSize, TruncatesAndNeverGoesBelowOnePixel)
{
    const ZoomCase& c = GetParam();
    show(c.width, c.height);
    view->SetZoomPercent(c.zoom);
    EXPECT_EQ(view->ZoomMode(), zmPercent);
    EXPECT_EQ(view->DisplayedSize(), QSize(c.shownWidth, c.shownHeight));
    EXPECT_EQ(view->ImageControl()->size(), QSize(c.shownWidth, c.shownHeight));
}

INSTANTIATE_TEST_SUITE_P(View, ZoomedSize,
                         ::testing::Values(ZoomCase{"Half", 101, 51, 50, 50, 25}, ZoomCase{"HalfPercent", 101, 51, 0.5, 1, 1},
                                           ZoomCase{"Double", 101, 51, 200, 202, 102},
                                           ZoomCase{"Fraction", 101, 51, 33.3, 33, 16},
                                           ZoomCase{"Max", 4000, 3000, 1600, 64000, 48000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewFixture, TinyZoomsAndEmptyPicturesAreIgnored)
{
    view->SetZoomPercent(200);
    EXPECT_EQ(view->ZoomPercent(), 100.0f) << "no picture yet";
    EXPECT_EQ(view->ZoomMode(), zmOriginalSize);

    show(101, 51);
    view->SetZoomMode(zmFitToPage);
    view->SetZoomPercent(0.05);
    view->SetZoomPercent(0.1);
    EXPECT_EQ(view->ZoomMode(), zmFitToPage);
    EXPECT_EQ(view->ZoomPercent(), 100.0f);
}

TEST_F(ViewFixture, EmptyPictureHidesTheImageAndBothBars)
{
    show(1000, 800);
    EXPECT_TRUE(view->ImageControl()->isVisible());
    EXPECT_TRUE(view->HorzScrollBarVisible() && view->VertScrollBarVisible());
    TDibGraphic empty;
    view->SetGraphic(&empty);
    EXPECT_TRUE(view->ImageControl()->isHidden());
    EXPECT_FALSE(view->HorzScrollBarVisible() || view->VertScrollBarVisible());
    EXPECT_TRUE(view->GetDisplayedGraphic()->GetEmpty());
}

struct FitCase {
    const char* name;
    TZoomMode mode;
    int width, height;
    float zoom;
};

class FitModes : public ViewFixture, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FitModes, ComputeTheZoomFromTheClientArea)
{
    const FitCase& c = GetParam();
    view->setGeometry(0, 0, 800, 300);
    show(c.width, c.height);
    view->SetZoomMode(c.mode);
    EXPECT_FLOAT_EQ(view->ZoomPercent(), c.zoom);
    EXPECT_EQ(view->ZoomMode(), c.mode);
}

INSTANTIATE_TEST_SUITE_P(View, FitModes,
                         ::testing::Values(FitCase{"FitToPageSmall", zmFitToPage, 100, 50, 100},
                                           FitCase{"FullPageSmall", zmFullPage, 100, 50, 600},
                                           FitCase{"FitToPageLarge", zmFitToPage, 1600, 600, 50},
                                           FitCase{"FitWidth", zmFitWidth, 1000, 100, 80},
                                           FitCase{"FitHeight", zmFitHeight, 100, 1200, 25},
                                           FitCase{"OriginalSize", zmOriginalSize, 1000, 1000, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewFixture, FractionalZoomCountsAsChangedAtEveryRedraw)
{
    int zoomChanges = 0;
    view->OnZoomChange = [&](TImageScrollBox*, float) { ++zoomChanges; };
    show(544, 100); // full page: 400 / 544 = 73.529...
    view->SetZoomMode(zmFullPage);
    ASSERT_NE(view->ZoomPercent(), std::nearbyint(view->ZoomPercent()));
    const int before = zoomChanges;
    view->Redraw(false);
    view->Redraw(false);
    EXPECT_EQ(zoomChanges, before + 2);

    view->SetZoomPercent(50);
    const int whole = zoomChanges;
    view->Redraw(false);
    EXPECT_EQ(zoomChanges, whole) << "a whole-number zoom that stays is no change";
}

TEST_F(ViewFixture, CentresASmallCopyWithinTheOuterSize)
{
    view->SetCentered(true);
    show(200, 100);
    EXPECT_EQ(view->ImageControl()->pos(), QPoint(100, 100));
    view->SetCentered(false);
    EXPECT_EQ(view->ImageControl()->pos(), QPoint(0, 0));
}

TEST_F(ViewFixture, ScrollBarsFollowTheZoomedCopyAndRedrawResetsThem)
{
    show(300, 200);
    EXPECT_FALSE(view->HorzScrollBarVisible() || view->VertScrollBarVisible());
    view->SetZoomPercent(250); // 750 x 500
    ASSERT_TRUE(view->HorzScrollBarVisible() && view->VertScrollBarVisible());
    EXPECT_EQ(view->viewport()->size(), QSize(view->ClientWidth(), view->ClientHeight()));
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 750 - view->ClientWidth());
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 500 - view->ClientHeight());

    view->SetHorzScrollPosition(100);
    view->SetVertScrollPosition(40);
    EXPECT_EQ(view->ImageControl()->pos(), QPoint(-100, -40));
    view->Redraw(true);
    EXPECT_EQ(view->HorzScrollPosition(), 0);
    EXPECT_EQ(view->VertScrollPosition(), 0);

    // Only as wide as the client: no horizontal bar, and then no vertical one either.
    view->SetZoomPercent(100);
    EXPECT_FALSE(view->HorzScrollBarVisible() || view->VertScrollBarVisible());
}

TEST_F(ViewFixture, ShowsZoomedPixelsWhereverTheViewIsScrolled)
{
    TDibGraphic picture;
    fillPattern(picture, 300, 200, ifTrueColor);
    view->SetGraphic(&picture);
    view->SetZoomPercent(400);
    view->SetHorzScrollPosition(123);
    view->SetVertScrollPosition(57);
    const QImage shot = grabClient();
    for (QPoint client : {QPoint(0, 0), QPoint(5, 3), QPoint(200, 150), QPoint(view->ClientWidth() - 1, view->ClientHeight() - 1)}) {
        const int x = client.x() + 123, y = client.y() + 57;
        EXPECT_EQ(clientPixel(shot, client.x(), client.y()), picture.GetPixelRGB(x / 4, y / 4)) << x << ", " << y;
        EXPECT_EQ(view->DisplayedPixel(x, y), picture.GetPixelRGB(x / 4, y / 4));
    }
    // The displayed copy is the part on screen, not the 1200 x 800 whole.
    const TDibGraphic* shown = view->GetDisplayedGraphic();
    EXPECT_EQ(shown->GetWidth(), view->ClientWidth());
    EXPECT_EQ(shown->GetHeight(), view->ClientHeight());
    EXPECT_EQ(view->DisplayedOrigin(), QPoint(123, 57));
    EXPECT_EQ(shown->GetPixelRGB(5, 3), picture.GetPixelRGB(128 / 4, 60 / 4));
}

TEST_F(ViewFixture, HugeZoomKeepsTheDisplayedCopyToTheViewport)
{
    show(4000, 3000);
    view->SetZoomPercent(1600);
    EXPECT_EQ(view->DisplayedSize(), QSize(64000, 48000));
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 64000 - view->ClientWidth());
    view->SetHorzScrollPosition(view->horizontalScrollBar()->maximum());
    view->SetVertScrollPosition(view->verticalScrollBar()->maximum());
    const TDibGraphic* shown = view->GetDisplayedGraphic();
    EXPECT_LE(int64_t{shown->GetWidth()} * shown->GetHeight(), int64_t{view->ClientWidth()} * view->ClientHeight());
    EXPECT_EQ(shown->GetPixelRGB(shown->GetWidth() - 1, shown->GetHeight() - 1),
              view->GetGraphic()->GetPixelRGB(3999, 2999));
}

TEST_F(ViewFixture, BlackAndWhiteAntiAliasedShowsGreysAtEveryZoom)
{
    TDibGraphic picture;
    picture.NewImage(16, 16, ifBlackWhite, nullptr, 96, 96);
    picture.SetPixelIndex(1, 1, 1); // one white pixel: its 2 x 2 neighbourhood turns grey 4 (68)
    view->SetGraphic(&picture);
    EXPECT_EQ(view->DisplayedPixel(0, 0), 0x000000u);
    view->SetAntiAliased(true);
    EXPECT_EQ(view->DisplayedPixel(0, 0), 0x444444u);
    EXPECT_EQ(clientPixel(grabClient(), 0, 0), 0x444444u);
    view->SetZoomPercent(300);
    EXPECT_EQ(view->DisplayedPixel(2, 2), 0x444444u);

    show(20, 20);
    const uint32_t before = view->DisplayedPixel(7, 7);
    view->SetAntiAliased(false);
    view->Redraw(true);
    EXPECT_EQ(view->DisplayedPixel(7, 7), before) << "a true-colour picture is not smoothed";
}

// The smoothed copy is made only while smoothing is on; switched on later, it shows the picture
// of the latest reload, not one smoothed before smoothing went off.
TEST_F(ViewFixture, SmoothingSwitchedOnLaterShowsTheLatestReload)
{
    TDibGraphic picture;
    picture.NewImage(16, 16, ifBlackWhite, nullptr, 96, 96);
    view->SetGraphic(&picture);
    view->SetAntiAliased(true);
    EXPECT_EQ(view->DisplayedPixel(8, 8), 0x000000u);
    view->SetAntiAliased(false);
    view->GetGraphic()->SetPixelIndex(9, 9, 1); // one white pixel: its 2 x 2 neighbourhood turns grey 4 (68)
    view->Redraw(true);
    EXPECT_EQ(view->DisplayedPixel(8, 8), 0x000000u) << "not smoothed while smoothing is off";
    view->SetAntiAliased(true);
    EXPECT_EQ(view->DisplayedPixel(8, 8), 0x444444u);
    EXPECT_EQ(clientPixel(grabClient(), 8, 8), 0x444444u);
}

// The screen shows the picture as of the last redraw: drawing alone changes nothing on screen
// (a drag's preview shows at every tenth move), a redraw shows every change however it was
// made, and a redraw with nothing changed keeps what was rendered.
TEST_F(ViewFixture, ShowsThePictureAsOfTheLastRedraw)
{
    show(200, 120);
    view->SetZoomPercent(50);
    TDibGraphic* picture = view->GetGraphic();
    auto shownAt = [&](int x, int y) {
        const TDibGraphic* shown = view->GetDisplayedGraphic();
        const QPoint origin = view->DisplayedOrigin();
        return shown->GetPixelRGB(x - origin.x(), y - origin.y());
    };
    const uint32_t before = shownAt(10, 10);

    picture->Canvas()->Brush()->SetColor(TColor(0x000000FF)); // red
    picture->Canvas()->FillRect(TRect{0, 0, 60, 60});
    EXPECT_EQ(shownAt(10, 10), before) << "drawing without a redraw";
    EXPECT_EQ(clientPixel(grabClient(), 10, 10), before);
    view->Redraw(false);
    EXPECT_EQ(shownAt(10, 10), 0xFF0000u) << "a redraw without reload shows what was drawn";
    EXPECT_EQ(clientPixel(grabClient(), 10, 10), 0xFF0000u);

}

// While a command writes rows on other threads, paints, redraws and resizes read none of them:
// the screen keeps what was rendered before until the view is released and redrawn.
TEST_F(ViewFixture, AHeldViewPaintsWhatItRenderedBefore)
{
    show(200, 120);
    const uint32_t before = clientPixel(grabClient(), 10, 10);
    view->HoldPicture(true);
    TDibGraphic* picture = view->GetGraphic();
    picture->Canvas()->Brush()->SetColor(TColor(0x000000FF)); // red
    picture->Canvas()->FillRect(TRect{0, 0, 60, 60});
    view->Redraw(true);
    view->resize(380, 280);
    EXPECT_EQ(clientPixel(grabClient(), 10, 10), before);

    view->HoldPicture(false);
    view->Redraw(false);
    EXPECT_EQ(clientPixel(grabClient(), 10, 10), 0xFF0000u);
}

// After drawing, a redraw renders only the rows the drawing touched; whatever the drawing, the
// zoom and the scrolling, the screen must then equal a fresh render of the whole window.
TEST_F(ViewFixture, ScreenAfterDrawingAndRedrawsEqualsAFreshRender)
{
    std::mt19937 random(11);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (TImageFormat format : {ifTrueColor, ifColor256}) {
        for (double zoom : {37.0, 100.0, 250.0, 0.0}) {
            show(700, 500, format);
            if (zoom > 0)
                view->SetZoomPercent(zoom);
            else
                view->SetZoomMode(zmFitToPage);
            TDibGraphic* picture = view->GetGraphic();
            for (int step = 0; step < 12; ++step) {
                const int x = below(700), y = below(500);
                switch (below(3)) {
                case 0:
                    picture->Canvas()->Brush()->SetColor(TColor(random() & 0xFFFFFF));
                    picture->Canvas()->FillRect(TRect{x, y, x + below(200), y + below(60)});
                    break;
                case 1:
                    picture->SetPixelRGB(x, y, random() & 0xFFFFFF);
                    break;
                default:
                    std::memset(picture->ScanLine(y), below(256), static_cast<size_t>(picture->RowBytes()));
                    break;
                }
                if (below(4) == 0)
                    view->SetHorzScrollPosition(below(view->horizontalScrollBar()->maximum() + 1));
                view->Redraw(below(2) == 0);
                const TDibGraphic* shown = view->GetDisplayedGraphic();
                const QPoint origin = view->DisplayedOrigin();
                const QRect window(origin, QSize(shown->GetWidth(), shown->GetHeight()));
                std::vector<uint32_t> fresh(static_cast<size_t>(window.width()) * window.height());
                ZoomRenderer().render(*picture, view->DisplayedSize().width(), view->DisplayedSize().height(), window,
                                      fresh.data(), window.width());
                int wrong = 0;
                for (int wy = 0; wy < window.height(); ++wy)
                    for (int wx = 0; wx < window.width(); ++wx)
                        wrong += shown->GetPixelRGB(wx, wy) != (fresh[size_t(wy) * window.width() + wx] & 0xFFFFFF);
                ASSERT_EQ(wrong, 0) << "format " << int(format) << ", zoom " << zoom << ", step " << step;
            }
        }
    }
}

TEST_F(ViewFixture, RedrawAfterAnErrorStillWorks)
{
    show(50, 50);
    int redraws = 0;
    view->OnRedraw = [&](TDibGraphic*) {
        if (++redraws == 1)
            throw std::runtime_error("failed part-way");
    };
    EXPECT_THROW(view->Redraw(false), std::runtime_error);
    view->Redraw(false);
    EXPECT_EQ(redraws, 2);
}

// The viewport renderer must give exactly the pixels of the whole-picture resize it replaces.
struct RenderCase {
    const char* name;
    TImageFormat format;
    int width, height;
};

class RendererMatchesResize : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RendererMatchesResize, InEveryWindowAtEveryZoom)
{
    const RenderCase& c = GetParam();
    TDibGraphic picture;
    fillPattern(picture, c.width, c.height, c.format, 7);
    std::mt19937 random(11);
    for (float zoom : {3.0f, 25.0f, 36.0f, 50.0f, 73.5f, 99.0f, 100.0f, 101.0f, 150.0f, 400.0f, 1600.0f}) {
        const int w = std::max(1, static_cast<int>(c.width * (static_cast<long double>(zoom) / 100)));
        const int h = std::max(1, static_cast<int>(c.height * (static_cast<long double>(zoom) / 100)));
        TResizeTransform resize;
        resize.NewWidth = w;
        resize.NewHeight = h;
        TDibGraphic whole;
        resize.ApplyOnDest(picture, whole);
        ZoomRenderer renderer;
        for (int trial = 0; trial < 4; ++trial) {
            const int x0 = random() % w, y0 = random() % h;
            const QRect window(x0, y0, 1 + random() % (w - x0), 1 + random() % (h - y0));
            std::vector<uint32_t> out(static_cast<size_t>(window.width()) * window.height());
            renderer.render(picture, w, h, window, out.data(), window.width());
            for (int y = 0; y < window.height(); ++y)
                for (int x = 0; x < window.width(); ++x)
                    ASSERT_EQ(out[y * window.width() + x] & 0xFFFFFF, whole.GetPixelRGB(window.left() + x, window.top() + y))
                        << "zoom " << zoom << " at " << window.left() + x << ", " << window.top() + y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RendererMatchesResize,
                         ::testing::Values(RenderCase{"TrueColorAveraged", ifTrueColor, 97, 61},
                                           RenderCase{"TrueColorSmallPicked", ifTrueColor, 40, 25},
                                           RenderCase{"Color256", ifColor256, 83, 45},
                                           RenderCase{"Gray16", ifGray16, 77, 39},
                                           RenderCase{"BlackWhite", ifBlackWhite, 91, 33}),
                         [](const auto& info) { return std::string(info.param.name); });

// The zoomed rows redone after a change: exactly those whose source span meets the changed rows.
TEST(ZoomedRowsShowing, AreThoseWhoseSpansMeetTheSourceRows)
{
    std::mt19937 random(5);
    for (auto [H, h] : {std::pair{500, 185}, {500, 1250}, {7, 1000}, {1000, 7}, {3000, 1094}, {1, 1}, {9, 9}}) {
        for (int trial = 0; trial < 40; ++trial) {
            const int a = static_cast<int>(random() % H), b = static_cast<int>(random() % H);
            const int first = std::min(a, b), last = std::max(a, b);
            int expectFirst = h, expectLast = -1;
            for (int z = 0; z < h; ++z) {
                const int top = static_cast<int>(int64_t{z} * H / h);
                const int bottom = std::max(static_cast<int>(int64_t{z + 1} * H / h), top + 1);
                if (top <= last && bottom > first) {
                    expectFirst = std::min(expectFirst, z);
                    expectLast = std::max(expectLast, z);
                }
            }
            EXPECT_EQ(ZoomRenderer::zoomedRowsShowing(first, last, H, h), std::pair(expectFirst, expectLast))
                << H << " -> " << h << ", rows " << first << ".." << last;
        }
    }
}

// Large reductions split their rows between two threads; the halves must meet seamlessly and
// a renderer reused across zooms and windows must not keep stale tables or sums.
TEST(RendererMatchesResizeLarge, WholeAndPartialWindowsOfABigReduction)
{
    TDibGraphic picture;
    fillPattern(picture, 1203, 907, ifTrueColor, 5);
    ZoomRenderer renderer;
    for (float zoom : {36.0f, 50.0f, 73.5f, 12.0f}) {
        const int w = static_cast<int>(1203 * (static_cast<long double>(zoom) / 100));
        const int h = static_cast<int>(907 * (static_cast<long double>(zoom) / 100));
        TResizeTransform resize;
        resize.NewWidth = w;
        resize.NewHeight = h;
        TDibGraphic whole;
        resize.ApplyOnDest(picture, whole);
        for (const QRect& window : {QRect(0, 0, w, h), QRect(3, 1, w - 5, h - 2), QRect(0, 0, w, h)}) {
            std::vector<uint32_t> out(static_cast<size_t>(window.width()) * window.height());
            renderer.render(picture, w, h, window, out.data(), window.width());
            for (int y = 0; y < window.height(); ++y)
                for (int x = 0; x < window.width(); ++x)
                    ASSERT_EQ(out[y * window.width() + x] & 0xFFFFFF, whole.GetPixelRGB(window.left() + x, window.top() + y))
                        << "zoom " << zoom << " at " << window.left() + x << ", " << window.top() + y;
        }
    }
}

TEST_F(ViewFixture, EventsGoToTheHandlerFirstThenToTheWindowInCopyCoordinates)
{
    struct Recorder : TMouseHandler {
        std::vector<std::string>* log;
        Recorder(TImageScrollBox* v, std::vector<std::string>* l) : TMouseHandler(v), log(l) {}
        void MouseDown(TMouseButton, TShiftState, int x, int y) override { log->push_back("handler down " + std::to_string(x) + "," + std::to_string(y)); }
        void MouseMove(TShiftState, int, int) override { log->push_back("handler move"); }
        void MouseUp(TMouseButton, TShiftState, int, int) override { log->push_back("handler up"); }
    };
    std::vector<std::string> log;
    view->SetCentered(true);
    show(200, 100);
    view->SetMouseHandler(std::make_unique<Recorder>(view, &log));
    QObject* sender = nullptr;
    view->OnImageMouseDown = [&](QObject* s, TMouseButton b, TShiftState shift, int x, int y) {
        sender = s;
        log.push_back("window down " + std::to_string(x) + "," + std::to_string(y) + (b == mbLeft ? " left" : "") +
                      ((shift & ssLeft) ? " held" : ""));
    };
    view->OnImageMouseMove = [&](QObject*, TShiftState, int, int) { log.push_back("window move"); };
    view->OnImageMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) { log.push_back("window up"); };
    press({10, 20});
    drag({11, 21});
    release({11, 21});
    EXPECT_EQ(sender, view->ImageControl());
    EXPECT_EQ(log, (std::vector<std::string>{"handler down 10,20", "window down 10,20 left held", "handler move",
                                             "window move", "handler up", "window up"}));
}

TEST_F(ViewFixture, MouseModesInstallAndRemoveTheBand)
{
    EXPECT_EQ(view->MouseMode(), mmDrag);
    EXPECT_EQ(view->MouseHandler(), nullptr);
    view->SetMouseMode(mmSelect);
    TMouseHandler* first = view->MouseHandler();
    ASSERT_NE(band(), nullptr);
    view->SetMouseMode(mmSelect);
    EXPECT_EQ(view->MouseHandler(), first) << "the same mode changes nothing";
    view->ImageControl()->SetCursor(crSizeWE);
    view->SetMouseMode(mmUser);
    EXPECT_EQ(view->MouseHandler(), nullptr);
    EXPECT_EQ(view->ImageControl()->Cursor(), crDefault);
}

namespace {

struct BandFixture : ViewFixture {
    std::vector<TRect> changes;

    void SetUp() override
    {
        ViewFixture::SetUp();
        view->SetMouseMode(mmSelect);
        view->OnRubberbandChange = [this](const TRect& r) { changes.push_back(r); };
        show(300, 200);
    }

    void makeBand(QPoint from, QPoint to)
    {
        press(from);
        drag(to);
        release(to);
    }
};

} // namespace

TEST_F(BandFixture, DragDrawsADottedNavyAndWhiteBandThatStaysAfterRelease)
{
    makeBand({20, 20}, {60, 50});
    ASSERT_TRUE(band()->BandVisible());
    EXPECT_EQ((std::vector<int>{band()->X1, band()->Y1, band()->X2, band()->Y2}), (std::vector<int>{20, 20, 60, 50}));
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), (TRect{20, 20, 60, 50}));

    const QImage shot = grabClient();
    // Three on, three off, running on round the corners.
    for (int x = 20; x < 26; ++x)
        EXPECT_EQ(clientPixel(shot, x, 20), x < 23 ? kNavy : kWhite) << "x = " << x;
    EXPECT_EQ(clientPixel(shot, 60, 20), 40 % 6 < 3 ? kNavy : kWhite);
    EXPECT_EQ(clientPixel(shot, 40, 35), view->GetGraphic()->GetPixelRGB(40, 35)) << "inside is the picture";

    // A press away from the band's edges removes it and starts a new one.
    press({150, 150});
    EXPECT_FALSE(band()->BandVisible());
    EXPECT_EQ(changes.back(), (TRect{0, 0, 0, 0}));
    EXPECT_EQ(clientPixel(grabClient(), 21, 20), view->GetGraphic()->GetPixelRGB(21, 20));
    release({150, 150});
    EXPECT_FALSE(band()->BandVisible()) << "a click without a drag leaves no band";
}

TEST_F(BandFixture, CentredViewDrawsNoBand)
{
    view->SetCentered(true);
    makeBand({20, 20}, {60, 50});
    EXPECT_FALSE(band()->BandVisible());
    EXPECT_FALSE(band()->Pressed);
}

TEST_F(BandFixture, EdgesAndCornersOfferGrabHandles)
{
    makeBand({20, 20}, {60, 50});
    struct Hover {
        QPoint at;
        TCursor cursor;
    };
    for (const Hover& h : {Hover{{40, 21}, crSizeNS}, Hover{{40, 48}, crSizeNS}, Hover{{18, 35}, crSizeWE},
                           Hover{{62, 35}, crSizeWE}, Hover{{60, 50}, crSizeNWSE}, Hover{{21, 19}, crSizeNWSE},
                           Hover{{59, 22}, crSizeNESW}, Hover{{20, 50}, crSizeNESW}, Hover{{40, 35}, crDefault},
                           Hover{{100, 100}, crDefault}}) {
        hover(h.at);
        EXPECT_EQ(view->ImageControl()->Cursor(), h.cursor) << h.at.x() << ", " << h.at.y();
    }

    // Dragging the bottom edge moves only Y2.
    press({40, 50});
    EXPECT_EQ(band()->BandMovement(), bmTopBottom);
    drag({90, 80});
    release({90, 80});
    EXPECT_EQ((std::vector<int>{band()->X1, band()->Y1, band()->X2, band()->Y2}), (std::vector<int>{20, 20, 60, 80}));

    // Dragging the top-left corner: it becomes the moving end, normalised again on release.
    press({20, 20});
    EXPECT_EQ(band()->GrabHandle(), ghTopLeft);
    EXPECT_EQ((std::vector<int>{band()->X2, band()->Y2}), (std::vector<int>{20, 20}));
    drag({10, 5});
    release({10, 5});
    EXPECT_EQ((std::vector<int>{band()->X1, band()->Y1, band()->X2, band()->Y2}), (std::vector<int>{10, 5, 60, 80}));
}

TEST_F(BandFixture, BandIsClampedToTheCopyAndCannotCrossItsStart)
{
    press({100, 100});
    drag({1000, 1000});
    EXPECT_EQ(band()->X2, 299);
    EXPECT_EQ(band()->Y2, 199);
    drag({50, 40}); // left of and above the start: the corner stops one past it
    EXPECT_EQ(band()->X2, 101);
    EXPECT_EQ(band()->Y2, 101);
    release({50, 40});
}

TEST_F(BandFixture, ZoomAndReloadRemoveTheBand)
{
    makeBand({20, 20}, {60, 50});
    changes.clear();
    view->Redraw(false);
    EXPECT_TRUE(band()->BandVisible()) << "same zoom, no reload: the band stays";
    view->Redraw(true);
    EXPECT_FALSE(band()->BandVisible());
    EXPECT_EQ(changes, (std::vector<TRect>{TRect{0, 0, 0, 0}}));
}

TEST(RubberbandErrors, InvalidValuesRaiseTheirTexts)
{
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const Exception& e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_EQ(message([] { GrabHandleToBandMovement(8); }), "Invalid GrabHandle, GrabHandleToBandMovement");
    EXPECT_EQ(message([] { GrabHandleToCursor(8); }), "Invalid GrabHandle, GrabHandleToCursor");
    EXPECT_EQ(GrabHandleToBandMovement(ghLeft), bmLeftRight);
    EXPECT_EQ(GrabHandleToCursor(ghTopRight), crSizeNESW);

    QWidget host;
    TImageScrollBox view(&host);
    TRubberbandMouseHandler handler(&view);
    EXPECT_EQ(message([&] { handler.SetLineStyle(5); }), "Invalid Rubberband style");
    handler.SetLineStyle(psDash);
    EXPECT_EQ(handler.LineStyle(), psDash);
    EXPECT_EQ(handler.PenColor(), clNavy);
}
