#include "document/status_progress.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QStatusBar>

namespace {
// Some 25 steps a second look smooth.
constexpr qint64 MinimumStepMilliseconds = 40;
} // namespace

void StatusProgress::Show(QStatusBar* bar, int percent)
{
    if (!bar)
        return;
    const bool between = percent > 0 && percent < 100;
    if (between && indicator_ && indicator_->isVisible() && sinceShown_.isValid() &&
        sinceShown_.elapsed() < MinimumStepMilliseconds)
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
    if (indicator_)
        indicator_->hide();
}

QProgressBar* StatusProgress::Indicator() const
{
    return indicator_;
}
