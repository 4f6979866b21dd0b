// A picture window on a screen scaled by a factor that is not 1 (QT_SCALE_FACTOR; 2 unless the
// environment gives another). The scale is fixed when the application starts, so these tests
// have a program of their own.
#include "picture_window_fixture.h"

#include "editing/image_scroll_box.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Runs before main makes the application.
const bool scaleSet = [] {
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    return true;
}();

using ScaledWindowTest = PictureWindowTest;

} // namespace

// A press on screen pixel d (reported as d / scale) names, in the status bar, the picture
// pixel the window shows there, at 100 % and zoomed; as at scale 1.
TEST_F(ScaledWindowTest, PressNamesThePicturePixelShownUnderThePointer)
{
    ASSERT_TRUE(scaleSet);
    const double scale = area.devicePixelRatioF();
    ASSERT_NE(scale, 1.0) << "run with QT_SCALE_FACTOR set";
    TFormMain* form = newPicture(40, 30);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    // Column x is red x, row y green y: each pixel says where it is.
    TDibGraphic* picture = form->GetGraphic();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            picture->SetPixelRGB(x, y, uint32_t(x) << 16 | uint32_t(y) << 8);

    for (const char* zoom : {"100", "300"}) {
        form->ScaleEdit->setText(QString::fromLatin1(zoom));
        form->ImageScrollBox1->Redraw(true);
        QWidget* image = form->ImageScrollBox1->ImageControl();
        QWidget* top = image->window();
        const QImage shot = top->grab().toImage();
        const QPointF origin = image->mapTo(top, QPointF(0, 0));
        const QRectF shown = QRectF(origin, QSizeF(image->size())).intersected(QRectF(top->rect()));
        const int firstX = int(std::ceil(shown.left() * scale)), lastX = int(std::floor(shown.right() * scale)) - 1;
        const int firstY = int(std::ceil(shown.top() * scale)), lastY = int(std::floor(shown.bottom() * scale)) - 1;
        ASSERT_LT(firstX, lastX);
        int checked = 0;
        for (int dy = firstY; dy <= lastY && checked < 300; dy += 5)
            for (int dx = firstX; dx <= std::min(lastX, firstX + 130); ++dx) {
                const QRgb seen = shot.pixel(dx, dy);
                const QPointF local = QPointF(dx / scale, dy / scale) - origin;
                QMouseEvent press(QEvent::MouseButtonPress, local, image->mapToGlobal(local), Qt::LeftButton,
                                  Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(image, &press);
                const QString said = form->PanelText(0);
                QMouseEvent release(QEvent::MouseButtonRelease, local, image->mapToGlobal(local), Qt::LeftButton,
                                    Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(image, &release);
                ASSERT_EQ(said.toStdString(),
                          QStringLiteral("Нажато: (%1, %2)").arg(qRed(seen)).arg(qGreen(seen)).toStdString())
                    << "zoom " << zoom << ", screen pixel (" << dx << ", " << dy << ")";
                ++checked;
            }
        EXPECT_FLOAT_EQ(form->ImageScrollBox1->ZoomPercent(), QString::fromLatin1(zoom).toFloat());
        EXPECT_GT(checked, 100) << zoom;
    }
}
