// The picture window's "&Эффекты" handlers: the question first, then the command from imaging.

#include "document/form_main.h"

#include "drawing/tool_state.h"
#include "imaging/commands/effect_commands.h"
#include "platform/forms/modal.h"
#include "platform/forms/trans_form.h"

void TFormMain::TransColorClick()
{
    if (const auto amount = TTransForm::AskAmount(this, QStringLiteral("Яркость"), TTransForm::Range::Signed))
        BrightnessCommand(Host(), *amount);
}

void TFormMain::ContrastClick()
{
    const QMessageBox::StandardButton answer =
        forms::Modal::messageBox(nullptr, QMessageBox::Question, QStringLiteral("Контраст"),
                                 QStringLiteral("Увеличить?"), QMessageBox::Yes | QMessageBox::No);
    // A box closed without an answer is taken as a change of mind.
    if (answer != QMessageBox::Yes && answer != QMessageBox::No)
        return;
    ContrastCommand(Host(), answer == QMessageBox::Yes);
    // The shaded figures' scratch copy holds the picture as it was.
    ScratchPicture.reset();
}

void TFormMain::SharpClick()
{
    if (const auto strength = TTransForm::AskAmount(this, QStringLiteral("Резкость"), TTransForm::Range::Strength))
        SharpenCommand(Host(), *strength);
}

void TFormMain::AntiAliasClick()
{
    if (const auto strength =
            TTransForm::AskAmount(this, QStringLiteral("Выравнивание"), TTransForm::Range::Strength))
        SmoothCommand(Host(), *strength);
}

void TFormMain::SatClick()
{
    if (const auto position = TTransForm::AskAmount(this, QStringLiteral("Насыщенность"), TTransForm::Range::Signed))
        SaturationCommand(Host(), *position);
}

void TFormMain::Texture1Click()
{
    if (forms::executeFileDialog(this, forms::FileDialogKind::Open, OpPictDlg))
        TextureCommand(Host(), OpPictDlg.fileName);
}

void TFormMain::TrnsClick()
{
    if (!PixelReadCommand(Host()))
        forms::Modal::messageBox(nullptr, QMessageBox::NoIcon, QStringLiteral("GetDib"), QStringLiteral("Не работает"));
}
