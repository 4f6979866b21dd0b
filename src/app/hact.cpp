#include "app/hact.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "platform/forms/artwork.h"

THACT* HACT = nullptr;

namespace {
constexpr QSize ClientSize(452, 286);
constexpr QColor Olive(0x80, 0x80, 0x00);
} // namespace

THACT::THACT(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Форма"));
    // Hiding the splash must never end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(ClientSize);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, 457, 289);
    Image1->setPixmap(forms::ArtworkPixmap(QStringLiteral(":/splash.png"), devicePixelRatioF()));

    // Its background is the desktop's own: black here, so the desktop shows through around the text.
    StaticText1 = new QLabel(QStringLiteral("Версия 2.2"), this);
    StaticText1->setGeometry(328, 0, 102, 29);
    // Narrow enough for its 102 pixels; unsmoothed, since a smoothed edge would leave a dark
    // rim where the text meets the see-through black.
    QFont textFont(QStringLiteral("Liberation Sans"));
    textFont.setPixelSize(20);
    textFont.setStyleStrategy(QFont::NoAntialias);
    StaticText1->setFont(textFont);
    QPalette olive = StaticText1->palette();
    olive.setColor(QPalette::WindowText, Olive);
    StaticText1->setPalette(olive);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(ClientSize.width() / 2, ClientSize.height() / 2));

    makeBlackSeeThrough();

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &THACT::Timer1Timer);
    Timer1->start();

    show();
}

void THACT::Timer1Timer()
{
    // Later ticks find the window hidden already and change nothing.
    close();
}

void THACT::makeBlackSeeThrough()
{
    // The window is cut to its non-black pixels: that works on any X server, composited or not.
    // A mask is in the window's own units: on a scaled screen the grab has more pixels than that.
    QImage image = grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (image.size() != size())
        image = image.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QImage shown = image.createMaskFromColor(qRgb(0, 0, 0), Qt::MaskOutColor);
    // Set bits (the non-black pixels) must read as the bitmap's foreground, which the region keeps.
    shown.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    setMask(QBitmap::fromImage(shown));
}
