// Figures, wide pens and flood fills against the reference pictures, plus the properties the
// painter relies on (sorted spans, one visit per outline pixel, inverted boxes).

#include "reference_bmp.h"
#include "reference_replay.h"

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/geometry/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

using namespace gdi;
using namespace gdi::geometry;

namespace {

bool hasPrefix(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

std::vector<std::string> referenceCaseNames()
{
    std::vector<std::string> names;
    for (const auto& [name, c] : referenceCases()) {
        if (hasPrefix(name, "geom_") || hasPrefix(name, "penwidth_") || hasPrefix(name, "insideframe_") ||
            hasPrefix(name, "notxor_") || hasPrefix(name, "editor_") || hasPrefix(name, "flood_") ||
            hasPrefix(name, "polygon_") || name == "polyline_open_4")
            names.push_back(name);
    }
    return names;
}

// Cases whose reference pixels this layer does not reproduce, with the reason.
const std::map<std::string, std::string>& knownDifferences()
{
    static const std::map<std::string, std::string> known = {
    };
    return known;
}

class GeometryReferenceCase : public ::testing::TestWithParam<std::string> {};

TEST_P(GeometryReferenceCase, MatchesReferencePixels)
{
    const std::string name = GetParam();
    const ReferenceBitmap expected = readReferenceBitmap(referenceDir() + "/out/" + name + ".bmp");
    ASSERT_GT(expected.width, 0) << "reference picture missing for " << name;
    const ReplayResult replay = replayCase(referenceCases().at(name), expected);
    ASSERT_TRUE(replay.supported) << "replay cannot do " << replay.unsupportedReason;
    int count = 0;
    const std::string map = describeDifferences(expected, replay.picture, &count);
    // PICTAVO_GEOMETRY_STRICT=1 reports the known differences as failures, with their maps.
    const bool strict = std::getenv("PICTAVO_GEOMETRY_STRICT") != nullptr;
    const auto known = knownDifferences().find(name);
    if (!strict && known != knownDifferences().end()) {
        if (count == 0)
            ADD_FAILURE() << name << " now matches; drop it from the known differences";
        else
            GTEST_SKIP() << known->second << " (" << count << " pixels)";
        return;
    }
    EXPECT_EQ(count, 0) << name << ": " << count << " pixels differ\n" << map;
}

INSTANTIATE_TEST_SUITE_P(Corpus, GeometryReferenceCase, ::testing::ValuesIn(referenceCaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

} // namespace

namespace {

// Without a pen, the brush of an ellipse covers the outline pixels too (a Rectangle's brush
// stops short instead). The reference paints an ellipse that way with a pattern brush, whose
// colours do not matter here: every pixel it changed is brush area.
TEST(GeometryReferenceBrush, EllipseWithoutPenCoversItsOutline)
{
    const ReferenceBitmap picture = readReferenceBitmap(referenceDir() + "/out/patbrush_dib_24.bmp");
    ASSERT_GT(picture.width, 0);
    const Rect box{21, 1, 39, 23};
    SpanList painted;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 20; x < picture.width; ++x)
            if (picture.at(x, y) != 0xFFFFFFu) {
                if (!painted.empty() && painted.back().y == y && painted.back().x1 == x)
                    ++painted.back().x1;
                else
                    painted.push_back({y, x, x + 1});
            }
    EXPECT_EQ(ellipse(box).interior, painted);
}

} // namespace
