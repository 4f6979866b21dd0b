// Draws the program's pictures: the splash, the About picture, the frame icon and the banner of
// the new-picture dialog. Run make_artwork.sh to regenerate the PNG files beside it.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

struct Blob {
    QPointF centre;
    double radius;
    QColor colour;
};

// The artist's palette: a rounded board with a thumb hole and a bay on its right edge.
QPainterPath paletteShape(const QRectF& box)
{
    QPainterPath board;
    board.addEllipse(box);
    QPainterPath bay;
    bay.addEllipse(QRectF(box.right() - box.width() * 0.22, box.top() + box.height() * 0.52, box.width() * 0.32,
                          box.height() * 0.38));
    QPainterPath hole;
    hole.addEllipse(QRectF(box.left() + box.width() * 0.62, box.top() + box.height() * 0.46, box.width() * 0.12,
                           box.height() * 0.17));
    return board.subtracted(bay).subtracted(hole);
}

void drawPalette(QPainter& p, const QRectF& box, bool onBlack)
{
    const QPainterPath shape = paletteShape(box);
    QRadialGradient wood(box.center() - QPointF(box.width() * 0.2, box.height() * 0.25), box.width() * 0.8);
    wood.setColorAt(0.0, QColor(246, 222, 178));
    wood.setColorAt(0.7, QColor(214, 168, 110));
    wood.setColorAt(1.0, QColor(170, 118, 66));
    p.setPen(QPen(onBlack ? QColor(120, 80, 40) : QColor(140, 96, 52), 2));
    p.setBrush(wood);
    p.drawPath(shape);

    const double w = box.width();
    const double h = box.height();
    const Blob blobs[] = {
        {{0.20, 0.38}, 0.075, QColor(220, 40, 40)},  {{0.33, 0.20}, 0.07, QColor(250, 200, 30)},
        {{0.52, 0.16}, 0.07, QColor(60, 170, 70)},   {{0.70, 0.24}, 0.068, QColor(40, 110, 220)},
        {{0.25, 0.66}, 0.07, QColor(150, 60, 180)},  {{0.44, 0.78}, 0.065, QColor(250, 250, 250)},
    };
    for (const Blob& blob : blobs) {
        const QPointF c(box.left() + blob.centre.x() * w, box.top() + blob.centre.y() * h);
        const double r = blob.radius * w;
        QRadialGradient shine(c - QPointF(r * 0.35, r * 0.35), r * 1.2);
        shine.setColorAt(0.0, blob.colour.lighter(150));
        shine.setColorAt(0.5, blob.colour);
        shine.setColorAt(1.0, blob.colour.darker(140));
        p.setPen(Qt::NoPen);
        p.setBrush(shine);
        p.drawEllipse(c, r, r * 0.85);
    }
}

// A round brush lying from bottom-left to top-right, its tip wet with paint.
void drawBrush(QPainter& p, const QPointF& tip, double length, double angleDegrees, const QColor& paint)
{
    p.save();
    p.translate(tip);
    p.rotate(angleDegrees);
    const double thick = length * 0.055;

    QPainterPath bristles;
    bristles.moveTo(0, 0);
    bristles.cubicTo(length * 0.05, -thick * 0.9, length * 0.12, -thick * 0.9, length * 0.16, -thick * 0.6);
    bristles.lineTo(length * 0.16, thick * 0.6);
    bristles.cubicTo(length * 0.12, thick * 0.9, length * 0.05, thick * 0.9, 0, 0);
    QLinearGradient wet(0, 0, length * 0.16, 0);
    wet.setColorAt(0.0, paint);
    wet.setColorAt(0.45, paint.darker(115));
    wet.setColorAt(0.55, QColor(70, 50, 35));
    wet.setColorAt(1.0, QColor(110, 80, 55));
    p.setPen(QPen(QColor(40, 28, 20), 1));
    p.setBrush(wet);
    p.drawPath(bristles);

    QLinearGradient metal(0, -thick, 0, thick);
    metal.setColorAt(0.0, QColor(235, 235, 240));
    metal.setColorAt(0.5, QColor(160, 165, 175));
    metal.setColorAt(1.0, QColor(90, 95, 105));
    p.setBrush(metal);
    p.drawRect(QRectF(length * 0.16, -thick * 0.62, length * 0.14, thick * 1.24));

    QPainterPath handle;
    handle.moveTo(length * 0.30, -thick * 0.62);
    handle.cubicTo(length * 0.5, -thick * 0.9, length * 0.8, -thick * 0.55, length, -thick * 0.3);
    handle.lineTo(length, thick * 0.3);
    handle.cubicTo(length * 0.8, thick * 0.55, length * 0.5, thick * 0.9, length * 0.30, thick * 0.62);
    handle.closeSubpath();
    QLinearGradient lacquer(0, -thick, 0, thick);
    lacquer.setColorAt(0.0, QColor(230, 90, 70));
    lacquer.setColorAt(0.45, QColor(180, 30, 30));
    lacquer.setColorAt(1.0, QColor(100, 15, 15));
    p.setBrush(lacquer);
    p.drawPath(handle);
    p.restore();
}

void drawTitle(QPainter& p, const QRectF& box, int pixelSize, const QColor& face, const QColor& edge)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setItalic(true);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("Пиктаво"));
    const QRectF bounds = text.boundingRect();
    text.translate(box.center() - bounds.center());
    QLinearGradient gold(0, box.top(), 0, box.bottom());
    gold.setColorAt(0.0, face.lighter(130));
    gold.setColorAt(1.0, face.darker(120));
    p.setPen(QPen(edge, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(gold);
    p.drawPath(text);
}

// A picture of the given logical size with scale pixels per unit; painting goes in units.
QImage canvas(int width, int height, QImage::Format format, int scale)
{
    QImage image(width * scale, height * scale, format);
    image.setDevicePixelRatio(scale);
    return image;
}

QImage splash(int scale)
{
    // Pure black is see-through on the screen: the motif floats over the desktop.
    QImage image = canvas(457, 289, QImage::Format_RGB32, scale);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawPalette(p, QRectF(40, 22, 270, 178), true);
    drawBrush(p, QPointF(262, 122), 150, -28, QColor(40, 110, 220));
    drawTitle(p, QRectF(60, 196, 340, 80), 64, QColor(250, 196, 60), QColor(90, 40, 10));
    return image;
}

QImage about(int scale)
{
    QImage image = canvas(257, 201, QImage::Format_RGB32, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 201);
    sky.setColorAt(0.0, QColor(250, 252, 255));
    sky.setColorAt(1.0, QColor(200, 226, 246));
    p.fillRect(QRect(0, 0, 257, 201), sky);
    drawPalette(p, QRectF(14, 30, 200, 136), false);
    drawBrush(p, QPointF(176, 96), 120, -38, QColor(220, 40, 40));
    return image;
}

// Drawn on a 64-pixel grid and scaled, so that every size of the desktop's icon theme is the
// same picture drawn sharp rather than the 64-pixel one resampled.
QImage iconOfSize(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    drawPalette(p, QRectF(2, 8, 58, 44), false);
    drawBrush(p, QPointF(42, 34), 40, -40, QColor(40, 110, 220));
    return image;
}

QImage frameIcon(int scale)
{
    QImage image = iconOfSize(64 * scale);
    image.setDevicePixelRatio(scale);
    return image;
}

QImage newPictureBanner(int scale)
{
    QImage image = canvas(293, 37, QImage::Format_RGB32, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 293, 0);
    band.setColorAt(0.0, QColor(30, 70, 140));
    band.setColorAt(1.0, QColor(120, 180, 230));
    p.fillRect(QRect(0, 0, 293, 37), band);
    // A blank sheet with a ruler's ticks: a new picture of a chosen size.
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 5.5, 34, 26));
    for (int x = 12; x < 42; x += 4)
        p.drawLine(QPointF(x + 0.5, 5.5), QPointF(x + 0.5, x % 8 == 4 ? 10.5 : 8.5));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(17);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(54, 0, 230, 37), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Новый рисунок"));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const struct {
        const char* name;
        QImage (*draw)(int scale);
    } pictures[] = {
        {"splash", splash},
        {"about", about},
        {"frame_icon", frameIcon},
        {"new_bmp_banner", newPictureBanner},
    };
    // Each at its size and at twice it, for screens of double density.
    for (const auto& picture : pictures) {
        for (const int scale : {1, 2}) {
            const QString path = dir + QLatin1Char('/') + QLatin1String(picture.name) +
                                 (scale == 1 ? QString() : QStringLiteral("@2x")) + QStringLiteral(".png");
            if (!picture.draw(scale).save(path)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    // The program's icon at the desktop theme's usual sizes; 64 is frame_icon.png itself.
    for (int size : {16, 22, 24, 32, 48, 128, 256}) {
        const QString path = dir + QStringLiteral("/icons/pictavo-%1.png").arg(size);
        QDir().mkpath(dir + QStringLiteral("/icons"));
        if (!iconOfSize(size).save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
