#include "editing/zoom_commands.h"

#include "editing/labeled_slider.h"

#include <algorithm>
#include <cmath>

int RulerMaxForZoom(float zoomPercent)
{
    if (!(zoomPercent > 0.0f))
        return 1;
    const double max = std::trunc(10000.0 / static_cast<double>(zoomPercent));
    return static_cast<int>(std::clamp(max, 1.0, 1.0e9));
}

void ApplyZoomPercent(TImageScrollBox& view, int percent, TLabeledSlider& horizontalRuler,
                      TLabeledSlider& verticalRuler)
{
    view.SetZoomPercent(percent);
    const int max = RulerMaxForZoom(view.ZoomPercent());
    for (TLabeledSlider* ruler : {&horizontalRuler, &verticalRuler}) {
        ruler->SetMax(max);
        // Switching the thumb on and off re-creates the ruler, which redraws its labels.
        ruler->SetSliderVisible(true);
        ruler->SetSliderVisible(false);
    }
}

int FitZoom(TImageScrollBox& view, TZoomMode mode)
{
    view.SetZoomMode(mode);
    return static_cast<int>(std::trunc(view.ZoomPercent()));
}
