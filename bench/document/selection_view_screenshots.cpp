// Writes pictures of a picture window for a person to look at: a selection moved with the
// mouse, the zoom bar and rulers at 250 %, every bar hidden, and every bar shown again.
//
//   pictavo_selection_view_screenshots OUT_DIR

#include "app/frame_form.h"
#include "document/form_main.h"
#include "document/new_bmp_form.h"
#include "editing/image_scroll_box.h"
#include "imaging/dib_graphic.h"
#include "platform/forms/modal.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QPixmap>

#include <cstdio>

namespace {

void settle()
{
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
}

bool shoot(QWidget& frame, const QString& dir, const char* name)
{
    settle();
    return frame.grab().save(QDir(dir).filePath(QString::fromLatin1(name)));
}

void paintSomething(TDibGraphic* picture)
{
    for (int y = 30; y < 150; ++y)
        for (int x = 40; x < 200; ++x)
            picture->SetPixelRGB(x, y, 0x3478C6 + ((y - 30) / 6) * 0x010101);
    for (int y = 90; y < 200; ++y)
        for (int x = 150; x < 330; ++x)
            if ((x - 240) * (x - 240) + (y - 145) * (y - 145) * 3 < 80 * 80)
                picture->SetPixelRGB(x, y, 0xD04020);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pictavo_selection_view_screenshots OUT_DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Пиктаво"));
    TFrameForm frame;
    FrameForm = &frame;
    TNewBMPForm sizeDialog;
    NewBMPForm = &sizeDialog;
    frame.resize(1000, 700);
    frame.show();

    forms::Modal::ScopedHandler answer([](QDialog& dialog) {
        NewBMPForm->WidthEdit->setText(QStringLiteral("420"));
        NewBMPForm->HeightEdit->setText(QStringLiteral("260"));
        dialog.accept();
    });
    TFormMain* form = TFormMain::NewPicture(frame.ClientArea, nullptr);
    paintSomething(form->GetGraphic());
    form->ImageScrollBox1->Redraw(true);
    settle();

    // Select the blue block, then drag it right and down, releasing inside the grab rectangle:
    // the copy lands a seventh of the way, (10, 7) further.
    bool ok = true;
    form->VydelenieClick();
    form->FormMouseMove(40, 30);
    form->FormMouseDown(40, 30);
    form->FormMouseMove(200, 150);
    form->FormMouseMove(200, 150);
    form->FormMouseUp(200, 150);
    form->FormMouseMove(100, 80);
    form->FormMouseDown(100, 80);
    form->FormMouseMove(170, 130);
    form->FormMouseUp(170, 130);
    ok &= shoot(frame, dir, "moved_selection.png");

    form->ScaleEdit->setText(QStringLiteral("250"));
    ok &= shoot(frame, dir, "zoom_250.png");
    form->ScaleEdit->setText(QStringLiteral("100"));

    for (QAction* item : {form->Tools, form->Scale, form->Rulers})
        item->trigger();
    ok &= shoot(frame, dir, "bars_hidden.png");
    for (QAction* item : {form->Tools, form->Styles, form->_3DFigures, form->Scale, form->Rulers})
        item->trigger();
    ok &= shoot(frame, dir, "bars_shown.png");
    return ok ? 0 : 1;
}
