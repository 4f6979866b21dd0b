#include "imaging/transforms/resample_filter.h"

#include <cassert>
#include <cmath>
#include <numbers>

namespace resample {

float filterSupport(int kind)
{
    static constexpr float supports[FilterCount] = {1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
    assert(kind >= 0 && kind < FilterCount);
    return supports[kind];
}

static float sinc(float t)
{
    if (t == 0.f)
        return 1.f;
    const float a = std::numbers::pi_v<float> * t;
    return std::sin(a) / a;
}

float filterValue(int kind, float x)
{
    const float ax = std::fabs(x);
    switch (static_cast<FilterKind>(kind)) {
    case FilterKind::Triangle:
        return ax < 1.f ? 1.f - ax : 0.f;
    case FilterKind::Hermite:
        return ax < 1.f ? (2.f * ax - 3.f) * ax * ax + 1.f : 0.f;
    case FilterKind::Bell:
        if (ax < 0.5f)
            return 0.75f - x * x;
        if (ax < 1.5f) {
            const float t = ax - 1.5f;
            return 0.5f * t * t;
        }
        return 0.f;
    case FilterKind::BSpline:
        if (ax < 1.f)
            return 0.5f * ax * ax * ax - x * x + 2.f / 3.f;
        if (ax < 2.f) {
            const float t = 2.f - ax;
            return t * t * t / 6.f;
        }
        return 0.f;
    case FilterKind::Lanczos3:
        return ax < 3.f ? sinc(x) * sinc(x / 3.f) : 0.f;
    case FilterKind::Mitchell:
        if (ax < 1.f)
            return (7.f * ax * ax * ax - 12.f * x * x + 16.f / 3.f) / 6.f;
        if (ax < 2.f)
            return (-7.f / 3.f * ax * ax * ax + 12.f * x * x - 20.f * ax + 32.f / 3.f) / 6.f;
        return 0.f;
    }
    return 0.f;
}

ContributorTable buildContributors(int srcSize, int dstSize, int kind)
{
    assert(srcSize >= 1 && dstSize >= 1);
    const float support = filterSupport(kind);
    const float scale = srcSize == 1 ? static_cast<float>(dstSize) / static_cast<float>(srcSize)
                                     : static_cast<float>(dstSize - 1) / static_cast<float>(srcSize - 1);
    const bool enlarging = scale >= 1.f;
    const float reach = enlarging ? support : support / scale;
    const int capacity = static_cast<int>(2.f * reach + 1.f);

    ContributorTable table;
    table.first.reserve(static_cast<size_t>(dstSize) + 1);
    table.list.reserve(static_cast<size_t>(dstSize) * static_cast<size_t>(capacity));
    for (int i = 0; i < dstSize; ++i) {
        table.first.push_back(static_cast<int>(table.list.size()));
        const float center = static_cast<float>(i) / scale;
        const int left = static_cast<int>(std::floor(center - reach));
        const int right = static_cast<int>(std::ceil(center + reach));
        int count = 0;
        for (int j = left; j <= right && count < capacity; ++j) {
            const float distance = center - static_cast<float>(j);
            const float weight = enlarging ? filterValue(kind, distance)
                                           : filterValue(kind, distance * scale) * scale;
            if (weight == 0.f)
                continue;
            ++count;
            int n = j;
            if (j < 0)
                n = -j;
            else if (j >= srcSize)
                n = 2 * srcSize - 1 - j;
            if (n < 0 || n >= srcSize)
                continue; // weight 0: adds nothing
            table.list.push_back({n, weight});
        }
    }
    table.first.push_back(static_cast<int>(table.list.size()));
    return table;
}

} // namespace resample
