#include "document/file_commands.h"

#include "document/file_codecs.h"
#include "document/form_main.h"
#include "document/picture_read_ahead.h"
#include "document/true_color_view.h"
#include "editing/image_scroll_box.h"
#include "imaging/dib_graphic.h"
#include "platform/forms/jpg_par.h"
#include "platform/forms/modal.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "platform/framework/picture.h"

#include <QSlider>

namespace file_commands {

namespace {

const QString OpenEntries = QStringLiteral(
    "Точечный рисунок(*.bmp)|*.bmp|Любой файл|*.*|Значки(*.ico)|*.ico|Указатели(*.cur)|*.cur|"
    "Сжатый рисунок(*.jpg,*.jpeg,*.jpe)|*.jpg;*.jpeg;*.jpe");
const QString TiffOpenEntry = QStringLiteral("|Рисунок TIFF(*.tif)|*.tif");
const QString SaveEntries = QStringLiteral(
    "Точечный рисунок (*.bmp)|*.bmp|Все файлы|*.*|Значки(.*ico)|*.ico|Указатели(*.cur)|*.cur|"
    "Сжатый рисунок(*.jpg,*.jpeg,*.jpe)|*.jpg; *.jpeg;*.jpe|Рисунок TIFF(*.tif)|*.tif");
const QString PngSaveEntry = QStringLiteral("|Рисунок PNG(*.png)|*.png");

void readByEntry(TFormMain& window, const QString& fileName, int filterIndex)
{
    TPicture& picture = *window.Image->Picture();
    switch (filterIndex) {
    case JpegEntry:
        window.OpenedAsJpeg = true;
        file_codecs::ReadJpeg(fileName, *picture.Bitmap());
        break;
    case TiffEntry:
        file_codecs::ReadTiff(fileName, *picture.Bitmap());
        break;
    default:
        picture.LoadFromFile(fileName);
        if (dynamic_cast<TDibGraphic*>(picture.Graphic()))
            window.OpenedFormat = picture.Graphic()->Create();
        break;
    }
}

// Writes the bitmap as the class of format writes its own files.
void writeAs(const TGraphic& format, TBitmap& bitmap, const QString& fileName)
{
    std::unique_ptr<TGraphic> writer = format.Create();
    writer->Assign(&bitmap);
    writer->SaveToFile(fileName);
}

// The view shows the work image drawn onto a new 24-bit picture of its size, unless that picture
// was made already (by the thread that read the file).
void showAsTrueColor(TFormMain& window, std::unique_ptr<TDibGraphic> made)
{
    if (!made)
        made = MakeTrueColorView(window.Image->Picture()->Graphic());
    window.GetGraphic()->SwapImage(*made);
    window.ImageScrollBox1->Redraw(true);
}

void writeByEntry(TFormMain& window, const QString& fileName, int filterIndex)
{
    TPicture& picture = *window.Image->Picture();
    switch (filterIndex) {
    case JpegEntry: {
        // However the dialog is closed, the save goes on at the slider's position.
        forms::Modal::exec(*JPGPar);
        file_codecs::WriteJpeg(*picture.Bitmap(), JPGPar->Sszatie->value(), fileName);
        break;
    }
    case TiffEntry:
        file_codecs::WriteTiff(*picture.Bitmap(), fileName);
        break;
    case PngEntry:
        file_codecs::WritePng(*picture.Bitmap(), fileName);
        break;
    default:
        picture.SaveToFile(fileName);
        break;
    }
}

} // namespace

QString openFilter(bool withTiff)
{
    return withTiff ? OpenEntries + TiffOpenEntry : OpenEntries;
}

QString saveFilter()
{
    return SaveEntries + PngSaveEntry;
}

TFormMain* OpenPicture(QMdiArea* frameArea, const QString& fileName, int filterIndex)
{
    TFormMain* window = TFormMain::Create(frameArea);
    window->FileName = fileName;
    try {
        readByEntry(*window, fileName, filterIndex);
    } catch (...) {
        window->FileName.clear();
        throw;
    }
    window->ImageScrollBox1->SetGraphic(window->Image->Picture());
    window->setWindowTitle(window->FileName);
    window->ShowPictureSize();
    return window;
}

TFormMain* OpenByName(QMdiArea* frameArea, const QString& fileName, ViewFormat format, PictureReadAhead* readAhead)
{
    TFormMain* window = TFormMain::Create(frameArea);
    window->setWindowTitle(fileName);
    PictureReadAhead::Read read = readAhead ? readAhead->Take(fileName) : PictureReadAhead::Read{};
    if (read.graphic)
        window->Image->Picture()->SetGraphic(std::move(read.graphic));
    else
        window->Image->Picture()->LoadFromFile(fileName);
    window->ShowPictureSize();
    if (format == ViewFormat::TrueColor)
        showAsTrueColor(*window, std::move(read.trueColorView));
    else
        window->ImageScrollBox1->SetGraphic(window->Image->Picture());
    return window;
}

TFormMain* OpenFromWindow(TFormMain& window)
{
    if (!forms::executeFileDialog(&window, forms::FileDialogKind::Open, window.OpenDialog1))
        return nullptr;
    return OpenPicture(window.FrameArea(), window.OpenDialog1.fileName, window.OpenDialog1.filterIndex);
}

void Save(TFormMain& window)
{
    if (window.FileName.isEmpty()) {
        SaveAs(window);
    } else if (window.OpenedAsJpeg) {
        file_codecs::WriteJpeg(*window.Image->Picture()->Bitmap(), 100, window.FileName);
    } else if (window.FileName.right(4).toLower() == QStringLiteral(".tif")) {
        file_codecs::WriteTiff(*window.Image->Picture()->Bitmap(), window.FileName);
    } else if (window.OpenedFormat && dynamic_cast<TBitmap*>(window.Image->Picture()->Graphic())) {
        // A PNG, PCX or TGA picture that editing made a bitmap stays in its own format.
        writeAs(*window.OpenedFormat, *window.Image->Picture()->Bitmap(), window.FileName);
    } else {
        window.Image->Picture()->SaveToFile(window.FileName);
    }
    // Also after a cancelled Save As: the user chose not to keep the picture under a name.
    window.Modified = false;
}

void SaveAs(TFormMain& window)
{
    forms::FileDialogSettings& dialog = window.SaveDialog1;
    dialog.filter = saveFilter();
    if (!forms::executeFileDialog(&window, forms::FileDialogKind::Save, dialog))
        return;
    // The name is taken only once the file is written: a failed save leaves the window's name.
    writeByEntry(window, dialog.fileName, dialog.filterIndex);
    window.FileName = dialog.fileName;
    // From now on the name is the user's choice, written as its entry or the held picture says.
    window.OpenedFormat.reset();
    window.Modified = false;
}

} // namespace file_commands
