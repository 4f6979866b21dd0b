#pragma once
// "&Открыть с помощью...": the window's file goes to the program the desktop associates with
// its type; the picture in the window is neither saved first nor changed.

#include <QString>
#include <QUrl>

#include <functional>

// Nothing when the window is untitled (empty file name). The desktop's answer is ignored.
void OpenWithCommand(const QString& fileName);

// Who opens the file: the desktop's default handler, unless a test puts an observer in its
// place. Returns the previous opener.
using UrlOpener = std::function<void(const QUrl&)>;
UrlOpener SetUrlOpener(UrlOpener opener);
