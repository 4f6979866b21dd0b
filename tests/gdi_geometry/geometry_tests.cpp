// Figures, wide pens and flood fills against the reference pictures, plus the properties the
// painter relies on (sorted spans, one visit per outline pixel, inverted boxes).

#include "reference_replay.h"

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/geometry/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>

using namespace gdi;
using namespace gdi::geometry;

namespace {

bool hasPrefix(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

bool isGeometryCase(const std::string& name)
{
    return hasPrefix(name, "geom_") || hasPrefix(name, "penwidth_") || hasPrefix(name, "insideframe_") ||
           hasPrefix(name, "notxor_") || hasPrefix(name, "editor_") || hasPrefix(name, "flood_") ||
           hasPrefix(name, "polygon_") || name == "polyline_open_4";
}

// Cases go in groups named by their first words ("geom_pie", "editor_sector", "flood", ...),
// one test each, so a run does not start a process per case.
std::string groupOf(const std::string& name)
{
    const size_t first = name.find('_');
    if (hasPrefix(name, "geom_") || hasPrefix(name, "editor_"))
        return name.substr(0, name.find('_', first + 1));
    return name.substr(0, first);
}

std::vector<std::string> caseGroups()
{
    std::set<std::string> groups;
    for (const ReferenceCase& c : referenceCorpusCases())
        if (isGeometryCase(c.name))
            groups.insert(groupOf(c.name));
    return {groups.begin(), groups.end()};
}

// Cases whose reference pixels this layer does not reproduce, with the reason.
const std::map<std::string, std::string>& knownDifferences()
{
    static const std::map<std::string, std::string> known = {
    };
    return known;
}

class GeometryReferenceCases : public ::testing::TestWithParam<std::string> {};

TEST_P(GeometryReferenceCases, MatchReferencePixels)
{
    // PICTAVO_GEOMETRY_STRICT=1 reports the known differences as failures, with their maps.
    const bool strict = std::getenv("PICTAVO_GEOMETRY_STRICT") != nullptr;
    int cases = 0;
    for (const ReferenceCase& c : referenceCorpusCases()) {
        const std::string& name = c.name;
        if (!isGeometryCase(name) || groupOf(name) != GetParam())
            continue;
        ++cases;
        SCOPED_TRACE(name);
        const std::optional<ReferenceBitmap> found = readReferenceBitmap(referencePicturePath(name));
        ASSERT_TRUE(found) << "reference picture missing for " << name;
        const ReferenceBitmap& expected = *found;
        const ReplayResult replay = replayCase(c, expected);
        ASSERT_TRUE(replay.supported) << "replay cannot do " << replay.unsupportedReason;
        int count = 0;
        const std::string map = describeDifferences(expected, replay.picture, &count);
        const auto known = knownDifferences().find(name);
        if (!strict && known != knownDifferences().end()) {
            EXPECT_NE(count, 0) << name << " now matches; drop it from the known differences";
            continue;
        }
        EXPECT_EQ(count, 0) << name << ": " << count << " pixels differ\n" << map;
    }
    EXPECT_GT(cases, 0);
}

INSTANTIATE_TEST_SUITE_P(Corpus, GeometryReferenceCases, ::testing::ValuesIn(caseGroups()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

} // namespace

namespace {

// Without a pen, the brush of an ellipse covers the outline pixels too (a Rectangle's brush
// stops short instead). The reference paints an ellipse that way with a pattern brush, whose
// colours do not matter here: every pixel it changed is brush area.
TEST(GeometryReferenceBrush, EllipseWithoutPenCoversItsOutline)
{
    const std::optional<ReferenceBitmap> found = readReferenceBitmap(referencePicturePath("patbrush_dib_24"));
    ASSERT_TRUE(found);
    const ReferenceBitmap& picture = *found;
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
