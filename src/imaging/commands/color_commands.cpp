#include "imaging/commands/color_commands.h"

#include "imaging/commands/command_progress.h"
#include "imaging/picture_command.h"
#include "imaging/transforms/color_depth_command.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"

void ConvertColorDepthCommand(PictureHost& host, TImageFormat format)
{
    TImage* workImage = host.WorkImage();
    if (!workImage)
        return;
    // The conversion goes through the work image; afterwards the work image takes the converted
    // picture, so that a saved file shows what the user sees.
    RunPictureCommand(host, {}, [&](TDibGraphic& picture) {
        CommandProgress progress(host, picture);
        ConvertColorDepth(picture, *workImage, format);
    });
}

void InvertColorsCommand(PictureHost& host)
{
    RunPictureCommand(host, {false, PictureCommandSteps::WorkImage::AfterChange}, [](TDibGraphic& picture) {
        if (picture.GetEmpty())
            return;
        TCanvas& canvas = *picture.Canvas();
        const TCopyMode kept = canvas.CopyMode();
        canvas.SetCopyMode(cmNotSrcCopy);
        const TRect whole{0, 0, picture.GetWidth(), picture.GetHeight()};
        canvas.CopyRect(whole, &canvas, whole);
        canvas.SetCopyMode(kept);
    });
}
