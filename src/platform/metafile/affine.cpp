#include "platform/metafile/affine.h"

#include <cmath>

namespace metafile {

Affine Affine::then(const Affine& next) const
{
    return Affine{m11 * next.m11 + m12 * next.m21,
                  m11 * next.m12 + m12 * next.m22,
                  m21 * next.m11 + m22 * next.m21,
                  m21 * next.m12 + m22 * next.m22,
                  dx * next.m11 + dy * next.m21 + next.dx,
                  dx * next.m12 + dy * next.m22 + next.dy};
}

double Affine::lengthScale() const
{
    return std::sqrt(std::abs(m11 * m22 - m12 * m21));
}

bool Affine::isFinite() const
{
    return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) && std::isfinite(m22) && std::isfinite(dx)
           && std::isfinite(dy);
}

} // namespace metafile
