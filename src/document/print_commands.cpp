#include "document/print_commands.h"

#include "platform/forms/modal.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/qimage_conversion.h"
#include "platform/gdi/dib_surface.h"

#include <QCoreApplication>
#include <QObject>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>

namespace {

// Owned by the application object, which frees it before it goes itself.
class SharedPrinting : public QObject {
public:
    PrintCommands commands;
};

} // namespace

PrintCommands& PrintCommands::Shared()
{
    static QPointer<SharedPrinting> shared;
    if (!shared) {
        shared = new SharedPrinting;
        shared->setParent(QCoreApplication::instance());
    }
    return shared->commands;
}

void PrintCommands::PrintSetupClick(QWidget* parent)
{
    QPageSetupDialog dialog(&printer_, parent);
    dialog.setObjectName(QStringLiteral("PrinterSetupDialog1"));
    dialog.setAccessibleName(dialog.windowTitle());
    forms::Modal::exec(dialog);
}

void PrintCommands::Print1Click(QWidget* parent, const TBitmap& workImage)
{
    QPrintDialog dialog(&printer_, parent);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    dialog.setAccessibleName(dialog.windowTitle());
    if (forms::Modal::exec(dialog) != QDialog::Accepted)
        return;
    PrintBitmap(printer_, workImage);
}

void PrintCommands::PrintPreviewClick(QWidget* parent, const TBitmap& workImage)
{
    QPrintPreviewDialog dialog(&printer_, parent);
    dialog.setObjectName(QStringLiteral("PrintPreviewDialog1"));
    dialog.setWindowTitle(QStringLiteral("Предварительный просмотр"));
    dialog.setAccessibleName(dialog.windowTitle());
    // The dialog's own print button sends the page through the same routine.
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&workImage](QPrinter* printer) { PrintBitmap(*printer, workImage); });
    forms::Modal::exec(dialog);
}

void PrintCommands::PrintBitmap(QPrinter& printer, const TBitmap& bitmap)
{
    const gdi::DibSurface* surface = bitmap.Surface();
    if (!surface)
        return;
    // A copy: the job must not see the picture change while it is being sent.
    const QImage pixels = SurfaceToQImage(*surface);
    QPainter painter;
    if (!painter.begin(&printer))
        throw Exception(QStringLiteral("Не удалось начать печать на принтере \"%1\"").arg(printer.printerName()));
    // The painter's units are the printer's device pixels, its origin the printable area's corner;
    // what lies beyond the printable area is cut off, as a printer would.
    const QRect printable = printer.pageLayout().paintRectPixels(printer.resolution());
    painter.setClipRect(QRect(QPoint(0, 0), printable.size()));
    painter.drawImage(QPoint(0, 0), pixels);
    painter.end();
}
