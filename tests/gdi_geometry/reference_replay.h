#pragma once
// Replays a reference case with the geometry of this library and a minimal painter (solid and
// hatched brushes, solid pens, every mix mode on stored values), so its pixels can be compared
// with the picture the reference made.

#include "reference_bmp.h"

#include <map>
#include <string>
#include <vector>

struct ReferenceCase {
    std::string name;
    std::vector<std::vector<std::string>> lines;   // tokens of each directive
};

// Every case of the corpus, by lower-case name.
const std::map<std::string, ReferenceCase>& referenceCases();
std::string referenceDir();

struct ReplayResult {
    bool supported = true;
    std::string unsupportedReason;
    ReferenceBitmap picture;   // colour table taken from the reference
};

ReplayResult replayCase(const ReferenceCase& c, const ReferenceBitmap& reference);

// A readable map of the differences: '.' equal, 'X' differs; empty when equal.
std::string describeDifferences(const ReferenceBitmap& expected, const ReferenceBitmap& actual,
                                int* count);
