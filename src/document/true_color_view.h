#pragma once
// What the view of a picture opened by name shows: the picture drawn onto a new 24-bit picture
// of its size.

#include <memory>

class TDibGraphic;
class TGraphic;

// An empty picture's view is empty too.
std::unique_ptr<TDibGraphic> MakeTrueColorView(TGraphic* graphic);

// Whether drawing the graphic touches pixels only (no fonts, no windows), so that a helper
// thread may make its view.
bool DrawsPixelsOnly(const TGraphic& graphic);
