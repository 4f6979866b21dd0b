#pragma once
// The filters of the filtered resize and the contributor tables built from them. Everything is
// single precision, as the resize's results are defined in it.

#include <cstdint>
#include <vector>

namespace resample {

enum class FilterKind : uint8_t { Triangle = 0, Hermite, Bell, BSpline, Lanczos3, Mitchell };
constexpr int FilterCount = 6;

// Support (half-width in source pixels) of a filter; kind is an index of the filter table and
// must be below FilterCount.
float filterSupport(int kind);
float filterValue(int kind, float x);

struct Contributor {
    int pixel = 0;      // source index, mirrored into 0..size-1
    float weight = 0.f; // not normalised
};

// For every destination index i, contributors [first[i], first[i + 1]) of list. Entries whose
// mirrored index still falls outside the source keep weight 0 in the definition; they add
// nothing to a sum and are left out here.
struct ContributorTable {
    std::vector<int> first;
    std::vector<Contributor> list;

    int size() const { return static_cast<int>(first.size()) - 1; }
};

// Contributors of each of dstSize destination pixels from srcSize source pixels (both >= 1).
ContributorTable buildContributors(int srcSize, int dstSize, int kind);

// Σ weight × value, limited to 0..255 and rounded to the nearest, halves to even.
inline uint8_t clampRound(float sum);

} // namespace resample

inline uint8_t resample::clampRound(float sum)
{
    if (sum > 255.f)
        return 255;
    if (!(sum >= 0.f))
        return 0;
    // Adding and taking away 2^23 leaves no fraction bits, so the sum is rounded by the
    // current (nearest, halves to even) rounding mode, as nearbyint would without a call.
    constexpr float shift = 8388608.f;
    return static_cast<uint8_t>((sum + shift) - shift);
}
