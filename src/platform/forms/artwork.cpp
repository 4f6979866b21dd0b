#include "platform/forms/artwork.h"

#include <cmath>

namespace forms {

QPixmap ArtworkPixmap(const QString& path, qreal scale)
{
    QPixmap plain(path);
    if (scale <= 1 || plain.isNull())
        return plain;
    const int dot = path.lastIndexOf(u'.');
    const QString doublePath = dot < 0 ? path + QStringLiteral("@2x") : path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
    QPixmap dense(doublePath);
    if (dense.isNull())
        dense = plain;
    const QSize wanted(int(std::ceil(plain.width() * scale)), int(std::ceil(plain.height() * scale)));
    if (dense.size() != wanted)
        dense = dense.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    dense.setDevicePixelRatio(scale);
    return dense;
}

} // namespace forms
