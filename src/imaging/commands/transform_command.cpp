#include "imaging/commands/transform_command.h"

#include "imaging/commands/canvas_tools_kept.h"
#include "imaging/commands/command_progress.h"
#include "imaging/dib_graphic.h"

void RunTransformCommand(PictureHost& host, TImageTransform& transform, const PictureCommandSteps& steps)
{
    RunPictureCommand(host, steps, [&](TDibGraphic& picture) {
        if (picture.GetEmpty())
            return;
        CommandProgress progress(host, picture);
        progress.Follow(transform);
        CanvasToolsKept tools(picture);
        transform.Apply(picture);
    });
}
