// The picture window's "&Изображение" menu, "&Вставить" and "Вставить как новый рисунок": the
// question first, then the command from imaging.

#include "document/form_main.h"

#include "editing/canvas_size.h"
#include "editing/image_scroll_box.h"
#include "imaging/commands/geometry_commands.h"
#include "imaging/dib_graphic.h"
#include "platform/forms/error_display.h"
#include "platform/forms/picture_size_form.h"
#include "platform/forms/rotate_angle_form.h"
#include "platform/framework/brush.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/image.h"
#include "platform/framework/size_policy.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QToolButton>

namespace {

// 0x00RRGGBB of the brush of the picture's canvas; white without a picture.
uint32_t brushColour(TDibGraphic* picture)
{
    if (!picture || picture->GetEmpty() || !picture->Canvas())
        return 0x00FFFFFF;
    const uint32_t ref = ColorToRGB(picture->Canvas()->Brush()->Color());
    return ((ref & 0xFF) << 16) | (ref & 0xFF00) | ((ref >> 16) & 0xFF);
}

} // namespace

void TFormMain::createImageMenu()
{
    auto item = [this](QMenu* menu, const QString& caption, const char* name, void (TFormMain::*handler)(),
                       const QKeySequence& shortcut = {}) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, forms::command([this, handler] { (this->*handler)(); }));
        return action;
    };
    auto separator = [](QMenu* menu, const char* name) {
        QAction* action = menu->addSeparator();
        action->setObjectName(QLatin1String(name));
        return action;
    };

    PasteAsNew = item(Edit1, QStringLiteral("Вставить как &новый рисунок"), "PasteAsNew", &TFormMain::PasteAsNewClick,
                      QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V));

    Image1 = new QMenu(QStringLiteral("&Изображение"), this);
    Image1->setObjectName(QStringLiteral("Image1"));
    FlipHorizontal = item(Image1, QStringLiteral("Отразить слева &направо"), "FlipHorizontal",
                          &TFormMain::FlipHorizontalClick);
    FlipVertical = item(Image1, QStringLiteral("Отразить сверху &вниз"), "FlipVertical", &TFormMain::FlipVerticalClick);
    Sep7 = separator(Image1, "Sep7");
    RotateClockwise = item(Image1, QStringLiteral("Повернуть на 90° по &часовой стрелке"), "RotateClockwise",
                           &TFormMain::RotateClockwiseClick);
    RotateCounterClockwise = item(Image1, QStringLiteral("Повернуть на 90° &против часовой стрелки"),
                                  "RotateCounterClockwise", &TFormMain::RotateCounterClockwiseClick);
    Rotate180 = item(Image1, QStringLiteral("Повернуть на &180°"), "Rotate180", &TFormMain::Rotate180Click);
    RotateAngle = item(Image1, QStringLiteral("Повернуть на &угол..."), "RotateAngle", &TFormMain::RotateAngleClick);
    Sep8 = separator(Image1, "Sep8");
    PictureSize = item(Image1, QStringLiteral("&Размер рисунка..."), "PictureSize", &TFormMain::PictureSizeClick,
                       QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I));
    CropToSelection = item(Image1, QStringLiteral("&Обрезать по выделению"), "CropToSelection",
                           &TFormMain::CropToSelectionClick, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X));
    // The menu shows the item enabled only while a frame is shown. Closed again, the item
    // stays enabled so that its shortcut reaches the handler, which checks for itself.
    connect(Image1, &QMenu::aboutToShow, this, [this] { CropToSelection->setEnabled(SelectionFrameShown); });
    connect(Image1, &QMenu::aboutToHide, this, [this] { CropToSelection->setEnabled(true); });
}

void TFormMain::DrawBfrWithSize()
{
    nextSnapshotWithSize_ = true;
    History.DrawBfr();
    nextSnapshotWithSize_ = false;
}

void TFormMain::restoreSnapshotWithSize(int slot)
{
    UndoImages.restoreWhole(slot, *GetGraphic());
    Image->DeferPictureUpdate([this] { selection_->WithoutFrame([this] { FitWorkImageToPicture(*Image, *GetGraphic()); }); },
                              GetGraphic()->GetWidth(), GetGraphic()->GetHeight());
    selection_->PixelsRestored(snapshotFrames_.at(static_cast<size_t>(slot)));
    sizeFromGeometry_ = true;
    ShowPictureSize();
    ImageScrollBox1->Redraw(true);
}

void TFormMain::dropSelectionForGeometry()
{
    selection_->Forget();
}

void TFormMain::FlipHorizontalClick()
{
    dropSelectionForGeometry();
    OrientationCommand(Host(), orFlipHorizontal);
}

void TFormMain::FlipVerticalClick()
{
    dropSelectionForGeometry();
    OrientationCommand(Host(), orFlipVertical);
}

void TFormMain::RotateClockwiseClick()
{
    dropSelectionForGeometry();
    OrientationCommand(Host(), orRotateClockwise);
}

void TFormMain::RotateCounterClockwiseClick()
{
    dropSelectionForGeometry();
    OrientationCommand(Host(), orRotateCounterClockwise);
}

void TFormMain::Rotate180Click()
{
    dropSelectionForGeometry();
    OrientationCommand(Host(), orRotate180);
}

void TFormMain::RotateAngleClick()
{
    const std::optional<double> angle = TRotateAngleForm::AskAngle(this);
    if (!angle)
        return;
    dropSelectionForGeometry();
    RotateCommand(Host(), *angle, brushColour(GetGraphic()));
}

void TFormMain::PictureSizeClick()
{
    TDibGraphic* picture = GetGraphic();
    if (!picture || picture->GetEmpty())
        return;
    QStringList filters;
    for (int kind = 0; kind < ScaleFilterCount; ++kind)
        filters << ScaleFilterName(kind);
    const auto size =
        TPictureSizeForm::AskSize(this, picture->GetWidth(), picture->GetHeight(), filters, DefaultScaleFilter);
    if (!size)
        return;
    dropSelectionForGeometry();
    ScaleCommand(Host(), size->width, size->height, size->filter);
}

void TFormMain::CropToSelectionClick()
{
    if (!SelectionFrameShown)
        return;
    const TRect area = SelectionRect;
    dropSelectionForGeometry();
    CropCommand(Host(), area);
    // The frame is gone with the crop; the line tool comes back, as after a text is stamped, so
    // that "Отменить" (which waits while the selection tool is current) takes the crop back.
    Toolbox.ChooseTool(dtLine);
    LineButton->setChecked(true);
}

void TFormMain::Paste1Click()
{
    // A clipboard picture past the limit is refused when the tool is chosen: every step of the
    // paste would otherwise fail to read it, silently.
    const QImage image = QGuiApplication::clipboard()->image();
    if (!image.isNull() && !PictureSizePolicy::fits(image.width(), image.height(), 32))
        throw Exception(PictureSizePolicy::tooLargeMessage(image.width(), image.height()));
    Toolbox.ChooseTool(dtPaste);
}

void TFormMain::PasteAsNewClick()
{
    // Without a picture on the clipboard nothing happens, as with "&Вставить".
    if (QGuiApplication::clipboard()->image().isNull())
        return;
    TDibGraphic pasted;
    pasted.LoadFromClipboard();
    if (pasted.GetEmpty())
        return;
    const int width = pasted.GetWidth();
    const int height = pasted.GetHeight();
    TFormMain* previous = FormMain;
    TFormMain* form = Create(frameArea_);
    try {
        form->setWorkImageSize(width, height);
        form->GetGraphic()->Assign(&pasted);
    } catch (...) {
        // A picture that cannot be made leaves no empty window behind.
        form->Discard();
        FormMain = previous;
        throw;
    }
    form->Host().UpdateWorkImage();
    form->ImageScrollBox1->Redraw(true);
    form->FileName.clear();
    // Nothing of it is in a file yet: closing the window asks first.
    form->Modified = true;
    form->ShowPictureSize();
}
