#pragma once
// A 2-D affine map in the record's own convention: x' = x*m11 + y*m21 + dx, y' = x*m12 + y*m22 + dy.

namespace metafile {

struct Affine {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

    static Affine scale(double sx, double sy, double dx = 0, double dy = 0) { return Affine{sx, 0, 0, sy, dx, dy}; }

    double mapX(double x, double y) const { return x * m11 + y * m21 + dx; }
    double mapY(double x, double y) const { return x * m12 + y * m22 + dy; }
    // This map first, then `next`.
    Affine then(const Affine& next) const;
    bool rotatesOrShears() const { return m12 != 0 || m21 != 0; }
    // How much a length grows on average, for pen widths and font heights.
    double lengthScale() const;
    bool isFinite() const;
};

} // namespace metafile
