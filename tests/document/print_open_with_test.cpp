// Printing the work image to a PDF file, the printer kept between set-up and print, the preview
// of that print, and
// "&Открыть с помощью..." through an observer in place of the desktop.

#include "document/open_with.h"
#include "document/print_commands.h"
#include "modal_script.h"
#include "picture_window_fixture.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/brush.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMarginsF>
#include <QMenu>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

namespace {

constexpr int RenderDpi = 60;

// The page of the PDF rendered in grey at RenderDpi; null when it cannot be rendered.
QImage renderPdf(const QString& pdf, const QString& folder)
{
    const QString stem = folder + QStringLiteral("/page");
    QProcess renderer;
    renderer.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(RenderDpi), QStringLiteral("-gray"),
                                                QStringLiteral("-singlefile"), pdf, stem});
    if (!renderer.waitForFinished(30000) || renderer.exitCode() != 0)
        return {};
    return QImage(stem + QStringLiteral(".pgm"));
}

// The smallest rectangle holding every dark pixel.
QRect darkArea(const QImage& page)
{
    QRect area;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                area |= QRect(x, y, 1, 1);
    return area;
}

void preparePdfPrinter(QPrinter& printer, const QString& file, double marginMm)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setResolution(600);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
    // The program keeps one printer: another test may have turned its page.
    printer.setPageOrientation(QPageLayout::Portrait);
}

} // namespace

class PrintTest : public PictureWindowTest {
protected:
    // A window whose work image is black all over, w x h.
    TFormMain* blackPicture(int width, int height)
    {
        TFormMain* form = newPicture(width, height);
        TCanvas* canvas = form->Image->Picture()->Bitmap()->Canvas();
        canvas->Brush()->SetColor(clBlack);
        canvas->FillRect(Rect(0, 0, width, height));
        return form;
    }
    QTemporaryDir folder;
};

// A 600 x 400 picture at 600 dpi covers one inch by two thirds of an inch from the printable
// area's corner, whatever the margins put there; beyond the printable area it is cut off.
TEST_F(PrintTest, OnePicturePixelIsOnePrinterPixelFromTheTopLeftCorner)
{
    struct Case {
        int width, height;
        double marginMm;
        QRect expected; // in pixels at RenderDpi
    };
    const int inch = RenderDpi;
    const int margin = qRound(10.0 / 25.4 * RenderDpi);
    const int a4Width = qRound(210.0 / 25.4 * RenderDpi);
    const Case cases[] = {
        {600, 400, 0.0, QRect(0, 0, inch, inch * 2 / 3)},
        {600, 400, 10.0, QRect(margin, margin, inch, inch * 2 / 3)},
        // Wider than the page's printable width: the print stops at the right margin.
        {6000, 100, 10.0, QRect(margin, margin, a4Width - 2 * margin, inch / 6)},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index);
        TFormMain* form = blackPicture(c.width, c.height);
        const QString pdf = folder.filePath(QStringLiteral("print%1.pdf").arg(index++));
        widget_test::ModalScript script;
        QPrinter* shownPrinter = nullptr;
        script.then([&](QDialog& dialog) {
            auto& printDialog = dynamic_cast<QPrintDialog&>(dialog);
            EXPECT_EQ(printDialog.objectName(), QStringLiteral("PrintDialog1"));
            shownPrinter = printDialog.printer();
            preparePdfPrinter(*shownPrinter, pdf, c.marginMm);
            // done() rather than the OK button: the button would take the printer from the form.
            dialog.done(QDialog::Accepted);
        });
        form->Print1->trigger();
        ASSERT_EQ(script.count(), 1);
        ASSERT_TRUE(shownPrinter);
        const QImage page = renderPdf(pdf, folder.path());
        ASSERT_FALSE(page.isNull()) << "pdftoppm (poppler-utils) could not render " << pdf.toStdString();
        const QRect dark = darkArea(page);
        EXPECT_NEAR(dark.left(), c.expected.left(), 1);
        EXPECT_NEAR(dark.top(), c.expected.top(), 1);
        EXPECT_NEAR(dark.width(), c.expected.width(), 1);
        EXPECT_NEAR(dark.height(), c.expected.height(), 1);
    }
}

TEST_F(PrintTest, CancellingThePrintDialogPrintsNothing)
{
    TFormMain* form = blackPicture(600, 400);
    const QString pdf = folder.filePath(QStringLiteral("cancelled.pdf"));
    widget_test::ModalScript script;
    script.then([&](QDialog& dialog) {
        preparePdfPrinter(*dynamic_cast<QPrintDialog&>(dialog).printer(), pdf, 0.0);
        dialog.reject();
    });
    form->Print1->trigger();
    EXPECT_EQ(script.count(), 1);
    EXPECT_FALSE(QFile::exists(pdf));
}

// The set-up dialog works on the printer every later print of the window uses.
TEST_F(PrintTest, TheSetUpPrinterIsTheOneLaterPrintsUse)
{
    TFormMain* form = blackPicture(600, 400);
    const QString pdf = folder.filePath(QStringLiteral("setup.pdf"));
    QPrinter* setUp = nullptr;
    QPrinter* printedOn = nullptr;
    widget_test::ModalScript script;
    script.then([&](QDialog& dialog) {
        auto& setupDialog = dynamic_cast<QPageSetupDialog&>(dialog);
        EXPECT_EQ(setupDialog.objectName(), QStringLiteral("PrinterSetupDialog1"));
        setUp = setupDialog.printer();
        preparePdfPrinter(*setUp, pdf, 10.0);
        setUp->setPageOrientation(QPageLayout::Landscape);
        dialog.done(QDialog::Accepted);
    });
    script.then([&](QDialog& dialog) {
        printedOn = dynamic_cast<QPrintDialog&>(dialog).printer();
        dialog.done(QDialog::Accepted);
    });
    form->PrintSetup->trigger();
    form->Print1->trigger();
    ASSERT_EQ(script.count(), 2);
    EXPECT_EQ(setUp, printedOn);
    ASSERT_TRUE(printedOn);
    EXPECT_EQ(printedOn->pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_TRUE(QFile::exists(pdf));
}

// The printer is the program's: what one window's set-up chose, a print from another window
// uses, with no print dialog choice of its own.
TEST_F(PrintTest, TheSetUpOfOneWindowServesThePrintsOfEveryWindow)
{
    TFormMain* first = blackPicture(600, 400);
    TFormMain* second = blackPicture(300, 600);
    const QString pdf = folder.filePath(QStringLiteral("shared.pdf"));
    QPrinter* setUp = nullptr;
    QPrinter* printedOn = nullptr;
    widget_test::ModalScript script;
    script.then([&](QDialog& dialog) {
        setUp = dynamic_cast<QPageSetupDialog&>(dialog).printer();
        preparePdfPrinter(*setUp, pdf, 0.0);
        setUp->setPageOrientation(QPageLayout::Landscape);
        dialog.done(QDialog::Accepted);
    });
    script.then([&](QDialog& dialog) {
        printedOn = dynamic_cast<QPrintDialog&>(dialog).printer();
        dialog.done(QDialog::Accepted);
    });
    first->PrintSetup->trigger();
    second->Print1->trigger();
    ASSERT_EQ(script.count(), 2);
    EXPECT_EQ(setUp, printedOn);
    ASSERT_TRUE(printedOn);
    EXPECT_EQ(printedOn->pageLayout().orientation(), QPageLayout::Landscape);
    // The second window's picture, half an inch by one inch, on the landscape page.
    const QImage page = renderPdf(pdf, folder.path());
    ASSERT_FALSE(page.isNull()) << "the print did not reach the set-up printer's file";
    EXPECT_GT(page.width(), page.height());
    const QRect dark = darkArea(page);
    EXPECT_NEAR(dark.width(), RenderDpi / 2, 1);
    EXPECT_NEAR(dark.height(), RenderDpi, 1);
}

// The preview is the print: the same printer, one page, the picture one printer pixel to a pixel
// from the printable area's corner, and the dialog's own print sends that page.
TEST_F(PrintTest, ThePreviewShowsThePageThePrintWrites)
{
    TFormMain* form = blackPicture(600, 400);
    const QList<QAction*> items = form->File1->actions();
    const qsizetype printAt = items.indexOf(form->Print1);
    ASSERT_GE(printAt, 0);
    ASSERT_LT(printAt + 1, items.size());
    ASSERT_EQ(items[printAt + 1], form->PrintPreview1);
    EXPECT_EQ(form->PrintPreview1->text(), QStringLiteral("Предварительный просмотр..."));
    EXPECT_EQ(form->PrintPreview1->objectName(), QStringLiteral("PrintPreview1"));

    const QString pdf = folder.filePath(QStringLiteral("preview.pdf"));
    QImage shown;
    int pages = 0;
    widget_test::ModalScript script;
    script.then([&](QDialog& dialog) {
        auto& previewDialog = dynamic_cast<QPrintPreviewDialog&>(dialog);
        EXPECT_EQ(previewDialog.printer(), &PrintCommands::Shared().Printer());
        EXPECT_EQ(previewDialog.accessibleName(), previewDialog.windowTitle());
        preparePdfPrinter(*previewDialog.printer(), pdf, 10.0);
        auto* preview = previewDialog.findChild<QPrintPreviewWidget*>();
        ASSERT_TRUE(preview);
        preview->updatePreview();
        pages = preview->pageCount();
        preview->setZoomMode(QPrintPreviewWidget::FitInView);
        dialog.resize(700, 900);
        QCoreApplication::processEvents();
        shown = preview->grab().toImage();
        preview->print();
        dialog.reject();
    });
    form->PrintPreview1->trigger();
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(pages, 1);

    // On screen: the page is the white area; the picture's share of it is an inch of A4's width
    // from a 10 mm margin.
    ASSERT_FALSE(shown.isNull());
    QRect page;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) == qRgb(255, 255, 255))
                page |= QRect(x, y, 1, 1);
    ASSERT_GT(page.width(), 100);
    QRect picture;
    for (int y = page.top(); y <= page.bottom(); ++y)
        for (int x = page.left(); x <= page.right(); ++x)
            if (qGray(shown.pixel(x, y)) < 64)
                picture |= QRect(x, y, 1, 1);
    ASSERT_FALSE(picture.isEmpty()) << "the preview shows no picture";
    const double perMm = page.width() / 210.0;
    EXPECT_NEAR(picture.left() - page.left(), 10.0 * perMm, 2.0);
    EXPECT_NEAR(picture.top() - page.top(), 10.0 * perMm, 2.0);
    EXPECT_NEAR(picture.width(), 25.4 * perMm, 2.0);
    EXPECT_NEAR(picture.height(), 25.4 * perMm * 2 / 3, 2.0);

    // Printed from the preview: the same page as "&Печать..." writes.
    const QImage printed = renderPdf(pdf, folder.path());
    ASSERT_FALSE(printed.isNull()) << "the preview's print did not reach the printer";
    const int margin = qRound(10.0 / 25.4 * RenderDpi);
    const QRect dark = darkArea(printed);
    EXPECT_NEAR(dark.left(), margin, 1);
    EXPECT_NEAR(dark.top(), margin, 1);
    EXPECT_NEAR(dark.width(), RenderDpi, 1);
    EXPECT_NEAR(dark.height(), RenderDpi * 2 / 3, 1);
}

class OpenWithTest : public PictureWindowTest {
protected:
    void SetUp() override
    {
        PictureWindowTest::SetUp();
        previous = SetUrlOpener([this](const QUrl& url) { opened.push_back(url); });
    }
    void TearDown() override
    {
        SetUrlOpener(std::move(previous));
        PictureWindowTest::TearDown();
    }
    UrlOpener previous;
    std::vector<QUrl> opened;
};

TEST_F(OpenWithTest, AnUntitledWindowOpensNothing)
{
    TFormMain* form = newPicture(40, 30);
    ASSERT_TRUE(form->FileName.isEmpty());
    form->OpenWith1->trigger();
    EXPECT_TRUE(opened.empty());
}

// The file on disk goes to the desktop as a local URL; the window keeps its picture and state.
TEST_F(OpenWithTest, ATitledWindowHandsItsFileToTheDesktop)
{
    TFormMain* form = newPicture(40, 30);
    form->FileName = QStringLiteral("/tmp/картинка с пробелом.bmp");
    form->Modified = true;
    form->OpenWith1->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].isLocalFile());
    EXPECT_EQ(opened[0].toLocalFile(), form->FileName);
    EXPECT_TRUE(form->Modified);
}
