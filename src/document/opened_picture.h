#pragma once
// What a window edits after opening a file: a framework bitmap with the file's pixels, however
// the file was read. The class that read it is kept, so that saving writes that format again.
// An icon stays as read: the work image refuses to take figures on it.

#include <memory>

class TGraphic;

// Whether a graphic read from a file is edited as it is: nothing, a bitmap, or an icon.
bool StaysAsRead(const TGraphic* graphic);

// Replaces a graphic read from a file by a bitmap of its size and pixels and gives back an
// empty graphic of the class that read it; gives back null when the graphic stays as read (a
// bitmap already, an icon, nothing). Safe on any thread for graphics that draw pixels only.
std::unique_ptr<TGraphic> TakeAsBitmap(std::unique_ptr<TGraphic>& graphic);
