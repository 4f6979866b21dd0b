// A picture window's undo and redo through the user's path (strokes dragged on the view,
// effects and colour depths from the menus, "Отменить" and "Повторить"), seeded and long,
// beside a shadow history over plain whole copies that sees the same steps: after every undo
// and redo the window's picture, work image, cursor and menu states are the shadow's.

#include "picture_window_fixture.h"

#include "../editing/whole_copy_store.h"
#include "editing/history_band.h"
#include "editing/image_scroll_box.h"
#include "editing/undo_history.h"
#include "modal_script.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "platform/gdi/dib_surface.h"
#include "widget_input.h"

#include <QAction>
#include <QToolButton>

#include <cstring>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace widget_test;

// The window's history as the rules have it, over whole copies of what the window showed.
class Shadow : public UndoHistory::Host {
public:
    TDibGraphic picture;
    TImage work;
    WholeCopyStore store{UndoHistory::SlotCount};
    UndoHistory history{*this};
    bool undoEnabled = false;
    bool redoEnabled = false;

    bool selectToolActive() const override { return false; }
    void storeSnapshot(int slot) override { store.store(slot, picture); }
    void prepareWorkImage() override { WholeCopyStore::prepareWorkImage(work); }
    void restoreSnapshot(int slot) override { store.restoreInto(slot, work, picture); }
    bool selectionFrameShown() const override { return false; }
    void dropSelection() override {}
    void setUndoEnabled(bool enabled) override { undoEnabled = enabled; }
    void setRedoEnabled(bool enabled) override { redoEnabled = enabled; }

    // Takes what the window holds now.
    void follow(TFormMain& form)
    {
        picture.AssignPicture(form.GetGraphic());
        TBitmap* from = form.Image->Picture()->Bitmap();
        TBitmap* to = work.Picture()->Bitmap();
        to->SetPixelFormat(from->PixelFormat());
        to->SetSize(from->GetWidth(), from->GetHeight());
        const gdi::DibSurface& source = *from->Surface();
        std::memcpy(to->Surface()->bits(), std::as_const(source).bits(), source.imageBytes());
    }
};

std::vector<uint8_t> bytesOf(const gdi::DibSurface* surface)
{
    if (!surface)
        return {};
    const uint8_t* bits = std::as_const(*surface).bits();
    return {bits, bits + surface->imageBytes()};
}

class UndoSideBySide : public PictureWindowTest {};

TEST_F(UndoSideBySide, EveryUndoAndRedoGivesWhatWholeCopiesWould)
{
    TFormMain* form = newPicture(180, 300);
    ASSERT_NE(form, nullptr);
    Shadow shadow;
    std::mt19937 random(23);
    QToolButton* tools[] = {form->LineButton, form->RectangleButton, form->EllipseButton};
    QAction* depths[] = {form->Gray256, form->Color256, form->Colors16, form->RGB24, form->Gray16};
    QWidget* view = form->ImageScrollBox1->ImageControl();
    auto point = [&] { return QPoint(static_cast<int>(random() % 180), static_cast<int>(random() % 300)); };

    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const unsigned kind = random() % 20;
        if (kind < 7) {
            // A press takes the snapshot of the picture as it is now.
            shadow.follow(*form);
            shadow.history.DrawBfr();
            tools[random() % 3]->click();
            const QPoint from = point();
            // Mostly short strokes, now and then one across the picture.
            const QPoint to = random() % 4 == 0 ? point() : from + QPoint(int(random() % 9) - 4, int(random() % 9) - 4);
            mouseDrag(view, from, to);
        } else if (kind < 9) {
            shadow.follow(*form);
            shadow.history.DrawBfr();
            ModalScript script;
            script.then(steps({setField(QStringLiteral("ChangeBar"), QString::number(int(random() % 41) - 20)),
                               pressButton(QStringLiteral("Да"))}));
            form->TransColor->trigger();
            ASSERT_EQ(script.count(), 1);
        } else if (kind < 10) {
            shadow.follow(*form);
            shadow.history.DrawBfr();
            depths[random() % 5]->trigger();
        } else {
            const bool undo = kind < 16;
            // A disabled item cannot be chosen; the shadow's states are checked to be the same.
            if (!(undo ? form->Undo1 : form->Redo1)->isEnabled())
                continue;
            shadow.follow(*form);
            if (undo) {
                form->Undo1->trigger();
                shadow.history.Undo1Click();
            } else {
                form->Redo1->trigger();
                shadow.history.Redo1Click();
            }
            const TDibGraphic& picture = *form->GetGraphic();
            ASSERT_EQ(picture.ImageFormat(), shadow.picture.ImageFormat());
            ASSERT_EQ(picture.DibSection()->colorTable(), shadow.picture.DibSection()->colorTable());
            ASSERT_TRUE(bytesOf(picture.DibSection()) == bytesOf(shadow.picture.DibSection())) << "picture";
            ASSERT_TRUE(bytesOf(form->Image->Picture()->Bitmap()->Surface()) ==
                        bytesOf(shadow.work.Picture()->Bitmap()->Surface()))
                << "work image";
            ASSERT_EQ(form->History.UndoIndex(), shadow.history.UndoIndex());
            ASSERT_EQ(form->History.RedoCount(), shadow.history.RedoCount());
            ASSERT_EQ(form->Undo1->isEnabled(), shadow.undoEnabled);
            ASSERT_EQ(form->Redo1->isEnabled(), shadow.redoEnabled);
        }
        if (step % 50 == 49)
            history::HistoryMemory::instance().settle();
    }
}

} // namespace
