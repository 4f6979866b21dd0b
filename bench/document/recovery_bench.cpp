// What the recovery journal costs, as ratios measured in one run on a 4000 x 3000 photo:
//  - on the user-interface thread, beside the change it records: a stroke drawn with the mouse
//    protocol in a picture window, and a brightness effect run as a command in the window;
//  - on the disk, a whole-picture change (checksums, write, fdatasync) beside writing the same
//    picture as a BMP file and syncing it.
// Prints one line per ratio; the journal folder is a temporary one.

#include "document/form_main.h"
#include "document/new_bmp_form.h"
#include "document/recovery_journal.h"
#include "imaging/commands/effect_commands.h"
#include "imaging/dib_graphic.h"
#include "imaging/formats/bitmap_graphic.h"
#include "imaging/formats/picture_formats.h"
#include "platform/forms/modal.h"
#include "platform/framework/canvas.h"
#include "fastest_run.h"
#include "photo_picture.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

TFormMain* makeWindow()
{
    static auto* sizeDialog = new TNewBMPForm;
    NewBMPForm = sizeDialog;
    forms::Modal::ScopedHandler answer([](QDialog& dialog) {
        NewBMPForm->WidthEdit->setText(QString::number(Width));
        NewBMPForm->HeightEdit->setText(QString::number(Height));
        dialog.accept();
    });
    TFormMain* form = TFormMain::NewPicture(nullptr, nullptr);
    form->resize(1000, 700);
    form->show();
    paintPhoto(*form->GetGraphic(), Width, Height);
    QCoreApplication::processEvents();
    return form;
}

// A stroke of the line tool from (x, y), 300 pixels right and 200 down, in ten moves.
void stroke(TFormMain& form, int x, int y)
{
    form.FormMouseDown(x, y);
    for (int i = 1; i <= 10; ++i)
        form.FormMouseMove(x + 30 * i, y + 20 * i);
    form.FormMouseUp(x + 300, y + 200);
    QCoreApplication::processEvents();
}

void syncFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    ::fdatasync(fd);
    ::close(fd);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    RegisterPictureFormats();
    TFormMain* form = makeWindow();
    const recovery::JournalInfo info{};

    // The stroke through the window, journal included (its record runs in processEvents), and the
    // journal's part alone: the rows of the same stroke drawn on a copy, handed to a journal.
    int at = 0;
    double strokeTime = 1e30;
    for (int i = 0; i < 7; ++i) {
        at = (at + 37) % 2000;
        const auto start = std::chrono::steady_clock::now();
        stroke(*form, 500 + at, 400 + at / 2);
        strokeTime = std::min(strokeTime, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        form->Journal().flush();
    }
    TDibGraphic copy;
    copy.Assign(form->GetGraphic());
    recovery::RecoveryJournal journal;
    journal.recordChange(copy, info);
    journal.flush();
    double strokeUi = 1e30;
    for (int i = 0; i < 7; ++i) {
        at = (at + 37) % 2000;
        TCanvas& canvas = *copy.Canvas();
        canvas.MoveTo(500 + at, 400 + at / 2);
        canvas.LineTo(800 + at, 600 + at / 2);
        const auto start = std::chrono::steady_clock::now();
        journal.recordChange(copy, info);
        strokeUi = std::min(strokeUi, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        journal.flush();
    }

    // The effect as a command in the window, and the journal's part of a whole-picture change.
    double effectTime = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        BrightnessCommand(form->Host(), 20);
        QCoreApplication::processEvents();
        effectTime = std::min(effectTime, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        form->Journal().flush();
    }
    double effectUi = 1e30;
    for (int i = 0; i < 5; ++i) {
        copy.Bits(); // every row written, as an effect does
        const auto start = std::chrono::steady_clock::now();
        journal.recordChange(copy, info);
        effectUi = std::min(effectUi, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        journal.flush();
    }

    // The disk: a whole-picture record written and synced, against the picture saved as BMP and synced.
    double recordWrite = 1e30;
    for (int i = 0; i < 5; ++i) {
        copy.Bits();
        const auto start = std::chrono::steady_clock::now();
        journal.recordChange(copy, info);
        journal.flush();
        recordWrite = std::min(recordWrite, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const QString bmpPath = state.filePath(QStringLiteral("same.bmp"));
    TBitmapGraphic bmp;
    bmp.Assign(&copy);
    const double bmpWrite = fastest(5, [&] {
        bmp.SaveToFile(bmpPath);
        syncFile(bmpPath);
    });

    std::printf("stroke in the window            %8.2f ms\n", strokeTime * 1000);
    std::printf("  journal, UI thread            %8.3f ms  ratio %.3f (goal <= 0.05)\n", strokeUi * 1000,
                strokeUi / (strokeTime - strokeUi));
    std::printf("brightness in the window        %8.2f ms\n", effectTime * 1000);
    std::printf("  journal, UI thread            %8.3f ms  ratio %.3f (goal <= 0.05)\n", effectUi * 1000,
                effectUi / (effectTime - effectUi));
    std::printf("whole-picture record on disk    %8.2f ms\n", recordWrite * 1000);
    std::printf("  BMP of the same, synced       %8.2f ms  ratio %.3f (goal <= 1.5)\n", bmpWrite * 1000,
                recordWrite / bmpWrite);
    return 0;
}
