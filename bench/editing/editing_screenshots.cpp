// Writes screenshots of the editing and drawing widgets at work, for a person to look at:
// a zoomed, scrolled picture with a selection band, both rulers and the two sliders, and the
// palette grid showing "FG", "BG" and "FB". Usage: pictavo_editing_screenshots <output folder>
#include "drawing/color_grid.h"
#include "editing/image_scroll_box.h"
#include "editing/labeled_slider.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTest>

#include <cstdio>

namespace {

// A small scene: sky, sun, hills and a house, drawn once and copied into a picture.
void paintScene(TDibGraphic& picture, int width, int height)
{
    QImage scene(width, height, QImage::Format_RGB32);
    QPainter p(&scene);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(90, 150, 230));
    sky.setColorAt(1, QColor(220, 235, 250));
    p.fillRect(scene.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 210, 60));
    p.drawEllipse(QPoint(width * 3 / 4, height / 4), height / 8, height / 8);
    QPainterPath hills;
    hills.moveTo(0, height * 0.7);
    hills.cubicTo(width * 0.3, height * 0.5, width * 0.6, height * 0.9, width, height * 0.65);
    hills.lineTo(width, height);
    hills.lineTo(0, height);
    p.setBrush(QColor(70, 150, 70));
    p.drawPath(hills);
    p.setBrush(QColor(180, 60, 50));
    p.drawRect(width / 5, height / 2, width / 6, height / 5);
    p.setBrush(QColor(110, 40, 30));
    p.drawPolygon(QPolygon({QPoint(width / 5 - 6, height / 2), QPoint(width / 5 + width / 12, height / 3),
                            QPoint(width / 5 + width / 6 + 6, height / 2)}));
    p.setBrush(QColor(250, 240, 170));
    p.drawRect(width / 5 + 8, height / 2 + 10, 12, 12);
    p.end();

    picture.NewImage(width, height, ifTrueColor, nullptr, 96, 96);
    for (int y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(scene.constScanLine(y));
        uint8_t* out = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            out[3 * x] = static_cast<uint8_t>(qBlue(in[x]));
            out[3 * x + 1] = static_cast<uint8_t>(qGreen(in[x]));
            out[3 * x + 2] = static_cast<uint8_t>(qRed(in[x]));
        }
    }
}

void mouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

bool save(QWidget* widget, const QString& path)
{
    const bool ok = widget->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    QDir().mkpath(out.path());

    // The picture window's middle, laid out as the window lays it out.
    QWidget window;
    window.setWindowTitle(QStringLiteral("Пиктаво"));
    auto* grid = new QGridLayout(&window);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(2);

    auto* ruler1 = new TLabeledSlider;
    ruler1->setObjectName("LabeledSlider1");
    ruler1->setOrientation(Qt::Horizontal);
    ruler1->SetMax(25);
    ruler1->SetThumbLength(4);
    ruler1->SetTickMarks(tmTopLeft);
    ruler1->SetFontSize(7);
    ruler1->SetLabelTop(14);
    ruler1->SetSliderVisible(false);
    ruler1->setFixedHeight(28);

    auto* ruler2 = new TLabeledSlider;
    ruler2->setObjectName("LabeledSlider2");
    ruler2->setOrientation(Qt::Vertical);
    ruler2->SetMax(25);
    ruler2->SetThumbLength(4);
    ruler2->SetTickMarks(tmTopLeft);
    ruler2->SetFontSize(7);
    ruler2->SetLabelTop(0);
    ruler2->SetSliderVisible(false);
    ruler2->setFixedWidth(17);

    auto* view = new TImageScrollBox;
    view->setObjectName("ImageScrollBox1");
    view->setMinimumSize(560, 380);

    auto* heightSlider = new TSlider;
    heightSlider->setOrientation(Qt::Vertical);
    heightSlider->SetMax(202);
    heightSlider->SetPosition(150);
    heightSlider->SetTickStyle(tsNone);
    heightSlider->setFixedWidth(24);

    grid->addWidget(ruler1, 0, 2);
    grid->addWidget(heightSlider, 1, 0);
    grid->addWidget(ruler2, 1, 1);
    grid->addWidget(view, 1, 2);

    auto* bottom = new QHBoxLayout;
    auto* colors = new TCColorGrid;
    colors->SetGridOrdering(go8x2);
    colors->setFixedSize(256, 56);
    QFont labelFont(QStringLiteral("Times New Roman"));
    labelFont.setPixelSize(13);
    labelFont.setBold(true);
    colors->setFont(labelFont);
    colors->SetTabStop(false);
    colors->SetBackgroundIndex(15);
    colors->SetForegroundIndex(4);
    auto* widthSlider = new TSlider;
    widthSlider->SetMax(302);
    widthSlider->SetPosition(240);
    widthSlider->SetKind(skWide);
    widthSlider->SetSelStart(60);
    widthSlider->SetSelEnd(240);
    widthSlider->setFixedHeight(30);
    bottom->addWidget(colors);
    bottom->addSpacing(12);
    bottom->addWidget(widthSlider, 1);
    grid->addLayout(bottom, 2, 0, 1, 3);

    window.resize(660, 520);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qWarning("the window was never exposed; the shots may be blank");

    TDibGraphic picture;
    paintScene(picture, 300, 200);
    view->SetCentered(false);
    view->SetMouseMode(mmSelect);
    view->SetGraphic(&picture);
    view->SetZoomPercent(400);
    view->SetHorzScrollPosition(140);
    view->SetVertScrollPosition(260);
    // The rulers were built at their first size; the zoom box has them rebuilt like this.
    for (TLabeledSlider* ruler : {ruler1, ruler2}) {
        ruler->SetSliderVisible(true);
        ruler->SetSliderVisible(false);
    }

    // Drag a band with the left button.
    QWidget* image = view->ImageControl();
    const QPoint origin(view->HorzScrollPosition(), view->VertScrollPosition());
    mouse(image, QEvent::MouseButtonPress, origin + QPoint(120, 70), Qt::LeftButton, Qt::LeftButton);
    for (int step = 1; step <= 10; ++step)
        mouse(image, QEvent::MouseMove, origin + QPoint(120 + 26 * step, 70 + 17 * step), Qt::NoButton, Qt::LeftButton);
    mouse(image, QEvent::MouseButtonRelease, origin + QPoint(380, 240), Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();

    bool ok = save(&window, out.filePath("picture_window_middle.png"));
    ok &= save(view, out.filePath("view_zoomed_band.png"));
    ok &= save(ruler1, out.filePath("ruler_horizontal.png"));

    // The grid with a shared cell: "FB".
    colors->SetForegroundIndex(9);
    colors->SetBackgroundIndex(9);
    ok &= save(colors, out.filePath("color_grid_fb.png"));
    colors->SetForegroundIndex(0);
    colors->SetBackgroundIndex(15);
    ok &= save(colors, out.filePath("color_grid_fg_bg.png"));

    // The centred view at the window's own settings: 100 %, no band possible.
    view->SetCentered(true);
    view->SetZoomPercent(100);
    ok &= save(view, out.filePath("view_centred_100.png"));
    return ok ? 0 : 1;
}
