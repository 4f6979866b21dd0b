#pragma once
// "Установки печати", "&Печать..." and its preview: one printer for the whole program, chosen in the set-up
// dialog of any window and kept for every later print of every window.

#include <QPrinter>

class QWidget;
class TBitmap;

class PrintCommands {
public:
    // The program's printer, made at the first print command and kept until the application
    // object goes (a printer must not outlive it).
    static PrintCommands& Shared();

    // PrinterSetupDialog1: the chosen printer and page stay in Printer(); nothing else happens.
    void PrintSetupClick(QWidget* parent);
    // PrintDialog1, then the work image's bitmap on one page; nothing when cancelled.
    void Print1Click(QWidget* parent, const TBitmap& workImage);
    // "Предварительный просмотр...": the page Print1Click would send, drawn by the same routine
    // on the same printer, so what is seen is what is printed.
    void PrintPreviewClick(QWidget* parent, const TBitmap& workImage);

    QPrinter& Printer() { return printer_; }

    // One picture pixel to one printer pixel from the printable area's top-left corner: no
    // scaling to the page or to the printer's resolution; what lies beyond is cut off.
    static void PrintBitmap(QPrinter& printer, const TBitmap& bitmap);

private:
    QPrinter printer_{QPrinter::HighResolution};
};
