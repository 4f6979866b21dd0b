#include "document/status_progress.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QStatusBar>

void StatusProgress::Show(QStatusBar* bar, int percent)
{
    if (!bar)
        return;
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
