#pragma once
// The base of the picture transforms: Apply / ApplyOnDest and the progress protocol.

#include <QString>

#include <cstdint>
#include <functional>

#include "imaging/dib_graphic.h"

class TImageTransform {
public:
    // Sender is the transform; percent is 0..100.
    using TPercentChangeEvent = std::function<void(TImageTransform* sender, int percent)>;

    TImageTransform() = default;
    virtual ~TImageTransform() = default;
    TImageTransform(const TImageTransform&) = delete;
    TImageTransform& operator=(const TImageTransform&) = delete;

    virtual QString ClassName() const { return QStringLiteral("TImageTransform"); }

    // Transforms Picture. The generic form runs ApplyOnDest into a temporary picture and takes
    // its image over, so Picture is replaced only once ApplyOnDest has succeeded; the picture's
    // own frames and animation settings stay.
    virtual void Apply(TDibGraphic& Picture);
    // Writes the result into Dest; Source is only read. Raises "Method "ApplyOnDest" not
    // implemented for <class> class" in classes without their own.
    virtual void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest);

    TPercentChangeEvent OnPercentChange;
    // The last percentage passed to OnPercentChange; 255 until the first report of a run.
    uint8_t ReportedPercent = 255;

protected:
    // A run starts with a report at 0 and ends with one at 100.
    void BeginProgress();
    void EndProgress() { ReportPercent(100); }
    // Position p of the range a..b: (p - a) * 100 div (b - a), limited to 0..100; a range with
    // b = a reports 100. Nothing is computed without a handler.
    void ReportPosition(int64_t p, int64_t a, int64_t b);

    // Runs body(worker, firstRow, lastRow) over rows [0, rows), on this thread and, for big
    // jobs, on a second one (worker 0 or 1), reporting rowsBefore + rows done over 0..rowsTotal
    // from this thread only. body must not throw.
    void ForEachRows(int rows, int64_t workPerRow, const std::function<void(int worker, int first, int last)>& body,
                     int64_t rowsBefore, int64_t rowsTotal);

private:
    void ReportPercent(int percent);
};
