#pragma once
// The zoom bar: the zoom box sets a whole-number percentage and the rulers follow it; the fit
// commands fit the view and hand the truncated zoom back to the zoom box.

#include "editing/image_scroll_box.h"

class TLabeledSlider;

// What the rulers run to at a zoom: trunc(10000 / zoom), and at least 1 so that a ruler still
// has a range (only a fit zoom above 10000 % could ask for 0).
int RulerMaxForZoom(float zoomPercent);

// The zoom box's number (as the up-down reports it) becomes the view's zoom; the rulers are
// recomputed from the zoom in force, also when the view ignored the number.
void ApplyZoomPercent(TImageScrollBox& view, int percent, TLabeledSlider& horizontalRuler,
                      TLabeledSlider& verticalRuler);

// Fits the view by mode and returns the truncated zoom for the up-down.
int FitZoom(TImageScrollBox& view, TZoomMode mode);
