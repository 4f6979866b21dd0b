// The status bar's progress indicator appears only for work long enough to want it, and each
// piece of work is judged afresh.

#include "document/status_progress.h"

#include <QProgressBar>
#include <QStatusBar>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

void runFor(std::chrono::milliseconds time)
{
    std::this_thread::sleep_for(time);
}

TEST(StatusProgress, ShowsOnlyForWorkExpectedToBeLong)
{
    using namespace std::chrono_literals;
    QStatusBar bar;
    StatusProgress progress;

    // Quick work: nothing appears, not even at its end.
    progress.Show(&bar, 0);
    progress.Show(&bar, 50);
    progress.Show(&bar, 100);
    progress.Hide();
    EXPECT_EQ(progress.Indicator(), nullptr);

    // A tenth of a second for nine tenths of the work: it ends soon, so still nothing.
    progress.Show(&bar, 0);
    runFor(120ms);
    progress.Show(&bar, 90);
    progress.Hide();
    EXPECT_EQ(progress.Indicator(), nullptr);

    // A tenth of a second for a tenth of the work: a second in all, so the indicator appears.
    progress.Show(&bar, 0);
    runFor(120ms);
    progress.Show(&bar, 10);
    ASSERT_NE(progress.Indicator(), nullptr);
    EXPECT_FALSE(progress.Indicator()->isHidden());
    EXPECT_EQ(progress.Indicator()->value(), 10);
    progress.Show(&bar, 100);
    EXPECT_EQ(progress.Indicator()->value(), 100);
    progress.Hide();
    EXPECT_TRUE(progress.Indicator()->isHidden());

    // The next work starts its own clock: quick again, so the indicator stays hidden.
    progress.Show(&bar, 0);
    progress.Show(&bar, 60);
    progress.Hide();
    EXPECT_TRUE(progress.Indicator()->isHidden());
}

} // namespace
