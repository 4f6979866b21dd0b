#include "platform/forms/desktop.h"

#include <QDesktopServices>

namespace forms {

namespace {

UrlOpener& currentOpener()
{
    static UrlOpener opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return opener;
}

} // namespace

void OpenUrl(const QUrl& url)
{
    currentOpener()(url);
}

UrlOpener SetUrlOpener(UrlOpener opener)
{
    UrlOpener previous = std::move(currentOpener());
    currentOpener() = std::move(opener);
    return previous;
}

} // namespace forms
