#include "imaging/commands/geometry_commands.h"

#include "imaging/commands/transform_command.h"
#include "imaging/picture_command.h"
#include "imaging/transforms/crop_transform.h"
#include "imaging/transforms/resize_transform.h"
#include "imaging/transforms/rotate_transform.h"
#include "platform/framework/size_policy.h"

#include <algorithm>
#include <cmath>

namespace {

PictureCommandSteps resizingSteps()
{
    PictureCommandSteps steps;
    steps.resizes = true;
    return steps;
}

void runTransform(PictureHost& host, TImageTransform& transform)
{
    RunTransformCommand(host, transform, resizingSteps());
}

} // namespace

void OrientationCommand(PictureHost& host, TOrientation orientation)
{
    // A quarter turn swaps the sides, and rows of the other length may pad differently.
    if (const TDibGraphic* picture = host.Picture(); picture && !picture->GetEmpty())
        PictureSizePolicy::checkWindow(picture->GetHeight(), picture->GetWidth());
    TOrientationTransform transform;
    transform.Orientation = orientation;
    runTransform(host, transform);
}

void RotateCommand(PictureHost& host, double degrees, uint32_t background)
{
    // Whole quarter turns move pixels without sampling them.
    const double quarters = degrees / 90.0;
    if (quarters == std::round(quarters)) {
        const int turn = ((static_cast<int>(quarters) % 4) + 4) % 4;
        if (turn == 0) {
            // A full turn is no change, but it is still the step the user asked for.
            RunPictureCommand(host, resizingSteps(), [](TDibGraphic&) {});
            return;
        }
        static constexpr TOrientation turns[] = {orRotate180, orRotateClockwise, orRotate180,
                                                 orRotateCounterClockwise};
        OrientationCommand(host, turns[turn]);
        return;
    }
    // Refused before the undo step is taken: the turned picture is larger than the picture.
    if (const TDibGraphic* picture = host.Picture(); picture && !picture->GetEmpty()) {
        int turnedWidth = 0;
        int turnedHeight = 0;
        TRotateTransform::TurnedSize(picture->GetWidth(), picture->GetHeight(), degrees, turnedWidth, turnedHeight);
        PictureSizePolicy::checkWindow(turnedWidth, turnedHeight);
    }
    TRotateTransform transform;
    transform.Angle = degrees;
    transform.Background = background;
    runTransform(host, transform);
}

void ScaleCommand(PictureHost& host, int width, int height, int filterKind)
{
    PictureSizePolicy::checkWindow(width, height);
    TResizeTransform transform;
    transform.NewWidth = width;
    transform.NewHeight = height;
    transform.Filtered = true;
    transform.FilterKind = static_cast<uint8_t>(std::clamp(filterKind, 0, ScaleFilterCount - 1));
    transform.ForceFormat = true;
    transform.TargetFormat = ifTrueColor;
    runTransform(host, transform);
}

void CropCommand(PictureHost& host, const TRect& area)
{
    const TDibGraphic* picture = host.Picture();
    if (!picture || picture->GetEmpty())
        return;
    const int left = std::max(0, std::min(area.left, area.right));
    const int top = std::max(0, std::min(area.top, area.bottom));
    const int right = std::min(picture->GetWidth(), std::max(area.left, area.right));
    const int bottom = std::min(picture->GetHeight(), std::max(area.top, area.bottom));
    if (right <= left || bottom <= top)
        return;
    TCropTransform transform;
    transform.CutLeft = left;
    transform.CutTop = top;
    transform.CutRight = picture->GetWidth() - right;
    transform.CutBottom = picture->GetHeight() - bottom;
    runTransform(host, transform);
}

QString ScaleFilterName(int filterKind)
{
    static const char* const names[ScaleFilterCount] = {"Треугольный", "Эрмита", "Колокол", "B-сплайн", "Ланцош 3",
                                                        "Митчелла"};
    return QString::fromUtf8(names[std::clamp(filterKind, 0, ScaleFilterCount - 1)]);
}
