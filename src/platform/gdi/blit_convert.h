#pragma once
// Turns source stored values into destination stored values for a blit between formats.

#include "platform/gdi/blit_source.h"

#include <cstdint>
#include <vector>

namespace gdi::detail {

// Identity between equal tables and between true-colour formats, a lookup from palettes, a
// nearest-colour match into palettes.
class ValueConverter {
public:
    ValueConverter(const BlitSource& src, const DibSurface& dest);

    bool identity() const { return kind_ == Kind::Identity; }

    void convert(uint32_t* values, int n);

private:
    enum class Kind { Identity, Lut, Nearest };
    Kind kind_ = Kind::Identity;
    bool identity_ = false;
    std::vector<uint32_t> lut_;
    static constexpr uint32_t kUnset = 0xFFFFFFFFu;
    std::vector<uint32_t> cells_;
    bool quantise_ = false;
    uint32_t lastRgb_ = 0xFFFFFFFFu;
    uint32_t lastValue_ = 0;
    const DibSurface* dest_ = nullptr;
};

} // namespace gdi::detail
