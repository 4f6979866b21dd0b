// Writes pictures of the effects for a person to look at: each question the "&Эффекты" menu
// asks, the frame after each effect and each colour-depth command (every one on the same
// starting picture), and a rectangle filled with a texture brush.
//
//   pictavo_effects_screenshot OUT_DIR

#include "app/frame_form.h"
#include "document/form_main.h"
#include "document/new_bmp_form.h"
#include "editing/image_scroll_box.h"
#include "imaging/commands/effect_commands.h"
#include "imaging/dib_graphic.h"
#include "platform/forms/modal.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/brush.h"
#include "platform/framework/canvas.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QPixmap>
#include <QSlider>

#include <cmath>
#include <cstdio>

namespace {

QString outDir;

void settle()
{
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
}

void paintScene(TDibGraphic& picture)
{
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x) {
            const double u = double(x) / picture.GetWidth(), v = double(y) / picture.GetHeight();
            const int r = int(255 * u), g = int(200 * v + 40 * std::sin(u * 12)), b = int(255 * (1 - u) * (1 - v));
            picture.SetPixelRGB(x, y, (uint32_t(std::clamp(r, 0, 255)) << 16) | (uint32_t(std::clamp(g, 0, 255)) << 8) |
                                          uint32_t(std::clamp(b, 0, 255)));
        }
    for (int y = 60; y < 200; ++y)
        for (int x = 40; x < 140; ++x)
            picture.SetPixelRGB(x, y, 0x808080);
    for (int y = 80; y < 180; ++y)
        for (int x = 200; x < 340; ++x)
            if ((x - 270) * (x - 270) + (y - 130) * (y - 130) * 2 < 60 * 60)
                picture.SetPixelRGB(x, y, 0xC86432);
}

// Grabs the dialog, then answers it: a slider position and "&Да", or the default button.
forms::Modal::Handler grabAndAnswer(const QString& name, int position)
{
    return [name, position](QDialog& dialog) {
        if (auto* bar = dialog.findChild<QSlider*>(QStringLiteral("ChangeBar")))
            bar->setValue(position);
        settle();
        dialog.grab().save(outDir + QStringLiteral("/dialog_%1.png").arg(name));
        if (auto* file = qobject_cast<QFileDialog*>(&dialog)) {
            file->selectFile(outDir + QStringLiteral("/texture.bmp"));
            static_cast<QDialog*>(file)->accept();
            return;
        }
        for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
            if (button->text().contains(QStringLiteral("Да")) || button->text().contains(QStringLiteral("Yes"))) {
                button->click();
                return;
            }
        dialog.accept();
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pictavo_effects_screenshot OUT_DIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Пиктаво"));
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    TFrameForm frame;
    FrameForm = &frame;
    TNewBMPForm sizeDialog;
    NewBMPForm = &sizeDialog;
    frame.resize(900, 560);
    frame.show();

    TFormMain* form = nullptr;
    {
        forms::Modal::ScopedHandler answer([](QDialog& dialog) {
            NewBMPForm->WidthEdit->setText(QStringLiteral("420"));
            NewBMPForm->HeightEdit->setText(QStringLiteral("260"));
            dialog.accept();
        });
        form = TFormMain::NewPicture(frame.ClientArea, nullptr);
    }
    TDibGraphic start;
    paintScene(*form->GetGraphic());
    start.Assign(form->GetGraphic());

    struct Shot {
        const char* name;
        QAction* TFormMain::*item;
        int position;
    };
    const Shot shots[] = {
        {"brightness", &TFormMain::TransColor, 40}, {"contrast", &TFormMain::Contrast, 0},
        {"sharpness", &TFormMain::Sharp, 60},       {"smoothing", &TFormMain::AntiAlias, 0},
        {"saturation", &TFormMain::Sat, 100},       {"monochrome", &TFormMain::color2, 0},
        {"gray16", &TFormMain::Gray16, 0},          {"gray256", &TFormMain::Gray256, 0},
        {"colors16", &TFormMain::Colors16, 0},      {"color256", &TFormMain::Color256, 0},
        {"rgb24", &TFormMain::RGB24, 0},            {"invert", &TFormMain::Obratyt1, 0},
    };
    for (const Shot& shot : shots) {
        form->GetGraphic()->Assign(&start);
        form->ImageScrollBox1->Redraw(true);
        forms::Modal::ScopedHandler answer(grabAndAnswer(QString::fromLatin1(shot.name), shot.position));
        (form->*shot.item)->trigger();
        settle();
        frame.grab().save(outDir + QStringLiteral("/after_%1.png").arg(QString::fromLatin1(shot.name)));
    }

    // A texture from a small picture of its own, then a filled rectangle.
    TBitmap texture;
    texture.SetPixelFormat(pf24bit);
    texture.SetSize(24, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            texture.Canvas()->SetPixels(x, y, TColor(((x * 10) << 16) | ((y * 15) << 8) | ((x + y) % 2 ? 0xFF : 0x40)));
    texture.SaveToFile(outDir + QStringLiteral("/texture.bmp"));
    form->GetGraphic()->Assign(&start);
    {
        forms::Modal::ScopedHandler answer(grabAndAnswer(QStringLiteral("texture"), 0));
        form->Texture1->trigger();
    }
    // The dialog above is only pictured; the texture itself is loaded directly.
    TextureCommand(form->Host(), outDir + QStringLiteral("/texture.bmp"));
    form->GetGraphic()->Canvas()->Rectangle(30, 30, 380, 230);
    form->ImageScrollBox1->Redraw(true);
    settle();
    frame.grab().save(outDir + QStringLiteral("/after_texture_fill.png"));
    return 0;
}
