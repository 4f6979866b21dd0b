// Import and Export of metafiles through the window's commands, the dialogs answered through
// the modal seam.
#include "picture_window_fixture.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/image.h"
#include "platform/framework/picture.h"
#include "platform/metafile/metafile.h"
#include "platform/metafile/metafile_canvas.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

namespace {

using widget_test::chooseFile;
using widget_test::closeDialog;
using widget_test::ModalScript;

TBitmap* workBitmap(TFormMain& form)
{
    return form.Image->Picture()->Bitmap();
}

// A white picture of the given size with solid squares, recorded as Export records it.
void writeMetafile(const QString& path, int width, int height, std::initializer_list<std::pair<TPoint, TColor>> squares)
{
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.Canvas()->Brush()->SetColor(clWhite);
    picture.SetSize(width, height);
    picture.Canvas()->FillRect(TRect{0, 0, width, height});
    for (const auto& [at, colour] : squares) {
        picture.Canvas()->Brush()->SetColor(colour);
        picture.Canvas()->FillRect(TRect{at.x, at.y, at.x + 20, at.y + 20});
    }
    TMetafile metafile;
    metafile.SetHeight(height);
    metafile.SetWidth(width);
    {
        TMetafileCanvas canvas(metafile, nullptr);
        canvas.Draw(0, 0, &picture);
    }
    metafile.SaveToFile(path);
}

class MetafileCommandsTest : public PictureWindowTest {
protected:
    QTemporaryDir folder;
};

// What the metafile draws beyond the new window's 1324 x 651 bitmap is lost; the bitmap then
// grows white to the metafile's size.
TEST_F(MetafileCommandsTest, ImportDrawsIntoTheNewWindowsBitmapBeforeItGrows)
{
    const QString path = folder.filePath(QStringLiteral("wide.emf"));
    writeMetafile(path, 1500, 800, {{{10, 10}, clBlack}, {{1310, 640}, clLime}, {{1400, 100}, clRed}, {{100, 700}, clBlue}});
    TFormMain* issuing = newPicture(50, 40);
    ModalScript script;
    script.then(chooseFile(path));
    issuing->ImportClick();

    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("Импорт..."));
    ASSERT_NE(FormMain, issuing);
    TFormMain& imported = *FormMain;
    TBitmap* bitmap = workBitmap(imported);
    ASSERT_EQ(bitmap->Width(), 1500);
    ASSERT_EQ(bitmap->Height(), 800);
    EXPECT_EQ(bitmap->Canvas()->Pixels(15, 15), clBlack);
    // A square across the corner of 1324 x 651: only its part inside is kept.
    EXPECT_EQ(bitmap->Canvas()->Pixels(1315, 645), clLime);
    EXPECT_EQ(bitmap->Canvas()->Pixels(1323, 650), clLime);
    EXPECT_EQ(bitmap->Canvas()->Pixels(1324, 650), clWhite);
    EXPECT_EQ(bitmap->Canvas()->Pixels(1323, 651), clWhite);
    EXPECT_EQ(bitmap->Canvas()->Pixels(1410, 110), clWhite);  // beyond 1324 across
    EXPECT_EQ(bitmap->Canvas()->Pixels(110, 710), clWhite);   // beyond 651 down
    EXPECT_EQ(imported.PanelText(2), QStringLiteral("Размер:800 Х 1500"));
    EXPECT_TRUE(imported.FileName.isEmpty());
    EXPECT_EQ(imported.windowTitle(), QStringLiteral("Без имени"));
    EXPECT_FALSE(imported.Modified);
    // The view shows a copy of the work image.
    const TDibGraphic* view = imported.GetGraphic();
    ASSERT_EQ(view->GetWidth(), 1500);
    ASSERT_EQ(view->GetHeight(), 800);
    EXPECT_EQ(view->GetPixelRGB(15, 15), 0x000000u);
    EXPECT_EQ(view->GetPixelRGB(1323, 650), 0x00FF00u);
    EXPECT_EQ(view->GetPixelRGB(1324, 650), 0xFFFFFFu);
    EXPECT_EQ(view->GetPixelRGB(1410, 110), 0xFFFFFFu);
}

TEST_F(MetafileCommandsTest, CancelledImportMakesNoWindow)
{
    TFormMain* issuing = newPicture(50, 40);
    const auto windows = area.subWindowList().size();
    ModalScript script;
    script.then(closeDialog());
    issuing->ImportClick();
    EXPECT_EQ(script.count(), 1);
    EXPECT_EQ(area.subWindowList().size(), windows);
    EXPECT_EQ(FormMain, issuing);
}

TEST_F(MetafileCommandsTest, DamagedFileIsRefusedBeforeAWindowIsMade)
{
    const QString path = folder.filePath(QStringLiteral("damaged.emf"));
    writeMetafile(path, 30, 30, {});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.resize(file.size() - 30);
    file.close();
    TFormMain* issuing = newPicture(50, 40);
    const auto windows = area.subWindowList().size();
    ModalScript script;
    script.then(chooseFile(path));
    EXPECT_THROW(issuing->ImportClick(), EInvalidGraphic);
    EXPECT_EQ(area.subWindowList().size(), windows);
}

TEST_F(MetafileCommandsTest, ExportWritesThePictureThatImportReadsBack)
{
    TFormMain* form = newPicture(60, 45);
    TCanvas* canvas = workBitmap(*form)->Canvas();
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 60; ++x)
            canvas->SetPixels(x, y, static_cast<TColor>((x * 4) | (y * 5) << 8 | ((x + y) * 2) << 16));
    const QString path = folder.filePath(QStringLiteral("picture.emf"));
    ModalScript script;
    script.then(chooseFile(path));
    form->ExportClick();
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("Экспорт..."));
    EXPECT_FALSE(form->Modified);

    script.then(chooseFile(path));
    form->ImportClick();
    ASSERT_NE(FormMain, form);
    TBitmap* back = workBitmap(*FormMain);
    ASSERT_EQ(back->Width(), 60);
    ASSERT_EQ(back->Height(), 45);
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(back->Canvas()->Pixels(x, y), canvas->Pixels(x, y)) << x << "," << y;
}

TEST_F(MetafileCommandsTest, ExportProposesEmfAndWritesNothingWhenCancelled)
{
    TFormMain* form = newPicture(20, 20);
    EXPECT_EQ(form->ExportDialog.defaultExt, QStringLiteral("emf"));
    ModalScript script;
    script.then(chooseFile(folder.filePath(QStringLiteral("named"))));
    form->ExportClick();
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("named.emf"))));

    script.then(closeDialog());
    form->ExportClick();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1);
}

} // namespace
