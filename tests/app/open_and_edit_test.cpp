// Every picture file, however it is opened, takes figures and effects and is saved back in its
// own format: the user's path from the frame's commands to the file on disk and back.

#include "frame_fixture.h"

#include "document/form_main.h"
#include "document/picture_read_ahead.h"
#include "editing/image_scroll_box.h"
#include "editing/slider.h"
#include "imaging/dib_graphic.h"
#include "imaging/formats/dcx_graphic.h"
#include "imaging/formats/pcx_graphic.h"
#include "imaging/formats/png_graphic.h"
#include "imaging/formats/tga_graphic.h"
#include "imaging/formats/tiff_graphic.h"
#include "imaging/formats/webp_graphic.h"
#include "modal_script.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/icon.h"
#include "platform/framework/image.h"
#include "platform/framework/jpeg_image.h"
#include "platform/framework/picture.h"
#include "platform/framework/png_codec.h"
#include "platform/framework/profile.h"
#include "platform/metafile/metafile.h"
#include "widget_input.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <span>

using namespace widget_test;

namespace {

constexpr int Width = 48;
constexpr int Height = 36;
// Where the rectangle is dragged, in picture pixels (the view shows them at 100 %).
const QPoint DragFrom(6, 5);
const QPoint DragTo(30, 25);
// A point on the rectangle's outline, and one of the background outside it.
const QPoint OnOutline(6, 15);
const QPoint Outside(40, 30);

uint32_t rgbOf(TColor color)
{
    const auto c = static_cast<uint32_t>(color);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

int channelDistance(uint32_t a, uint32_t b)
{
    int most = 0;
    for (int shift : {0, 8, 16})
        most = std::max(most, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return most;
}

bool isBrighter(uint32_t after, uint32_t before)
{
    for (int shift : {0, 8, 16})
        if (((after >> shift) & 0xFF) <= ((before >> shift) & 0xFF))
            return false;
    return true;
}

struct Format {
    const char* name;
    const char* extension;
    std::function<std::unique_ptr<TGraphic>()> make;
    QByteArray magic;
    int magicOffset;
    int tolerance; // per channel, for lossy formats
};

const Format Formats[] = {
    {"BMP", "bmp", [] { return std::make_unique<TBitmap>(); }, "BM", 0, 0},
    {"PNG", "png", [] { return std::make_unique<TPngGraphic>(); }, "\x89PNG", 0, 0},
    {"JPEG", "jpg", [] { return std::make_unique<TJPEGImage>(); }, "\xFF\xD8\xFF", 0, 40},
    {"TIFF", "tiff", [] { return std::make_unique<TTiffGraphic>(); }, QByteArray("II*\0", 4), 0, 0},
    {"PCX", "pcx", [] { return std::make_unique<TPcxGraphic>(); }, "\x0A", 0, 0},
    {"DCX", "dcx", [] { return std::make_unique<TDcxGraphic>(); }, QByteArray("\xB1\x68\xDE\x3A", 4), 0, 0},
    {"TGA", "tga", [] { return std::make_unique<TTgaGraphic>(); }, {}, 0, 0},
    {"EMF", "emf", [] { return std::make_unique<TMetafile>(); }, " EMF", 40, 0},
    {"WebP", "webp", [] { return std::make_unique<TWebpGraphic>(); }, "WEBPVP8L", 8, 0},
    // A lossy file stays lossy when saved.
    {"lossy WebP", "webp",
     []() -> std::unique_ptr<TGraphic> {
         auto lossy = std::make_unique<TWebpGraphic>();
         lossy->SetLossless(false);
         return lossy;
     },
     "WEBPVP8 ", 8, 40},
};

class OpenAndEditTest : public FrameInOwnDirectoryTest {
public:
    // A mid-grey gradient, so that a brighter picture and a black outline both show.
    static void paintSource(TBitmap& bitmap)
    {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(Width, Height);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                bitmap.Canvas()->SetPixels(x, y, static_cast<TColor>(gdi::RGB(60 + x, 80 + y, 120)));
    }
    QString makeFile(const Format& format, const QString& stem)
    {
        TBitmap bitmap;
        paintSource(bitmap);
        std::unique_ptr<TGraphic> writer = format.make();
        writer->Assign(&bitmap);
        const QString path = dir.filePath(stem + u'.' + QLatin1String(format.extension));
        writer->SaveToFile(path);
        return path;
    }
    // A rectangle dragged with the mouse, then "Яркость" from "&Эффекты".
    static void drawAndBrighten(TFormMain& window)
    {
        window.RectangleButton->click();
        mouseDrag(window.ImageScrollBox1->ImageControl(), DragFrom, DragTo);
        ModalScript script;
        script.then(steps({setField(QStringLiteral("ChangeBar"), QStringLiteral("40")),
                           pressButton(QStringLiteral("Да"))}));
        window.TransColor->trigger();
        ASSERT_EQ(script.count(), 1);
        ASSERT_EQ(script.shown()[0].title, QStringLiteral("Яркость"));
    }
    // "&Сохранить": a titled window writes its file; an untitled one asks for a name, answered
    // with a new file of the same extension and "Все файлы". The file written.
    QString save(TFormMain& window, const QString& opened)
    {
        ModalScript script;
        QString path = window.FileName;
        if (path.isEmpty()) {
            path = dir.filePath(QStringLiteral("saved-%1.%2").arg(++saves).arg(QFileInfo(opened).suffix()));
            script.then(chooseFile(path, 2));
        }
        window.Save1->trigger();
        EXPECT_EQ(script.unanswered(), 0);
        for (const ShownDialog& shown : script.shown())
            EXPECT_TRUE(shown.text.isEmpty()) << shown.text.toStdString();
        return path;
    }

    int saves = 0;
};

struct Way {
    const char* name;
    // Opens the file as the user would; the window it opened in.
    std::function<TFormMain*(OpenAndEditTest&, const QString&)> open;
};

class OpenAndEditWays : public OpenAndEditTest {
protected:
    TFormMain* openBy(const Way& way, const QString& path) { return way.open(*this, path); }

    const QList<Way> ways{
        {"the frame's Open, any file",
         [](OpenAndEditTest& t, const QString& path) {
             ModalScript script;
             script.then(chooseFile(path, 2));
             t.frame->Open1->trigger();
             return FormMain;
         }},
        {"a window's Open, any file",
         [](OpenAndEditTest& t, const QString& path) {
             TFormMain* issuing = t.newWindow(8, 8);
             ModalScript script;
             script.then(chooseFile(path, 2));
             issuing->Open1->trigger();
             return FormMain;
         }},
        {"a drop",
         [](OpenAndEditTest& t, const QString& path) {
             t.drop({path});
             return FormMain;
         }},
        {"the recent item",
         [](OpenAndEditTest& t, const QString& path) {
             TIniFile(t.configPath()).WriteString(QStringLiteral("Names"), QStringLiteral("1"), path);
             t.restartFrame();
             t.frame->Hist1->trigger();
             return FormMain;
         }},
        {"the command line",
         [](OpenAndEditTest& t, const QString& path) {
             PictureReadAhead ahead(path);
             t.frame->OpenFilesByName({path}, &ahead);
             return FormMain;
         }},
    };
};

// Open, draw a rectangle with the mouse, brighten, Save, reopen: the file is still in its own
// format and holds exactly what the window showed (within the lossy formats' tolerance).
TEST_F(OpenAndEditWays, EveryFormatTakesAFigureAndAnEffectAndIsSavedInItsOwnFormat)
{
    for (const Way& way : ways) {
        for (const Format& format : Formats) {
            SCOPED_TRACE(std::string(format.name) + " by " + way.name);
            const QString path = makeFile(format, QStringLiteral("picture"));
            const QByteArray before = [&] {
                QFile file(path);
                return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            }();
            TFormMain* window = openBy(way, path);
            ASSERT_NE(window, nullptr);
            ASSERT_EQ(window->GetGraphic()->GetWidth(), Width);
            const uint32_t originalOutside = window->GetGraphic()->GetPixelRGB(Outside.x(), Outside.y());
            const uint32_t originalOutline = window->GetGraphic()->GetPixelRGB(OnOutline.x(), OnOutline.y());

            {
                ModalScript errors; // any error box would be recorded here
                drawAndBrighten(*window);
                ASSERT_EQ(errors.count(), 0) << errors.shown()[0].text.toStdString();
            }
            EXPECT_TRUE(window->Modified);
            const TDibGraphic& shown = *window->GetGraphic();
            // The black outline, brightened, is grey; the gradient under it was not.
            const uint32_t outline = shown.GetPixelRGB(OnOutline.x(), OnOutline.y());
            EXPECT_NE(outline, originalOutline);
            EXPECT_TRUE((outline & 0xFF) == ((outline >> 8) & 0xFF) && (outline & 0xFF) == (outline >> 16))
                << "the outline is drawn: " << std::hex << outline;
            EXPECT_TRUE(isBrighter(shown.GetPixelRGB(Outside.x(), Outside.y()), originalOutside))
                << "the picture is brighter";

            const QString saved = save(*window, path);
            EXPECT_FALSE(window->Modified);

            QFile file(saved);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray written = file.readAll();
            EXPECT_NE(written, before);
            EXPECT_EQ(written.mid(format.magicOffset, format.magic.size()), format.magic);
            TPicture reread;
            reread.LoadFromFile(saved);
            EXPECT_EQ(reread.Graphic()->ClassName(), format.make()->ClassName()) << "read back by its extension";
            TBitmap* pixels = reread.Bitmap();
            ASSERT_EQ(pixels->Width(), Width);
            ASSERT_EQ(pixels->Height(), Height);
            int worst = 0;
            for (int y = 0; y < Height; ++y)
                for (int x = 0; x < Width; ++x)
                    worst = std::max(worst, channelDistance(rgbOf(pixels->Canvas()->Pixels(x, y)), shown.GetPixelRGB(x, y)));
            EXPECT_LE(worst, format.tolerance) << "the file holds what the window shows";
            window->Close1->trigger();
        }
    }
}

// The JPEG and TIFF entries of the frame's Open decode into a bitmap; those windows edit and
// save as well, JPEG as JPEG whatever the name, TIFF by its ".tif" name.
TEST_F(OpenAndEditTest, TheJpegAndTiffEntriesOpenPicturesThatTakeFiguresAndSave)
{
    const struct {
        const Format& format;
        const char* name;
        int entry;
    } cases[] = {{Formats[2], "photo.jpg", 5}, {Formats[3], "scan.tif", 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap bitmap;
        paintSource(bitmap);
        std::unique_ptr<TGraphic> writer = c.format.make();
        writer->Assign(&bitmap);
        const QString path = dir.filePath(QLatin1String(c.name));
        writer->SaveToFile(path);
        {
            ModalScript script;
            script.then(chooseFile(path, c.entry));
            frame->Open1->trigger();
        }
        TFormMain& window = *FormMain;
        ASSERT_EQ(window.FileName, path);
        drawAndBrighten(window);
        ASSERT_EQ(save(window, path), path);
        TPicture reread;
        reread.LoadFromFile(path);
        EXPECT_EQ(reread.Graphic()->ClassName(), c.format.make()->ClassName());
        EXPECT_LE(channelDistance(rgbOf(reread.Bitmap()->Canvas()->Pixels(OnOutline.x(), OnOutline.y())),
                                  window.GetGraphic()->GetPixelRGB(OnOutline.x(), OnOutline.y())),
                  c.format.tolerance);
    }
}

// On an opened picture, undo takes a figure off again and a colour-depth command reaches the
// file, as on a new picture.
TEST_F(OpenAndEditTest, OpenedPicturesUndoAndConvertAsNewOnesDo)
{
    for (const Format& format : {Formats[1], Formats[6]}) {
        SCOPED_TRACE(format.name);
        const QString path = makeFile(format, QStringLiteral("undone"));
        {
            ModalScript script;
            script.then(chooseFile(path, 2));
            frame->Open1->trigger();
        }
        TFormMain& window = *FormMain;
        const uint32_t original = window.GetGraphic()->GetPixelRGB(OnOutline.x(), OnOutline.y());
        window.RectangleButton->click();
        mouseDrag(window.ImageScrollBox1->ImageControl(), DragFrom, DragTo);
        ASSERT_NE(window.GetGraphic()->GetPixelRGB(OnOutline.x(), OnOutline.y()), original);
        window.Undo1->trigger();
        EXPECT_EQ(window.GetGraphic()->GetPixelRGB(OnOutline.x(), OnOutline.y()), original);

        window.Gray256->trigger();
        save(window, path);
        TPicture reread;
        reread.LoadFromFile(path);
        EXPECT_EQ(reread.Graphic()->ClassName(), format.make()->ClassName());
        const uint32_t grey = rgbOf(reread.Bitmap()->Canvas()->Pixels(OnOutline.x(), OnOutline.y()));
        EXPECT_EQ(grey, window.GetGraphic()->GetPixelRGB(OnOutline.x(), OnOutline.y()));
        EXPECT_TRUE((grey & 0xFF) == ((grey >> 8) & 0xFF) && (grey & 0xFF) == (grey >> 16)) << std::hex << grey;
        window.Close1->trigger();
    }
}

// A PNG that names its gamma keeps its stored samples, and the saved file names the same gamma,
// so any viewer shows the untouched pixels as it showed them in the file opened.
TEST_F(OpenAndEditTest, APngKeepsItsSamplesAndItsGammaThroughEditAndSave)
{
    TBitmap bitmap;
    paintSource(bitmap);
    PngColourSpace linear;
    linear.gamma = 100000;
    const std::vector<uint8_t> bytes = PngCodec::encode(*bitmap.Surface(), 0, 0, linear);
    const QString path = dir.filePath(QStringLiteral("linear.png"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    {
        ModalScript script;
        script.then(chooseFile(path, 2));
        frame->Open1->trigger();
    }
    TFormMain& window = *FormMain;
    EXPECT_EQ(window.GetGraphic()->GetPixelRGB(Outside.x(), Outside.y()),
              rgbOf(bitmap.Canvas()->Pixels(Outside.x(), Outside.y())));
    window.RectangleButton->click();
    mouseDrag(window.ImageScrollBox1->ImageControl(), DragFrom, DragTo);
    save(window, path);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    const PngCodec::DecodedPng saved = PngCodec::decode(
        std::span(reinterpret_cast<const uint8_t*>(written.constData()), static_cast<size_t>(written.size())));
    EXPECT_EQ(saved.layout.colourSpace, linear);
    const uint8_t* row = saved.surface->scanLine(Outside.y()) + Outside.x() * 3;
    EXPECT_EQ(uint32_t(row[2]) << 16 | uint32_t(row[1]) << 8 | row[0], rgbOf(bitmap.Canvas()->Pixels(Outside.x(), Outside.y())));
}

// An icon's work image cannot take figures or effects: each is refused with the framework's
// message before anything changes, so the window never shows what it could not keep.
TEST_F(OpenAndEditTest, AnIconWindowRefusesChangesBeforeAnythingChanges)
{
    TBitmap bitmap;
    paintSource(bitmap);
    TDibGraphic picture;
    picture.Assign(&bitmap);
    TIcon icon;
    icon.Assign(&picture);
    const QString path = dir.filePath(QStringLiteral("sign.ico"));
    icon.SaveToFile(path);
    {
        ModalScript script;
        script.then(chooseFile(path, 2));
        frame->Open1->trigger();
    }
    TFormMain& window = *FormMain;
    ASSERT_NE(dynamic_cast<TIcon*>(window.Image->Picture()->Graphic()), nullptr);
    const TDibGraphic& shown = *window.GetGraphic();
    std::vector<uint32_t> before;
    for (int y = 0; y < shown.GetHeight(); ++y)
        for (int x = 0; x < shown.GetWidth(); ++x)
            before.push_back(shown.GetPixelRGB(x, y));
    ASSERT_FALSE(before.empty());

    const QString refusal = QStringLiteral("Can only modify an image if it contains a bitmap");
    {
        ModalScript script;
        script.then(closeDialog());
        window.RectangleButton->click();
        mouseDrag(window.ImageScrollBox1->ImageControl(), QPoint(2, 2), QPoint(20, 20));
        ASSERT_GE(script.count(), 1);
        EXPECT_EQ(script.shown()[0].text, refusal);
    }
    {
        ModalScript script;
        script.then(closeDialog());
        window.Obratyt1->trigger();
        ASSERT_EQ(script.count(), 1);
        EXPECT_EQ(script.shown()[0].text, refusal);
    }
    std::vector<uint32_t> after;
    for (int y = 0; y < shown.GetHeight(); ++y)
        for (int x = 0; x < shown.GetWidth(); ++x)
            after.push_back(shown.GetPixelRGB(x, y));
    EXPECT_EQ(after, before);
    EXPECT_FALSE(window.Modified);
    EXPECT_FALSE(window.Undo1->isEnabled()) << "nothing to undo";

    // A step of the width slider gives the work image a bitmap: from then on figures are taken.
    window.TrackBar1->SetPosition(shown.GetWidth() - 1);
    ModalScript script;
    mouseDrag(window.ImageScrollBox1->ImageControl(), QPoint(2, 2), QPoint(20, 20));
    EXPECT_EQ(script.count(), 0);
    EXPECT_EQ(shown.GetPixelRGB(2, 10), 0x000000u);
}

} // namespace
