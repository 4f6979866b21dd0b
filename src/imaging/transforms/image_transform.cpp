#include "imaging/transforms/image_transform.h"

#include <algorithm>

#include "imaging/transforms/row_workers.h"

void TImageTransform::Apply(TDibGraphic& Picture)
{
    TDibGraphic temporary;
    ApplyOnDest(Picture, temporary);
    // The result is taken over, not copied; the old image leaves with the temporary.
    Picture.SwapImage(temporary);
}

void TImageTransform::ApplyOnDest(const TDibGraphic&, TDibGraphic&)
{
    throw EPictureError(QStringLiteral("Method %1 not implemented for %2 class")
                            .arg(QStringLiteral("\"ApplyOnDest\""), ClassName()));
}

void TImageTransform::BeginProgress()
{
    ReportedPercent = 255;
    ReportPercent(0);
}

void TImageTransform::ReportPosition(int64_t p, int64_t a, int64_t b)
{
    if (!OnPercentChange)
        return;
    const int64_t percent = b == a ? 100 : std::clamp<int64_t>((p - a) * 100 / (b - a), 0, 100);
    ReportPercent(static_cast<int>(percent));
}

void TImageTransform::ReportPercent(int percent)
{
    if (!OnPercentChange || percent == ReportedPercent)
        return;
    ReportedPercent = static_cast<uint8_t>(percent);
    OnPercentChange(this, percent);
}

void TImageTransform::ForEachRows(int rows, int64_t workPerRow,
                                  const std::function<void(int worker, int first, int last)>& body,
                                  int64_t rowsBefore, int64_t rowsTotal)
{
    std::function<void(int)> rowsDone;
    if (OnPercentChange)
        rowsDone = [&](int done) { ReportPosition(rowsBefore + done, 0, rowsTotal); };
    row_workers::forEachRows(rows, workPerRow, body, rowsDone);
}
