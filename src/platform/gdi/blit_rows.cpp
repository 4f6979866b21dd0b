#include "platform/gdi/blit_rows.h"

#include "platform/gdi/color_match.h"

#include <algorithm>
#include <cstring>

namespace gdi::detail {

void combineRow(uint32_t ropIndex, uint32_t mask, const uint32_t* p, const uint32_t* s, uint32_t* d, int n)
{
    // The common operations avoid the bitwise truth table.
    switch (ropIndex) {
    case 0xCC: // SRCCOPY
        std::memcpy(d, s, sizeof(uint32_t) * static_cast<size_t>(n));
        return;
    case 0x33: // NOTSRCCOPY
        for (int i = 0; i < n; ++i)
            d[i] = ~s[i] & mask;
        return;
    case 0x66: // SRCINVERT
        for (int i = 0; i < n; ++i)
            d[i] = (d[i] ^ s[i]) & mask;
        return;
    case 0x88: // SRCAND
        for (int i = 0; i < n; ++i)
            d[i] &= s[i];
        return;
    case 0xEE: // SRCPAINT
        for (int i = 0; i < n; ++i)
            d[i] = (d[i] | s[i]) & mask;
        return;
    default:
        for (int i = 0; i < n; ++i)
            d[i] = rop3Apply(ropIndex, p ? p[i] : 0, s[i], d[i]) & mask;
        return;
    }
}

namespace {

// The range of source columns [low, high) that a row's samples or spans read.
template <typename Low, typename High>
void sourceRange(int n, Low low, High high, int& outLow, int& outHigh)
{
    outLow = INT32_MAX;
    outHigh = INT32_MIN;
    for (int i = 0; i < n; ++i) {
        if (low(i) < 0)
            continue;
        outLow = std::min(outLow, low(i));
        outHigh = std::max(outHigh, high(i));
    }
}

} // namespace

SampledRow::SampledRow(const BlitSource& source, const AxisMap& columns, ValueConverter& converter)
    : columns_(columns), converter_(converter), ops_(depthOps(source.bitsPerPixel))
{
    const std::vector<int>& c = columns.source;
    sourceRange(columns.size(), [&](int i) { return c[static_cast<size_t>(i)]; },
                [&](int i) { return c[static_cast<size_t>(i)] + 1; }, low_, high_);
    if (empty())
        return;
    contiguous_ = c.front() >= 0;
    for (size_t i = 1; i < c.size() && contiguous_; ++i)
        contiguous_ = c[i] == c[0] + static_cast<int>(i);
    read_.resize(static_cast<size_t>(high_ - low_));
    values_.resize(c.size());
}

const uint32_t* SampledRow::fetch(const uint8_t* sourceRow)
{
    const int n = columns_.size();
    if (contiguous_) {
        ops_.readRow(sourceRow, low_, n, values_.data());
    } else {
        ops_.readRow(sourceRow, low_, high_ - low_, read_.data());
        for (int i = 0; i < n; ++i) {
            const int c = columns_.source[static_cast<size_t>(i)];
            values_[static_cast<size_t>(i)] = c < 0 ? 0 : read_[static_cast<size_t>(c - low_)];
        }
    }
    converter_.convert(values_.data(), n);
    return values_.data();
}

ReducingRow::ReducingRow(const BlitSource& source, const AxisSpans& columns, int stretchMode, const DibSurface& dest)
    : source_(source), columns_(columns), mode_(stretchMode), converter_(source, dest),
      rgbToDest_([] {
          BlitSource rgb;
          rgb.bitsPerPixel = 24;
          return rgb;
      }(), dest),
      ops_(depthOps(source.bitsPerPixel))
{
    sourceRange(columns.size(), [&](int i) { return columns.low[static_cast<size_t>(i)]; },
                [&](int i) { return columns.high[static_cast<size_t>(i)]; }, low_, high_);
    if (empty())
        return;
    read_.resize(static_cast<size_t>(high_ - low_));
    values_.resize(static_cast<size_t>(columns.size()));
    if (mode_ == HALFTONE) {
        for (auto& s : sum_)
            s.resize(values_.size());
        count_.resize(values_.size());
    }
}

const uint32_t* ReducingRow::combine(int rowLow, int rowHigh)
{
    const int n = columns_.size();
    const bool halftone = mode_ == HALFTONE;
    std::fill(values_.begin(), values_.end(), mode_ == BLACKONWHITE ? 0xFFFFFFFFu : 0u);
    if (halftone) {
        for (auto& s : sum_)
            std::fill(s.begin(), s.end(), 0u);
        std::fill(count_.begin(), count_.end(), 0u);
    }
    const int width = high_ - low_;
    for (int y = rowLow; y < rowHigh; ++y) {
        ops_.readRow(source_.row(y), low_, width, read_.data());
        if (!halftone) {
            converter_.convert(read_.data(), width);
        } else if (source_.bitsPerPixel <= 8) {
            // Averages are taken over true colours.
            for (uint32_t& v : read_)
                v = v < source_.table.size() ? rgbOf(source_.table[v]) : 0;
        }
        for (int i = 0; i < n; ++i) {
            const size_t at = static_cast<size_t>(i);
            const int lo = columns_.low[at], hi = columns_.high[at];
            for (int c = lo; c < hi && c >= 0; ++c) {
                const uint32_t v = read_[static_cast<size_t>(c - low_)];
                if (halftone) {
                    sum_[0][at] += (v >> 16) & 255u;
                    sum_[1][at] += (v >> 8) & 255u;
                    sum_[2][at] += v & 255u;
                    ++count_[at];
                } else if (mode_ == BLACKONWHITE) {
                    values_[at] &= v;
                } else {
                    values_[at] |= v;
                }
            }
        }
    }
    if (halftone) {
        for (size_t i = 0; i < values_.size(); ++i) {
            const uint32_t c = std::max(count_[i], 1u);
            values_[i] = (((sum_[0][i] + c / 2) / c) << 16) | (((sum_[1][i] + c / 2) / c) << 8) | ((sum_[2][i] + c / 2) / c);
        }
        // Averages are matched into the destination as true colours.
        rgbToDest_.convert(values_.data(), n);
    }
    return values_.data();
}

RowStore::RowStore(DibSurface& dest, uint32_t ropIndex, const RealBrush* pattern, Point brushOrigin, int first,
                   const std::vector<int>& sources)
    : dest_(dest), ops_(depthOps(dest.bitsPerPixel())), index_(ropIndex), mask_(valueMask(dest.bitsPerPixel())),
      pattern_(pattern), brushOrigin_(brushOrigin), first_(first), sources_(sources),
      allSources_(std::none_of(sources.begin(), sources.end(), [](int c) { return c < 0; })), d_(sources.size())
{
    if (pattern_)
        p_.resize(sources.size());
}

void RowStore::store(int y, const uint32_t* s)
{
    const int n = static_cast<int>(sources_.size());
    uint8_t* row = dest_.scanLine(y);
    if (index_ != 0xCC && index_ != 0x33)
        ops_.readRow(row, first_, n, d_.data());
    if (pattern_) {
        const RealBrush& b = *pattern_;
        for (int i = 0; i < n; ++i)
            p_[static_cast<size_t>(i)] = b.null ? 0 : b.solid ? b.solidOp.x : b.opAt(first_ + i, y, brushOrigin_).x;
    }
    combineRow(index_, mask_, pattern_ ? p_.data() : nullptr, s, d_.data(), n);
    if (allSources_) {
        ops_.writeRow(row, first_, n, d_.data());
        return;
    }
    // Runs of pixels that have a source pixel.
    int i = 0;
    while (i < n) {
        if (sources_[static_cast<size_t>(i)] < 0) {
            ++i;
            continue;
        }
        int e = i;
        while (e < n && sources_[static_cast<size_t>(e)] >= 0)
            ++e;
        ops_.writeRow(row, first_ + i, e - i, d_.data() + i);
        i = e;
    }
}

} // namespace gdi::detail
