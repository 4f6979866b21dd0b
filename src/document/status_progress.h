#pragma once
// A progress indicator at the right of a status bar for long picture commands. While it shows,
// the window keeps repainting, so a long command leaves no frozen, blank window behind.

#include <QElapsedTimer>
#include <QPointer>

class QProgressBar;
class QStatusBar;

class StatusProgress {
public:
    // Shows percent (0..100) at the right of bar, and lets pending paints through; input waits
    // until the work ends. Between the start and the end, a step that follows the last shown
    // one too closely is not shown: repainting at every percent would cost the work itself
    // a good part of its time.
    void Show(QStatusBar* bar, int percent);
    void Hide();

    // The indicator; null until first shown.
    QProgressBar* Indicator() const;

private:
    QPointer<QProgressBar> indicator_;
    QElapsedTimer sinceShown_;
};
