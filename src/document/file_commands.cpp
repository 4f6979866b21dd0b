#include "document/file_commands.h"

#include "document/file_codecs.h"
#include "document/form_main.h"
#include "document/opened_picture.h"
#include "document/picture_read_ahead.h"
#include "document/true_color_view.h"
#include "editing/image_scroll_box.h"
#include "imaging/dib_graphic.h"
#include "platform/forms/jpg_par.h"
#include "platform/forms/modal.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/image.h"
#include "platform/framework/picture.h"
#include "platform/framework/read_progress.h"
#include "platform/framework/size_policy.h"

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
const QString WebpSaveEntry = QStringLiteral("|Рисунок WebP(*.webp)|*.webp");

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
        break;
    }
}

// A picture its reader could hold may still be past what a window holds (the work image takes
// four bytes a pixel): refused naming the file, before the window makes its copies.
void checkWindowHolds(const TPicture& picture, const QString& fileName)
{
    const int width = picture.Width();
    const int height = picture.Height();
    if (PictureSizePolicy::fitsWindow(width, height))
        return;
    try {
        RaisePictureTooLarge(width, height);
    } catch (const EPictureFileError& e) {
        throw e.Naming(fileName);
    }
}

// A long read shows its progress in the new window's status bar until the window is ready.
class OpeningProgress {
public:
    explicit OpeningProgress(TFormMain& window)
        : host_(window.Host()), listener_([this](int percent) { host_.ShowProgress(percent); })
    {
    }
    ~OpeningProgress() { host_.HideProgress(); }
    OpeningProgress(const OpeningProgress&) = delete;
    OpeningProgress& operator=(const OpeningProgress&) = delete;

private:
    FigureHost& host_;
    ReadProgress::Listener listener_;
};

// Once the view has its copy, the work image becomes a bitmap of what was read, so that figures
// and commands reach it; the class that read the file stays for saving.
void holdAsBitmap(TFormMain& window)
{
    TPicture& picture = *window.Image->Picture();
    TGraphic* read = picture.Graphic();
    if (StaysAsRead(read))
        return;
    window.OpenedFormat = read->CreateLike();
    picture.SetGraphic(TPicture::BitmapOf(read));
}

// Writes the bitmap as the class of format writes its own files.
void writeAs(const TGraphic& format, TBitmap& bitmap, const QString& fileName)
{
    std::unique_ptr<TGraphic> writer = format.CreateLike();
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

// The picture's own format: the class its file was read with, else the held graphic's.
void writeOwnFormat(TFormMain& window, const QString& fileName)
{
    if (window.OpenedFormat)
        writeAs(*window.OpenedFormat, *window.Image->Picture()->Bitmap(), fileName);
    else
        window.Image->Picture()->SaveToFile(fileName);
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
    case WebpEntry:
        file_codecs::WriteWebp(*picture.Bitmap(), window.OpenedFormat.get(), fileName);
        break;
    default:
        writeOwnFormat(window, fileName);
        break;
    }
}

// A window whose picture could not be read goes at once: there is nothing in it to keep, and a
// later Save could otherwise overwrite the unreadable file with an empty picture.
void discard(TFormMain* window, TFormMain* previous)
{
    window->Discard();
    FormMain = previous;
}

} // namespace

QString openFilter(bool withTiff)
{
    return withTiff ? OpenEntries + TiffOpenEntry : OpenEntries;
}

QString saveFilter()
{
    return SaveEntries + PngSaveEntry + WebpSaveEntry;
}

TFormMain* OpenPicture(QMdiArea* frameArea, const QString& fileName, int filterIndex)
{
    TFormMain* previous = FormMain;
    TFormMain* window = TFormMain::Create(frameArea);
    window->FileName = fileName;
    try {
        OpeningProgress progress(*window);
        readByEntry(*window, fileName, filterIndex);
        checkWindowHolds(*window->Image->Picture(), fileName);
        window->ImageScrollBox1->SetGraphic(window->Image->Picture());
        holdAsBitmap(*window);
    } catch (...) {
        discard(window, previous);
        throw;
    }
    window->setWindowTitle(window->FileName);
    window->ShowPictureSize();
    return window;
}

TFormMain* OpenByName(QMdiArea* frameArea, const QString& fileName, ViewFormat format, PictureReadAhead* readAhead)
{
    TFormMain* previous = FormMain;
    TFormMain* window = TFormMain::Create(frameArea);
    window->setWindowTitle(fileName);
    try {
        OpeningProgress progress(*window);
        PictureReadAhead::Read read = readAhead ? readAhead->Take(fileName) : PictureReadAhead::Read{};
        if (read.graphic)
            window->Image->Picture()->SetGraphic(std::move(read.graphic));
        else
            window->Image->Picture()->LoadFromFile(fileName);
        checkWindowHolds(*window->Image->Picture(), fileName);
        window->OpenedFormat = std::move(read.format);
        window->ShowPictureSize();
        if (format == ViewFormat::TrueColor)
            showAsTrueColor(*window, std::move(read.trueColorView));
        else
            window->ImageScrollBox1->SetGraphic(window->Image->Picture());
        holdAsBitmap(*window);
    } catch (...) {
        discard(window, previous);
        throw;
    }
    return window;
}

TFormMain* OpenFromWindow(TFormMain& window)
{
    if (!forms::executeFileDialog(&window, forms::FileDialogKind::Open, window.OpenDialog1))
        return nullptr;
    return OpenPicture(window.FrameArea(), window.OpenDialog1.fileName, window.OpenDialog1.filterIndex);
}

bool Save(TFormMain& window)
{
    if (window.FileName.isEmpty())
        return SaveAs(window);
    if (window.OpenedAsJpeg)
        file_codecs::WriteJpeg(*window.Image->Picture()->Bitmap(), 100, window.FileName);
    else if (window.FileName.right(4).toLower() == QStringLiteral(".tif"))
        file_codecs::WriteTiff(*window.Image->Picture()->Bitmap(), window.FileName);
    else
        writeOwnFormat(window, window.FileName);
    window.Modified = false;
    window.JournalSaved();
    return true;
}

bool SaveAs(TFormMain& window)
{
    forms::FileDialogSettings& dialog = window.SaveDialog1;
    dialog.filter = saveFilter();
    // A cancelled dialog keeps Modified: the picture is still unsaved, and closing must ask.
    if (!forms::executeFileDialog(&window, forms::FileDialogKind::Save, dialog))
        return false;
    // The name is taken only once the file is written: a failed save leaves the window's name.
    writeByEntry(window, dialog.fileName, dialog.filterIndex);
    window.FileName = dialog.fileName;
    window.Modified = false;
    window.JournalSaved();
    return true;
}

} // namespace file_commands
