#include "document/status_progress.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>
#include <atomic>

namespace {
// Some 25 steps a second look smooth.
constexpr qint64 MinimumStepMilliseconds = 40;
// How long the work runs before its pace tells whether it will be long.
constexpr qint64 FirstLookMilliseconds = 100;
std::atomic<int> leastDuration{500};
} // namespace

int StatusProgress::LeastDuration()
{
    return leastDuration.load();
}

void StatusProgress::SetLeastDuration(int milliseconds)
{
    leastDuration.store(milliseconds);
}

bool StatusProgress::worthShowing(int percent) const
{
    // The work is done: showing it now would only flash.
    if (percent >= 100 && LeastDuration() > 0)
        return false;
    const qint64 least = LeastDuration();
    const qint64 elapsed = started_.elapsed();
    if (elapsed >= least)
        return true;
    if (elapsed < std::min(FirstLookMilliseconds, least) || percent <= 0)
        return false;
    return elapsed * 100 / percent >= least;
}

void StatusProgress::Show(QStatusBar* bar, int percent)
{
    if (!bar)
        return;
    if (!started_.isValid())
        started_.start();
    const bool shown = indicator_ && !indicator_->isHidden();
    if (!shown && !worthShowing(percent))
        return;
    const bool between = percent > 0 && percent < 100;
    if (between && shown && sinceShown_.isValid() && sinceShown_.elapsed() < MinimumStepMilliseconds)
        return;
    sinceShown_.start();
    if (!indicator_) {
        indicator_ = new QProgressBar(bar);
        indicator_->setObjectName(QStringLiteral("Progress"));
        indicator_->setAccessibleName(QStringLiteral("Ход работы"));
        indicator_->setRange(0, 100);
        indicator_->setFixedWidth(150);
        bar->addPermanentWidget(indicator_);
    }
    indicator_->setValue(percent);
    indicator_->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void StatusProgress::Hide()
{
    started_.invalidate();
    if (indicator_)
        indicator_->hide();
}

QProgressBar* StatusProgress::Indicator() const
{
    return indicator_;
}
