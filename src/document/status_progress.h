#pragma once
// A progress indicator at the right of a status bar for long picture commands. While it shows,
// the window keeps repainting, so a long command leaves no frozen, blank window behind. Work
// that ends quickly shows nothing: a bar flashing up for a moment only distracts, and showing
// it costs the work a repaint of its own.

#include <QElapsedTimer>
#include <QPointer>

class QProgressBar;
class QStatusBar;

class StatusProgress {
public:
    // Reports percent (0..100) of the work under way, which starts with the first report after
    // Hide. The indicator appears once the work is expected to take at least LeastDuration
    // (judged after a tenth of a second at the most) or has taken it; while it shows, pending
    // paints get through, and input waits until the work ends. Between the start and the end,
    // a step that follows the last shown one too closely is not shown: repainting at every
    // percent would cost the work itself a good part of its time.
    void Show(QStatusBar* bar, int percent);
    // Ends the work under way.
    void Hide();

    // The indicator; null until first shown.
    QProgressBar* Indicator() const;

    // Milliseconds of expected work below which nothing is shown; tests set 0 to see every step.
    static int LeastDuration();
    static void SetLeastDuration(int milliseconds);

private:
    bool worthShowing(int percent) const;

    QPointer<QProgressBar> indicator_;
    QElapsedTimer started_;
    QElapsedTimer sinceShown_;
};
