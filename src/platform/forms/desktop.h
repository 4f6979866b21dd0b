#pragma once
// The desktop's default handler for a file or address. Tests put an observer in its place, so
// a command that hands something to the desktop can be checked without starting a program.

#include <QUrl>

#include <functional>

namespace forms {

using UrlOpener = std::function<void(const QUrl&)>;

// Hands the address to the current opener; the desktop's answer is not reported.
void OpenUrl(const QUrl& url);

// Puts another opener in place and returns the previous one.
UrlOpener SetUrlOpener(UrlOpener opener);

} // namespace forms
