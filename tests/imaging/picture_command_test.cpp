#include "imaging/picture_command.h"

#include "imaging/dib_graphic.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

// Records the order in which a command reaches its host.
class RecordingHost : public PictureHost {
public:
    explicit RecordingHost(bool withPicture)
    {
        if (withPicture)
            picture_.NewImage(4, 3, ifTrueColor, nullptr, 0, 0);
        hasPicture_ = withPicture;
    }

    TDibGraphic* Picture() override { return hasPicture_ ? &picture_ : nullptr; }
    void SetModified() override { log += "modified "; }
    void TakeSnapshot() override { log += "snapshot "; }
    void UpdateWorkImage() override { log += "work "; }
    void Redraw() override { log += "redraw "; }

    std::string log;

private:
    TDibGraphic picture_;
    bool hasPicture_ = false;
};

using WorkImage = PictureCommandSteps::WorkImage;

struct StepCase {
    const char* name;
    PictureCommandSteps steps;
    const char* expected;
};

class PictureCommandOrder : public testing::TestWithParam<StepCase> {};

TEST_P(PictureCommandOrder, StepsRunInTheOrderEveryCommandKeeps)
{
    RecordingHost host(true);
    RunPictureCommand(host, GetParam().steps, [&](TDibGraphic&) { host.log += "change "; });
    EXPECT_EQ(host.log, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, PictureCommandOrder,
    testing::Values(StepCase{"Default", {}, "snapshot change work modified redraw "},
                    StepCase{"WorkImageBefore", {true, WorkImage::BeforeChange}, "snapshot work change modified redraw "},
                    StepCase{"NoSnapshotNoWorkImage", {false, WorkImage::Untouched}, "change modified redraw "}),
    [](const testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

TEST(PictureCommand, ChangeGetsTheHostsPicture)
{
    RecordingHost host(true);
    TDibGraphic* seen = nullptr;
    RunPictureCommand(host, {}, [&](TDibGraphic& picture) { seen = &picture; });
    EXPECT_EQ(seen, host.Picture());
}

TEST(PictureCommand, WithoutAPictureNothingHappens)
{
    RecordingHost host(false);
    bool changed = false;
    RunPictureCommand(host, {}, [&](TDibGraphic&) { changed = true; });
    EXPECT_FALSE(changed);
    EXPECT_EQ(host.log, "");
}

// A failing change keeps the snapshot taken before it and runs nothing after it, so the
// picture is neither marked modified nor copied to the work image half-changed.
TEST(PictureCommand, AFailingChangeStopsTheCommandThere)
{
    RecordingHost host(true);
    EXPECT_THROW(RunPictureCommand(host, {true, WorkImage::BeforeChange},
                                   [](TDibGraphic&) { throw std::runtime_error("failed"); }),
                 std::runtime_error);
    EXPECT_EQ(host.log, "snapshot work ");
}

} // namespace
