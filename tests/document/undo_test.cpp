// Undo and redo of a picture window after the colour menu, through the user's path: a figure
// drawn with the mouse, the menu's commands, and "Сохранить как..." answered in its dialog.

#include "picture_window_fixture.h"

#include "editing/image_scroll_box.h"
#include "modal_script.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "widget_input.h"

#include <QAction>
#include <QColorDialog>
#include <QTemporaryDir>
#include <QToolButton>

#include <ostream>
#include <string>

namespace {

using widget_test::ModalScript;

// A colour that none of the fixed palettes holds, so every conversion changes it.
const QColor Rust(0xC8, 0x7D, 0x2A);

class UndoTest : public PictureWindowTest {
protected:
    // A 60 x 40 white picture with a rust rectangle drawn on it with the mouse.
    TFormMain* drawnPicture()
    {
        TFormMain* form = newPicture(60, 40);
        form->Styles->trigger();
        ModalScript script;
        script.then([](QDialog& dialog) {
            dynamic_cast<QColorDialog&>(dialog).setCurrentColor(Rust);
            widget_test::pressButton(QStringLiteral("OK"))(dialog);
        });
        form->BrushColor->click();
        EXPECT_EQ(script.count(), 1);
        form->RectangleButton->click();
        draw(form, QPoint(10, 8), QPoint(40, 30));
        return form;
    }

    // A drag on the view at 100 %, where view and picture coordinates agree.
    static void draw(TFormMain* form, QPoint from, QPoint to)
    {
        widget_test::mouseDrag(form->ImageScrollBox1->ImageControl(), from, to);
    }

    // What the screen shows of the picture: every displayed pixel, which at 100 % is the
    // picture's pixel at the same place.
    static void expectScreenShows(TFormMain* form, const std::vector<uint32_t>& expected)
    {
        TImageScrollBox* view = form->ImageScrollBox1;
        const TDibGraphic* shown = view->GetDisplayedGraphic();
        ASSERT_EQ(view->DisplayedOrigin(), QPoint(0, 0));
        const int width = form->GetGraphic()->GetWidth();
        ASSERT_EQ(shown->GetWidth(), width);
        ASSERT_EQ(shown->GetHeight(), form->GetGraphic()->GetHeight());
        for (int y = 0; y < shown->GetHeight(); ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(shown->GetPixelRGB(x, y), expected[static_cast<size_t>(y * width + x)]) << x << "," << y;
    }

    // "Сохранить как..." as BMP; the file read back, pixel by pixel as 0x00RRGGBB.
    std::vector<uint32_t> saveAs(TFormMain* form, const QString& name)
    {
        const QString path = dir.filePath(name);
        ModalScript script;
        script.then(widget_test::chooseFile(path, 1));
        form->Saveas1->trigger();
        EXPECT_EQ(script.count(), 1);
        TBitmap saved;
        saved.LoadFromFile(path);
        std::vector<uint32_t> out;
        for (int y = 0; y < saved.Height(); ++y)
            for (int x = 0; x < saved.Width(); ++x) {
                const TColor c = saved.Canvas()->Pixels(x, y);
                out.push_back(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
            }
        return out;
    }

    QTemporaryDir dir;
};

struct DepthCase {
    const char* name;
    QAction* TFormMain::*command;
    TImageFormat format;
    friend void PrintTo(const DepthCase& c, std::ostream* os) { *os << c.name; }
};

class UndoAfterColourDepth : public UndoTest, public ::testing::WithParamInterface<DepthCase> {};

// Undo right after a colour-depth command brings back the picture from before it, format
// included: the screen, the work image (what a save writes) and the next figure all agree.
TEST_P(UndoAfterColourDepth, BringsBackThePictureTheScreenAndTheSavedFileAgree)
{
    TFormMain* form = drawnPicture();
    const TDibGraphic* picture = form->GetGraphic();
    const std::vector<uint32_t> colours = pixels(*picture);
    ASSERT_EQ(picture->GetPixelRGB(20, 20), 0xC87D2Au);

    (form->*GetParam().command)->trigger();
    ASSERT_EQ(picture->ImageFormat(), GetParam().format);
    ASSERT_NE(picture->GetPixelRGB(20, 20), 0xC87D2Au);

    form->Undo1->trigger();
    EXPECT_EQ(picture->ImageFormat(), ifTrueColor);
    EXPECT_EQ(pixels(*picture), colours);
    expectScreenShows(form, colours);
    EXPECT_EQ(saveAs(form, QStringLiteral("undone.bmp")), colours);

    // The next figure adds to the picture on the screen, not to the converted one.
    form->LineButton->click();
    draw(form, QPoint(50, 5), QPoint(50, 35));
    const std::vector<uint32_t> drawn = pixels(*picture);
    EXPECT_EQ(picture->GetPixelRGB(20, 20), 0xC87D2Au);
    expectScreenShows(form, drawn);
    EXPECT_EQ(saveAs(form, QStringLiteral("drawn.bmp")), drawn);
}

INSTANTIATE_TEST_SUITE_P(
    ColourMenu, UndoAfterColourDepth,
    ::testing::Values(DepthCase{"Monochrome", &TFormMain::color2, ifBlackWhite},
                      DepthCase{"Gray16", &TFormMain::Gray16, ifGray16},
                      DepthCase{"Gray256", &TFormMain::Gray256, ifGray256},
                      DepthCase{"Colors16", &TFormMain::Colors16, ifColor16},
                      DepthCase{"Color256", &TFormMain::Color256, ifColor256}),
    [](const auto& info) { return std::string(info.param.name); });

// Redo brings a snapshot back as it was taken too: a grey picture comes back grey, with its
// grey palette, after undo had returned to the colours.
TEST_F(UndoTest, RedoBringsBackAGreySnapshotInItsOwnFormat)
{
    TFormMain* form = drawnPicture();
    const TDibGraphic* picture = form->GetGraphic();
    const std::vector<uint32_t> colours = pixels(*picture);
    form->Gray256->trigger();
    const std::vector<uint32_t> grey = pixels(*picture);
    const auto greyTable = picture->DibSection()->colorTable();
    form->LineButton->click();
    draw(form, QPoint(50, 5), QPoint(50, 35));

    form->Undo1->trigger(); // the grey picture before the line
    EXPECT_EQ(picture->ImageFormat(), ifGray256);
    EXPECT_EQ(pixels(*picture), grey);
    form->Undo1->trigger(); // the colours before the conversion
    EXPECT_EQ(picture->ImageFormat(), ifTrueColor);
    EXPECT_EQ(pixels(*picture), colours);

    form->Redo1->trigger();
    EXPECT_EQ(picture->ImageFormat(), ifGray256);
    EXPECT_EQ(picture->DibSection()->colorTable(), greyTable);
    EXPECT_EQ(pixels(*picture), grey);
    expectScreenShows(form, grey);
    EXPECT_EQ(saveAs(form, QStringLiteral("redone.bmp")), grey);
}

} // namespace
