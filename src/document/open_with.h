#pragma once
// "&Открыть с помощью...": the window's file goes to the program the desktop associates with
// its type; the picture in the window is neither saved first nor changed.

#include "platform/forms/desktop.h"

#include <QString>

// Nothing when the window is untitled (empty file name). The desktop's answer is ignored.
void OpenWithCommand(const QString& fileName);

// Who opens the file: the desktop's default handler, unless a test puts an observer in its place.
using forms::SetUrlOpener;
using forms::UrlOpener;
