#pragma once
// A window's picture and work image without the window; the log shows what a command asked.

#include "imaging/dib_graphic.h"
#include "imaging/picture_host.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"

#include <string>
#include <vector>

class BarePictureHost : public PictureHost {
public:
    BarePictureHost() { workImage.Picture()->Bitmap()->SetSize(1, 1); }

    TDibGraphic* Picture() override { return &picture; }
    TImage* WorkImage() override { return &workImage; }
    void SetModified() override { log += "modified "; }
    void TakeSnapshot() override { log += "snapshot "; }
    void UpdateWorkImage() override
    {
        log += "work-image ";
        workImage.Canvas()->Draw(0, 0, &picture);
    }
    void TakeSnapshotWithSize() override { log += "sized-snapshot "; }
    void PictureResized() override
    {
        log += "resized ";
        workImage.Picture()->Bitmap()->SetSize(picture.GetWidth(), picture.GetHeight());
        workImage.Canvas()->Draw(0, 0, &picture);
    }
    void Redraw() override { log += "redraw "; }
    void ShowProgress(int percent) override { progress.push_back(percent); }
    void HideProgress() override { progress.push_back(-1); }

    TDibGraphic picture;
    TImage workImage;
    std::string log;
    std::vector<int> progress; // -1: hidden
};
