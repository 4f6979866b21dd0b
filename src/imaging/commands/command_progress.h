#pragma once
// Progress of a picture command on a big picture, shown through the host for the lifetime of
// the guard. Small pictures are done before a progress indicator could be seen.

#include "imaging/transforms/image_transform.h"

class PictureHost;

class CommandProgress {
public:
    // Pictures of at least this many pixels show progress.
    static constexpr int64_t MinimumPixels = int64_t{1} << 20;

    CommandProgress(PictureHost& host, const TDibGraphic& picture);
    ~CommandProgress();
    CommandProgress(const CommandProgress&) = delete;
    CommandProgress& operator=(const CommandProgress&) = delete;

    // The transform reports to the host while this guard lives.
    void Follow(TImageTransform& transform);

private:
    PictureHost* host_ = nullptr; // null: the picture is too small to show progress
};
