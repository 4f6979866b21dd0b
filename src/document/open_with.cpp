#include "document/open_with.h"

#include <QUrl>

void OpenWithCommand(const QString& fileName)
{
    if (fileName.isEmpty())
        return;
    forms::OpenUrl(QUrl::fromLocalFile(fileName));
}
