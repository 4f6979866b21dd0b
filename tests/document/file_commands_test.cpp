// Opening pictures into new windows and saving them: what each dialog entry reads or writes, and
// what the window's name, caption, flags and status bar hold afterwards.

#include "document/file_codecs.h"
#include "document/file_commands.h"
#include "document/picture_read_ahead.h"
#include "document/status_progress.h"
#include "editing/image_scroll_box.h"
#include "editing/slider.h"
#include "imaging/formats/picture_formats.h"
#include "imaging/formats/webp_graphic.h"
#include "picture_window_fixture.h"
#include "platform/forms/jpg_par.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/image.h"
#include "platform/framework/jpeg_image.h"
#include "platform/framework/picture.h"
#include "platform/framework/stream.h"
#include "widget_input.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProgressBar>
#include <QStatusBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>

using namespace widget_test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isBmp(const QByteArray& data)
{
    return data.startsWith("BM");
}

bool isTiff(const QByteArray& data)
{
    return data.startsWith(QByteArray("II*\0", 4)) || data.startsWith(QByteArray("MM\0*", 4));
}

bool isPng(const QByteArray& data)
{
    return data.startsWith("\x89PNG\r\n\x1a\n");
}

// The chunk after the header says how the pixels are stored: "VP8L" lossless, "VP8 " lossy.
bool isLosslessWebp(const QByteArray& data)
{
    return data.startsWith("RIFF") && data.mid(8, 8) == "WEBPVP8L";
}

bool isLossyWebp(const QByteArray& data)
{
    return data.startsWith("RIFF") && data.mid(8, 8) == "WEBPVP8 ";
}

bool isJpeg(const QByteArray& data)
{
    return data.startsWith("\xFF\xD8\xFF");
}

class FileCommandsTest : public PictureWindowTest {
protected:
    void SetUp() override
    {
        PictureWindowTest::SetUp();
        RegisterPictureFormats();
        jpegDialog = std::make_unique<TJPGPar>();
        JPGPar = jpegDialog.get();
    }
    void TearDown() override
    {
        PictureWindowTest::TearDown();
        JPGPar = nullptr;
    }

    // A 24-bit picture of w x h with a colour gradient, written by the framework's classes.
    QString makeBmp(const QString& name, int width = 37, int height = 21)
    {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bitmap.Canvas()->SetPixels(x, y, static_cast<TColor>(gdi::RGB(x * 6, y * 11, 200)));
        const QString path = dir.filePath(name);
        bitmap.SaveToFile(path);
        return path;
    }
    QString makeJpeg(const QString& name)
    {
        TBitmap bitmap;
        bitmap.LoadFromFile(makeBmp(QStringLiteral("source.bmp")));
        TJPEGImage jpeg;
        jpeg.Assign(&bitmap);
        const QString path = dir.filePath(name);
        jpeg.SaveToFile(path);
        return path;
    }

    // The window's "&Открыть..." with the entry chosen; any error box is answered and recorded.
    TFormMain* openWith(TFormMain& issuing, const QString& path, int entry, QString* error = nullptr)
    {
        ModalScript script;
        script.then(chooseFile(path, entry)).then(closeDialog());
        issuing.Open1->trigger();
        if (error)
            *error = script.count() > 1 ? script.shown()[1].text : QString();
        return FormMain;
    }
    // "&Сохранить как..." with the entry and name chosen, then answers the quality dialog.
    void saveAs(TFormMain& window, const QString& path, int entry, int quality = 0)
    {
        ModalScript script;
        script.then(chooseFile(path, entry));
        if (entry == file_commands::JpegEntry)
            script.then(steps({setField(QStringLiteral("Sszatie"), QString::number(quality)),
                               pressButton(QStringLiteral("Да"))}));
        window.Saveas1->trigger();
        EXPECT_EQ(script.unanswered(), 0);
    }

    QTemporaryDir dir;
    std::unique_ptr<TJPGPar> jpegDialog;
};

TEST_F(FileCommandsTest, OpenReadsByTheEntryIntoANewTitledWindow)
{
    const QString bmp = makeBmp(QStringLiteral("a.bmp"));
    const QString jpg = makeJpeg(QStringLiteral("b.jpg"));
    const struct {
        QString path;
        int entry;
        bool asJpeg;
    } cases[] = {
        {bmp, 1, false},
        {bmp, 2, false},
        {jpg, 2, false}, // "Любой файл": by extension
        {jpg, file_commands::JpegEntry, true},
    };
    TFormMain* issuing = newPicture(5, 5);
    issuing->Modified = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString() + " entry " + std::to_string(c.entry));
        QString error;
        TFormMain* window = openWith(*issuing, c.path, c.entry, &error);
        ASSERT_NE(window, issuing);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_EQ(window->FileName, c.path);
        EXPECT_EQ(window->windowTitle(), c.path);
        EXPECT_FALSE(window->Modified);
        EXPECT_EQ(window->OpenedAsJpeg, c.asJpeg);
        EXPECT_EQ(window->PanelText(2), QStringLiteral("Размер:21 Х 37"));
        ASSERT_EQ(window->GetGraphic()->GetWidth(), 37);
        ASSERT_EQ(window->GetGraphic()->GetHeight(), 21);
        // Lossy or not, the view shows the gradient, not an empty or white picture.
        const uint32_t corner = window->GetGraphic()->GetPixelRGB(36, 20);
        EXPECT_NEAR(static_cast<int>((corner >> 16) & 0xFF), 216, c.path == jpg ? 12 : 0);
        EXPECT_NEAR(static_cast<int>((corner >> 8) & 0xFF), 220, c.path == jpg ? 12 : 0);
    }
    EXPECT_TRUE(issuing->Modified) << "the issuing window is left alone";
    EXPECT_EQ(issuing->windowTitle(), QStringLiteral("Без имени"));
}

// A window whose file could not be read goes again: nothing is left to save over the file.
TEST_F(FileCommandsTest, AFailedOpenLeavesNoWindowBehind)
{
    const QString bmp = makeBmp(QStringLiteral("a.bmp"));
    const QString cursor = dir.filePath(QStringLiteral("arrow.cur"));
    QFile::copy(bmp, cursor);
    // A PNG cut short in its image data.
    const QString png = dir.filePath(QStringLiteral("cut.png"));
    {
        TBitmap bitmap;
        bitmap.LoadFromFile(bmp);
        file_codecs::WritePng(bitmap, png);
        QFile file(png);
        ASSERT_TRUE(file.resize(file.size() / 2));
    }
    const struct {
        QString path;
        int entry;
        QString error; // the message begins so; empty: any decoder's message
    } cases[] = {
        {bmp, file_commands::JpegEntry, {}},
        {cursor, 4, QStringLiteral("Unknown picture file extension (.cur)")},
        {png, 2, QStringLiteral("Файл %1 повреждён: ").arg(png)},
    };
    TFormMain* issuing = newPicture(5, 5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QByteArray before = readAll(c.path);
        QString error;
        TFormMain* window = openWith(*issuing, c.path, c.entry, &error);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(window, issuing) << "the last window made is the one before";
        EXPECT_FALSE(error.isEmpty());
        if (!c.error.isEmpty()) {
            EXPECT_TRUE(error.startsWith(c.error)) << error.toStdString();
        }
        EXPECT_EQ(area.subWindowList().size(), 1);
        EXPECT_EQ(readAll(c.path), before);
    }
}

// A file named on the command line is read ahead while the windows are built; the window that
// opens it takes that read once, with the picture or the error a read of its own would give.
// The 24-bit view is made on the reading thread as well, and shows the file's pixels.
// Reading a PNG reports its rows to the new window's status bar (here every step, however
// quick the read), by the menu and by name alike; the indicator is hidden once the window is ready.
TEST_F(FileCommandsTest, OpeningAPngShowsItsProgressInTheNewWindow)
{
    const QString path = dir.filePath(QStringLiteral("полосы.png"));
    QImage image(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            image.setPixel(x, y, qRgb(x, y, x ^ y));
    ASSERT_TRUE(image.save(path));
    const int least = StatusProgress::LeastDuration();
    StatusProgress::SetLeastDuration(0);
    TFormMain* issuing = newPicture(20, 20);
    TFormMain* byMenu = openWith(*issuing, path, 0);
    TFormMain* byName = file_commands::OpenByName(&area, path, file_commands::ViewFormat::AsRead, nullptr);
    StatusProgress::SetLeastDuration(least);
    for (TFormMain* window : {byMenu, byName}) {
        ASSERT_NE(window, issuing);
        EXPECT_EQ(window->GetGraphic()->GetPixelRGB(299, 10), ((299u & 255) << 16) | (10u << 8) | ((299u ^ 10u) & 255));
        const auto* indicator = window->StatusBar1->findChild<QProgressBar*>(QStringLiteral("Progress"));
        ASSERT_NE(indicator, nullptr);
        EXPECT_EQ(indicator->value(), 100);
        EXPECT_FALSE(indicator->isVisible());
        EXPECT_FALSE(window->ImageScrollBox1->PictureHeld());
    }
}

TEST_F(FileCommandsTest, OpenByNameTakesAReadBegunEarlier)
{
    const QString bmp = makeBmp(QStringLiteral("ahead.bmp"), 23, 9);
    PictureReadAhead ahead(bmp);
    EXPECT_EQ(ahead.Take(dir.filePath(QStringLiteral("other.bmp"))).graphic, nullptr);
    TFormMain* window = file_commands::OpenByName(&area, bmp, file_commands::ViewFormat::TrueColor, &ahead);
    const TDibGraphic& view = *window->GetGraphic();
    EXPECT_EQ(view.GetWidth(), 23);
    EXPECT_EQ(view.GetHeight(), 9);
    EXPECT_EQ(view.ImageFormat(), ifTrueColor);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{22, 0}, std::pair{7, 8}})
        EXPECT_EQ(view.GetPixelRGB(x, y), (uint32_t(x * 6) << 16) | (uint32_t(y * 11) << 8) | 200u) << x << "," << y;
    EXPECT_EQ(window->Image->Picture()->Width(), 23);
    const PictureReadAhead::Read again = ahead.Take(bmp);
    EXPECT_EQ(again.graphic, nullptr) << "taken once";
    EXPECT_EQ(again.trueColorView, nullptr);

    const QString unknown = dir.filePath(QStringLiteral("picture.xyz"));
    QFile::copy(bmp, unknown);
    PictureReadAhead failing(unknown);
    EXPECT_THROW(file_commands::OpenByName(&area, unknown, file_commands::ViewFormat::TrueColor, &failing),
                 EInvalidGraphic);
}

TEST_F(FileCommandsTest, SaveWritesByTheNameAndTheFlags)
{
    TFormMain* window = newPicture(8, 6);
    const struct {
        QString name;
        bool (*format)(const QByteArray&);
    } cases[] = {
        {QStringLiteral("a.bmp"), isBmp},
        {QStringLiteral("b.tiff"), isBmp}, // .tiff is no TIFF name: the bitmap writes itself
        {QStringLiteral("e.TIF"), isTiff},
        {QStringLiteral("f.Tif"), isTiff},
        {QStringLiteral("c.ico"), isBmp},
        {QStringLiteral("d.jpg"), isBmp},
        {QStringLiteral("noextension"), isBmp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        window->FileName = dir.filePath(c.name);
        window->Modified = true;
        window->Save1->trigger();
        EXPECT_TRUE(c.format(readAll(window->FileName)));
        EXPECT_FALSE(window->Modified);
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Без имени"));
    }
}

// The size sliders and the effects leave the work image's copy of the picture for later; Save
// takes it then, so the file holds the picture as the user sees it.
TEST_F(FileCommandsTest, SaveAfterSizeStepsAndAnEffectWritesThePictureAsShown)
{
    TFormMain* window = newPicture(30, 20);
    window->TrackBar1->SetPosition(25);
    window->TrackBar2->SetPosition(12);
    window->GetGraphic()->SetPixelRGB(3, 4, 0x102030u);
    window->Obratyt1Click(); // invert
    window->FileName = dir.filePath(QStringLiteral("sized.bmp"));
    window->Save1->trigger();

    TBitmap saved;
    saved.LoadFromFile(window->FileName);
    ASSERT_EQ(saved.Width(), 25);
    ASSERT_EQ(saved.Height(), 12);
    EXPECT_EQ(static_cast<uint32_t>(saved.Canvas()->Pixels(3, 4)), static_cast<uint32_t>(gdi::RGB(0xEF, 0xDF, 0xCF)));
    EXPECT_EQ(static_cast<uint32_t>(saved.Canvas()->Pixels(24, 11)), 0u); // white inverted
}

TEST_F(FileCommandsTest, SaveAsWritesByTheEntryAndKeepsTheCaption)
{
    TFormMain* window = newPicture(8, 6);
    const struct {
        QString name;
        int entry;
        bool (*format)(const QByteArray&);
    } cases[] = {
        {QStringLiteral("a.bmp"), 1, isBmp},
        {QStringLiteral("typed"), 1, isBmp}, // no extension is added
        {QStringLiteral("b.ico"), 3, isBmp}, // a bitmap writes a bitmap whatever the entry says
        {QStringLiteral("c.bmp"), file_commands::JpegEntry, isJpeg},
        {QStringLiteral("d.bmp"), file_commands::TiffEntry, isTiff},
        {QStringLiteral("e.bmp"), file_commands::PngEntry, isPng},
        {QStringLiteral("f.bmp"), file_commands::WebpEntry, isLosslessWebp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        window->Modified = true;
        saveAs(*window, dir.filePath(c.name), c.entry, 75);
        EXPECT_TRUE(c.format(readAll(dir.filePath(c.name))));
        EXPECT_EQ(window->FileName, dir.filePath(c.name));
        EXPECT_FALSE(window->Modified);
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Без имени"));
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("typed.bmp"))));

    // A cancelled Save As changes nothing, nor does the Save As of an untitled picture's Save:
    // the picture is still unsaved, so closing it must still ask.
    TFormMain* untitled = newPicture(4, 4);
    untitled->Modified = true;
    {
        ModalScript script;
        script.then(closeDialog());
        untitled->Saveas1->trigger();
    }
    EXPECT_TRUE(untitled->Modified);
    {
        ModalScript script;
        script.then(closeDialog());
        untitled->Save1->trigger();
    }
    EXPECT_TRUE(untitled->Modified);
    EXPECT_TRUE(untitled->FileName.isEmpty());
}

TEST_F(FileCommandsTest, TheTiffEntryReadsTheFirstImageInto24Bits)
{
    TFormMain* source = newPicture(9, 5);
    source->FileName = dir.filePath(QStringLiteral("p.tif"));
    source->Image->Picture()->Bitmap()->Canvas()->SetPixels(8, 4, static_cast<TColor>(gdi::RGB(10, 20, 30)));
    source->Save1->trigger();
    ASSERT_TRUE(isTiff(readAll(source->FileName)));

    TFormMain* window = file_commands::OpenPicture(&area, source->FileName, file_commands::TiffEntry);
    EXPECT_EQ(window->windowTitle(), source->FileName);
    EXPECT_FALSE(window->OpenedAsJpeg);
    EXPECT_EQ(window->PanelText(2), QStringLiteral("Размер:5 Х 9"));
    EXPECT_EQ(window->GetGraphic()->GetPixelRGB(8, 4), 0x0A141Eu);

    // Whatever the file's depth, the decoded bitmap is 24-bit (the view then makes it the
    // screen's kind, as for every picture it shows).
    TFormMain* mono = newPicture(4, 3);
    mono->Image->Picture()->Bitmap()->SetPixelFormat(pf1bit);
    mono->FileName = dir.filePath(QStringLiteral("mono.tif"));
    mono->Save1->trigger();
    TBitmap decoded;
    file_codecs::ReadTiff(mono->FileName, decoded);
    EXPECT_EQ(decoded.PixelFormat(), pf24bit);
    EXPECT_EQ(decoded.Width(), 4);
}

TEST_F(FileCommandsTest, ThePngEntryKeepsThePixelsAndAPngStaysAPngOnSave)
{
    TFormMain* window = newPicture(7, 5);
    window->Image->Picture()->Bitmap()->Canvas()->SetPixels(6, 4, static_cast<TColor>(gdi::RGB(1, 2, 3)));
    const QString path = dir.filePath(QStringLiteral("kept.png"));
    saveAs(*window, path, file_commands::PngEntry);
    ASSERT_TRUE(isPng(readAll(path)));

    TFormMain* reopened = file_commands::OpenPicture(&area, path, 2);
    EXPECT_EQ(reopened->PanelText(2), QStringLiteral("Размер:5 Х 7"));
    EXPECT_EQ(reopened->GetGraphic()->GetPixelRGB(6, 4), 0x010203u);
    // A rectangle dragged on the view, as the user draws it.
    reopened->RectangleButton->click();
    mouseDrag(reopened->ImageScrollBox1->ImageControl(), QPoint(0, 0), QPoint(4, 3));
    reopened->Save1->trigger();
    ASSERT_TRUE(isPng(readAll(path)));
    TFormMain* again = file_commands::OpenPicture(&area, path, 2);
    EXPECT_EQ(again->GetGraphic()->GetPixelRGB(0, 0), 0x000000u);
    EXPECT_EQ(again->GetGraphic()->GetPixelRGB(6, 4), 0x010203u);
}

// A drawing saved as WebP loses nothing; a photo that came from a lossy WebP file stays lossy,
// by Save and by the WebP entry alike.
TEST_F(FileCommandsTest, TheWebpEntryIsLosslessUnlessThePictureCameFromALossyWebp)
{
    TFormMain* drawing = newPicture(7, 5);
    drawing->Image->Picture()->Bitmap()->Canvas()->SetPixels(6, 4, static_cast<TColor>(gdi::RGB(1, 2, 3)));
    const QString kept = dir.filePath(QStringLiteral("drawing.webp"));
    saveAs(*drawing, kept, file_commands::WebpEntry);
    ASSERT_TRUE(isLosslessWebp(readAll(kept)));
    TFormMain* reopened = file_commands::OpenPicture(&area, kept, 2);
    EXPECT_EQ(reopened->PanelText(2), QStringLiteral("Размер:5 Х 7"));
    EXPECT_EQ(reopened->GetGraphic()->GetPixelRGB(6, 4), 0x010203u);

    TWebpGraphic photo;
    photo.NewImage(16, 16, ifTrueColor, nullptr, 0, 0);
    photo.SetLossless(false);
    const QString lossy = dir.filePath(QStringLiteral("photo.webp"));
    photo.SaveToFile(lossy);
    ASSERT_TRUE(isLossyWebp(readAll(lossy)));
    TFormMain* opened = file_commands::OpenPicture(&area, lossy, 2);
    const QString copy = dir.filePath(QStringLiteral("copy.webp"));
    saveAs(*opened, copy, file_commands::WebpEntry);
    EXPECT_TRUE(isLossyWebp(readAll(copy)));
    opened->Save1->trigger();
    EXPECT_TRUE(isLossyWebp(readAll(copy)));
}

TEST_F(FileCommandsTest, APictureOpenedAsJpegIsSavedAsJpegFromThenOn)
{
    TFormMain* issuing = newPicture(5, 5);
    TFormMain* window = openWith(*issuing, makeJpeg(QStringLiteral("photo.jpg")), file_commands::JpegEntry);
    ASSERT_TRUE(window->OpenedAsJpeg);
    const QString bmp = dir.filePath(QStringLiteral("copy.bmp"));
    saveAs(*window, bmp, 1);
    EXPECT_TRUE(isBmp(readAll(bmp)));
    EXPECT_TRUE(window->OpenedAsJpeg);
    EXPECT_EQ(window->windowTitle(), dir.filePath(QStringLiteral("photo.jpg")));

    window->Save1->trigger();
    const QByteArray saved = readAll(bmp);
    EXPECT_TRUE(isJpeg(saved));
    TMemoryStream stream;
    stream.WriteBuffer(saved.constData(), saved.size());
    stream.SetPosition(0);
    TJPEGImage reread;
    reread.LoadFromStream(stream);
    EXPECT_EQ(reread.Width(), 37);
    EXPECT_EQ(reread.Height(), 21);
}

TEST_F(FileCommandsTest, TheQualitySliderSetsTheJpegQualityAndKeepsItsPosition)
{
    TFormMain* window = newPicture(64, 48);
    // Something with detail, so that quality shows in the size.
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            window->Image->Picture()->Bitmap()->Canvas()->SetPixels(x, y, static_cast<TColor>(gdi::RGB((x * 37) & 255, (y * 53) & 255, (x * y) & 255)));
    saveAs(*window, dir.filePath(QStringLiteral("q100.jpg")), file_commands::JpegEntry, 100);
    saveAs(*window, dir.filePath(QStringLiteral("q200.jpg")), file_commands::JpegEntry, 200);
    saveAs(*window, dir.filePath(QStringLiteral("q1.jpg")), file_commands::JpegEntry, 1);
    const QByteArray q100 = readAll(dir.filePath(QStringLiteral("q100.jpg")));
    EXPECT_EQ(q100, readAll(dir.filePath(QStringLiteral("q200.jpg"))));
    EXPECT_LT(readAll(dir.filePath(QStringLiteral("q1.jpg"))).size(), q100.size());
    EXPECT_EQ(JPGPar->Sszatie->value(), 1);

    // Closed without "Да", the dialog still saves, at the position it keeps.
    ModalScript script;
    script.then(chooseFile(dir.filePath(QStringLiteral("again.jpg")), file_commands::JpegEntry)).then(closeDialog());
    window->Saveas1->trigger();
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("again.jpg"))), readAll(dir.filePath(QStringLiteral("q1.jpg"))));
}

TEST_F(FileCommandsTest, AFailedSaveKeepsModifiedAndNamesTheFile)
{
    TFormMain* window = newPicture(8, 6);
    window->FileName = dir.filePath(QStringLiteral("missing/folder/a.bmp"));
    window->Modified = true;
    ModalScript script;
    script.then(closeDialog());
    window->Save1->trigger();
    ASSERT_EQ(script.count(), 1);
    EXPECT_TRUE(script.shown()[0].text.contains(window->FileName)) << script.shown()[0].text.toStdString();
    EXPECT_TRUE(window->Modified);
}

TEST_F(FileCommandsTest, TheHoldersBitmapOfAnotherClassKeepsSizeAndPixels)
{
    const QString jpg = makeJpeg(QStringLiteral("held.jpg"));
    TPicture picture;
    picture.LoadFromFile(jpg);
    ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    TJPEGImage direct;
    direct.LoadFromFile(jpg);
    TBitmap* bitmap = picture.Bitmap();
    ASSERT_EQ(bitmap->Width(), 37);
    ASSERT_EQ(bitmap->Height(), 21);
    for (int y = 0; y < 21; y += 5)
        for (int x = 0; x < 37; x += 6)
            EXPECT_EQ(bitmap->Canvas()->Pixels(x, y), const_cast<TBitmap&>(direct.Bitmap()).Canvas()->Pixels(x, y));
}

} // namespace
