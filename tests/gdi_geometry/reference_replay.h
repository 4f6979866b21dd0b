#pragma once
// Replays a reference case with the geometry of this library and a minimal painter (solid and
// hatched brushes, solid pens, every mix mode on stored values), so its pixels can be compared
// with the picture the reference made.

#include "reference_bitmap.h"
#include "reference_cases.h"

#include <string>

struct ReplayResult {
    bool supported = true;
    std::string unsupportedReason;
    ReferenceBitmap picture;   // colour table taken from the reference
};

ReplayResult replayCase(const ReferenceCase& c, const ReferenceBitmap& reference);

// A readable map of the differences: '.' equal, 'X' differs; empty when equal.
std::string describeDifferences(const ReferenceBitmap& expected, const ReferenceBitmap& actual,
                                int* count);
