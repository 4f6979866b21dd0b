// Writes a picture of the frame holding a new picture window with every bar shown: tools,
// styles, 3-D figures, zoom and rulers.
//
//   pictavo_document_screenshot OUT.png [SCALE]

#include "app/frame_form.h"
#include "document/form_main.h"
#include "document/new_bmp_form.h"
#include "editing/image_scroll_box.h"
#include "imaging/dib_graphic.h"
#include "platform/forms/modal.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QPixmap>
#include <QToolBar>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pictavo_document_screenshot OUT.png [SCALE]\n");
        return 2;
    }
    if (argc > 2)
        qputenv("QT_SCALE_FACTOR", argv[2]);
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
    form->PenBar->show();
    form->_3DBar1->show();
    form->Styles->setChecked(true);
    form->_3DFigures->setChecked(true);
    // Something on the picture, so the view is seen to hold it.
    TDibGraphic* picture = form->GetGraphic();
    for (int y = 40; y < 220; ++y)
        for (int x = 60; x < 360; ++x) {
            const int dx = x - 210;
            const int dy = y - 130;
            if (dx * dx * 4 + dy * dy * 11 < 150 * 150 * 4)
                picture->SetPixelRGB(x, y, 0x3478C6 + ((y - 40) / 6) * 0x010101);
        }
    form->ImageScrollBox1->Redraw(true);
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    const bool saved = frame.grab().save(QString::fromLocal8Bit(argv[1]));
    return saved ? 0 : 1;
}
