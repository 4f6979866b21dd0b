#include "imaging/picture_command.h"

#include "imaging/dib_graphic.h"

void RunPictureCommand(PictureHost& host, const PictureCommandSteps& steps,
                       const std::function<void(TDibGraphic&)>& change)
{
    using WorkImage = PictureCommandSteps::WorkImage;
    TDibGraphic* picture = host.Picture();
    if (!picture)
        return;
    if (steps.workImage != WorkImage::Untouched)
        host.CheckWorkImageTakesChanges();
    if (steps.snapshot) {
        if (steps.resizes)
            host.TakeSnapshotWithSize();
        else
            host.TakeSnapshot();
    }
    if (steps.workImage == WorkImage::BeforeChange)
        host.UpdateWorkImage();
    change(*picture);
    if (steps.workImage == WorkImage::AfterChange) {
        if (steps.resizes)
            host.PictureResized();
        else
            host.UpdateWorkImage();
    }
    host.SetModified();
    host.Redraw();
}
