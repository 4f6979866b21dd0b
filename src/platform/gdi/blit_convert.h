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
    // The source palette's colours (0x00RRGGBB, one per index the source depth can store) when
    // the conversion is a lookup of them into a true-colour destination; null otherwise.
    const uint32_t* colors() const { return kind_ == Kind::Lut && lutHoldsColors_ ? lut_.data() : nullptr; }

    void convert(uint32_t* values, int n);

private:
    enum class Kind { Identity, Lut, Nearest };
    Kind kind_ = Kind::Identity;
    bool identity_ = false;
    bool lutHoldsColors_ = false;
    std::vector<uint32_t> lut_;
    static constexpr uint32_t kUnset = 0xFFFFFFFFu;
    std::vector<uint32_t> cells_;
    bool quantise_ = false;
    uint32_t lastRgb_ = 0xFFFFFFFFu;
    uint32_t lastValue_ = 0;
    const DibSurface* dest_ = nullptr;
};

} // namespace gdi::detail
