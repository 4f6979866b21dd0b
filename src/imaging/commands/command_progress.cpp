#include "imaging/commands/command_progress.h"

#include "imaging/picture_host.h"

CommandProgress::CommandProgress(PictureHost& host, const TDibGraphic& picture)
{
    if (int64_t{picture.GetWidth()} * picture.GetHeight() < MinimumPixels)
        return;
    host_ = &host;
    host_->ShowProgress(0);
}

CommandProgress::~CommandProgress()
{
    if (host_)
        host_->HideProgress();
}

void CommandProgress::Follow(TImageTransform& transform)
{
    if (!host_)
        return;
    PictureHost* host = host_;
    transform.OnPercentChange = [host](TImageTransform*, int percent) { host->ShowProgress(percent); };
}
