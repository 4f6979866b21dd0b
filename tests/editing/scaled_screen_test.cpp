// The view on a screen scaled by a factor that is not 1 (QT_SCALE_FACTOR; 2 unless the
// environment gives another). The scale is fixed when the application starts, so these tests
// have a program of their own.
#include "editing/image_scroll_box.h"
#include "editing/labeled_slider.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// Runs before main makes the application.
const bool scaleSet = [] {
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    return true;
}();

// Column x of the picture is grey level x, row y has green y: every pixel tells where it is.
void stripes(TDibGraphic& picture, int width, int height)
{
    picture.NewImage(width, height, ifTrueColor, nullptr, 96, 96);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.SetPixelRGB(x, y, uint32_t(x) << 16 | uint32_t(y) << 8);
}

struct ScaledView : ::testing::Test {
    QWidget host;
    TImageScrollBox* view = new TImageScrollBox(&host);
    QPoint lastDown{-1, -1};
    QPoint lastMove{-1, -1};

    void SetUp() override
    {
        ASSERT_TRUE(scaleSet);
        host.resize(303, 203);
        view->setGeometry(0, 0, 303, 203);
        view->SetCentered(true);
        view->OnImageMouseDown = [this](QObject*, TMouseButton, TShiftState, int x, int y) { lastDown = {x, y}; };
        view->OnImageMouseMove = [this](QObject*, TShiftState, int x, int y) { lastMove = {x, y}; };
        host.show();
    }

    void send(QEvent::Type type, QPointF local, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QWidget* image = view->ImageControl();
        QMouseEvent e(type, local, image->mapToGlobal(local), button, held, Qt::NoModifier);
        QApplication::sendEvent(image, &e);
    }
};

} // namespace

// The window system reports a pointer on screen pixel d as d / scale. For each screen pixel
// over the picture, a press and a move there must name the picture pixel shown on it: the one
// whose colour the window shows at that screen pixel.
TEST_F(ScaledView, PressAndMoveLandOnThePicturePixelShownUnderThePointer)
{
    const double scale = host.devicePixelRatioF();
    ASSERT_NE(scale, 1.0) << "run with QT_SCALE_FACTOR set";
    // Centred at an odd logical position, which at 1.5 falls between two screen pixels.
    TDibGraphic picture;
    stripes(picture, 40, 20);
    view->SetGraphic(&picture);
    QWidget* image = view->ImageControl();
    ASSERT_EQ(image->pos(), QPoint(131, 91));

    const QImage shot = host.grab().toImage();
    ASSERT_DOUBLE_EQ(shot.devicePixelRatio(), scale);
    const QPoint origin = image->mapTo(&host, QPoint(0, 0));
    const int firstX = int(std::ceil(origin.x() * scale)), lastX = int(std::floor((origin.x() + 40) * scale)) - 1;
    const int firstY = int(std::ceil(origin.y() * scale)), lastY = int(std::floor((origin.y() + 20) * scale)) - 1;
    int checked = 0;
    for (int dy = firstY; dy <= lastY; dy += 3)
        for (int dx = firstX; dx <= lastX; ++dx) {
            const QRgb shown = shot.pixel(dx, dy);
            const QPoint expected(qRed(shown), qGreen(shown));
            const QPointF local = QPointF(dx / scale, dy / scale) - QPointF(origin);
            send(QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton);
            send(QEvent::MouseMove, local, Qt::NoButton, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
            ASSERT_EQ(lastDown, expected) << "press on screen pixel (" << dx << ", " << dy << ")";
            ASSERT_EQ(lastMove, expected) << "move on screen pixel (" << dx << ", " << dy << ")";
            ++checked;
        }
    EXPECT_GT(checked, 40 * 3);
}

// The digits of a ruler are drawn with the screen's own pixels, not stretched from a bitmap of
// the ruler's logical size: at scale 2 a stretched bitmap would show only 2 x 2 blocks of one
// colour.
TEST_F(ScaledView, RulerDigitsAreDrawnWithTheScreensPixels)
{
    const double scale = host.devicePixelRatioF();
    TLabeledSlider* ruler = new TLabeledSlider(&host);
    ruler->setObjectName(QStringLiteral("LabeledSlider1"));
    ruler->setOrientation(Qt::Horizontal);
    ruler->SetMax(100);
    ruler->SetFontSize(7);
    ruler->SetLabelTop(14);
    ruler->setGeometry(0, 0, 300, 28);
    ruler->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    ruler->repaint();

    const QImage& bitmap = ruler->Overlay()->Bitmap();
    EXPECT_DOUBLE_EQ(bitmap.devicePixelRatio(), scale);
    EXPECT_EQ(bitmap.size(), QSize(int(std::ceil(300 * scale)), int(std::ceil(28 * scale))));

    if (scale != 2.0)
        return;
    // Every aligned 2 x 2 block of the labels' band, on the screen.
    const QImage shot = ruler->grab().toImage();
    int blocks = 0, mixed = 0;
    for (int y = 28; y + 1 < shot.height(); y += 2)
        for (int x = 0; x + 1 < shot.width(); x += 2) {
            const QRgb a = shot.pixel(x, y);
            if (qGray(a) > 200 && qGray(shot.pixel(x + 1, y + 1)) > 200)
                continue;
            ++blocks;
            if (shot.pixel(x + 1, y) != a || shot.pixel(x, y + 1) != a || shot.pixel(x + 1, y + 1) != a)
                ++mixed;
        }
    ASSERT_GT(blocks, 20) << "the labels are on the screen";
    EXPECT_GT(mixed, blocks / 4);
}
