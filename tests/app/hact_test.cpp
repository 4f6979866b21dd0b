#include "app/hact.h"

#include "app/startup.h"

#include <QApplication>
#include <QBitmap>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
class SplashTest : public ::testing::Test {
protected:
    void SetUp() override { startup::initialiseApplication(); }
};
} // namespace

TEST_F(SplashTest, ShownAtOnceBorderlessOnTopCentred)
{
    THACT splash;
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.size(), QSize(452, 286));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_LE((splash.geometry().center() - QApplication::primaryScreen()->geometry().center()).manhattanLength(), 2);
    EXPECT_EQ(splash.Image1->geometry(), QRect(0, 0, 457, 289));
    EXPECT_FALSE(splash.Image1->pixmap().isNull());
    EXPECT_EQ(splash.StaticText1->text(), QStringLiteral("Версия 2.2"));
    EXPECT_EQ(splash.StaticText1->geometry(), QRect(328, 0, 102, 29));
    EXPECT_EQ(splash.StaticText1->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x00));
}

TEST_F(SplashTest, BlackPixelsAreCutOutOfTheWindow)
{
    THACT splash;
    const QImage picture = splash.Image1->pixmap().toImage();
    const QRegion shown = splash.mask();
    ASSERT_FALSE(shown.isEmpty());
    int black = 0;
    int coloured = 0;
    for (int y = 0; y < splash.height(); y += 7) {
        for (int x = 0; x < splash.width(); x += 7) {
            // The version text sits on the top right; elsewhere the window is the picture.
            if (x >= 320 && y < 30)
                continue;
            const bool isBlack = (picture.pixel(x, y) & 0xFFFFFF) == 0;
            EXPECT_EQ(shown.contains(QPoint(x, y)), !isBlack) << x << "," << y;
            (isBlack ? black : coloured)++;
        }
    }
    EXPECT_GT(black, 100);
    EXPECT_GT(coloured, 100);
}

TEST_F(SplashTest, HidesItselfAfterItsTimerAndKeepsTicking)
{
    THACT splash;
    EXPECT_EQ(splash.Timer1->interval(), 1000);
    QElapsedTimer clock;
    clock.start();
    while (splash.isVisible() && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(splash.isVisible());
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_TRUE(splash.Timer1->isActive());
    splash.Timer1Timer();
    EXPECT_FALSE(splash.isVisible());
}
