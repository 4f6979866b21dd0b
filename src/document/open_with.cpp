#include "document/open_with.h"

#include <QDesktopServices>

namespace {

UrlOpener& currentOpener()
{
    static UrlOpener opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return opener;
}

} // namespace

void OpenWithCommand(const QString& fileName)
{
    if (fileName.isEmpty())
        return;
    currentOpener()(QUrl::fromLocalFile(fileName));
}

UrlOpener SetUrlOpener(UrlOpener opener)
{
    UrlOpener previous = std::move(currentOpener());
    currentOpener() = std::move(opener);
    return previous;
}
