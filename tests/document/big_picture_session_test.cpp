// A user's session on pictures at the size limit, run by hand on a release build (it takes
// minutes and gigabytes; the short test run leaves it out). scripts/make-big-png.py writes the
// files it is pointed at:
//   PICTAVO_BIG_PNG   a big 24-bit PNG (20000 x 20000, say): opened, drawn on, an effect with progress,
//                     saved as PNG and opened again, the rows compared
//   PICTAVO_GIGA_PNG  a 1-gigapixel PNG: refused with a message before its pixels are read
// Each step's time and the peak resident memory are printed.

#include "picture_window_fixture.h"

#include "document/file_commands.h"
#include "document/status_progress.h"
#include "editing/image_scroll_box.h"
#include "editing/slider.h"
#include "imaging/formats/picture_formats.h"
#include "modal_script.h"
#include "platform/framework/size_policy.h"
#include "widget_input.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using namespace widget_test;

long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::strlen(field)));
    return -1;
}

void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

class BigPictureSession : public PictureWindowTest {
protected:
    void SetUp() override
    {
        PictureWindowTest::SetUp();
        RegisterPictureFormats();
        std::printf("size rule: %.0f MiB for a picture, a window up to %.0f megapixels\n",
                    static_cast<double>(PictureSizePolicy::maxBytes()) / (1 << 20),
                    static_cast<double>(PictureSizePolicy::maxBytes()) / 7 / 1e6);
    }

    static void step(const char* what, QElapsedTimer& timer)
    {
        std::printf("%-40s %8.2f s   peak resident %6ld MiB\n", what, timer.restart() / 1000.0,
                    statusKilobytes("VmHWM:") / 1024);
        std::fflush(stdout);
    }

    TFormMain* open(TFormMain& issuing, const QString& path, QString* error = nullptr)
    {
        ModalScript script;
        script.then(chooseFile(path)).then(closeDialog());
        issuing.Open1->trigger();
        if (error)
            *error = script.count() > 1 ? script.shown()[1].text : QString();
        return FormMain;
    }
};

} // namespace

TEST_F(BigPictureSession, ABigPictureOpenedDrawnOnChangedSavedAndReopened)
{
    const QString source = qEnvironmentVariable("PICTAVO_BIG_PNG");
    if (source.isEmpty())
        GTEST_SKIP() << "PICTAVO_BIG_PNG names no file";
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/pictavo-big-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    TFormMain* start = newPicture(100, 100);
    QElapsedTimer timer;
    timer.start();
    {
        // A new picture of the same size, through "Новый", then closed unchanged.
        TFormMain* made = newPicture(20000, 20000, start);
        ASSERT_NE(made, start);
        EXPECT_EQ(made->GetGraphic()->GetWidth(), 20000);
        step("new 20000 x 20000 picture", timer);
        made->Close1->trigger();
        QCoreApplication::processEvents();
        step("closed", timer);
    }

    TFormMain* form = open(*start, source);
    ASSERT_NE(form, start);
    const int width = form->GetGraphic()->GetWidth();
    const int height = form->GetGraphic()->GetHeight();
    std::printf("%d x %d, 24 bits a pixel\n", width, height);
    step("opened", timer);
    ASSERT_GT(width, 300);
    ASSERT_GT(height, 200);

    form->RectangleButton->click();
    mouseDrag(form->ImageScrollBox1->ImageControl(), QPoint(10, 10), QPoint(300, 200));
    step("rectangle drawn with the mouse", timer);
    EXPECT_EQ(form->GetGraphic()->GetPixelRGB(10, 100), 0x000000u);

    const uint32_t before = form->GetGraphic()->GetPixelRGB(width * 3 / 4, height * 3 / 4);
    {
        ModalScript script;
        script.then(steps({setField(QStringLiteral("ChangeBar"), QStringLiteral("40")), pressButton(QStringLiteral("Да"))}));
        form->TransColor->trigger();
        ASSERT_EQ(script.count(), 1);
    }
    step("brightness +40 on the whole picture", timer);
    EXPECT_NE(form->GetGraphic()->GetPixelRGB(width * 3 / 4, height * 3 / 4), before);
    const auto* indicator = form->StatusBar1->findChild<QProgressBar*>(QStringLiteral("Progress"));
    ASSERT_NE(indicator, nullptr) << "no progress was shown";
    EXPECT_EQ(indicator->value(), 100);
    EXPECT_TRUE(form->Modified);

    mouseDrag(form->ImageScrollBox1->ImageControl(), QPoint(50, 50), QPoint(60, 60));
    step("a second figure after the effect", timer);

    const QString saved = dir.filePath(QStringLiteral("сохранённый.png"));
    {
        ModalScript script;
        script.then(chooseFile(saved, file_commands::PngEntry));
        form->Saveas1->trigger();
        ASSERT_EQ(script.count(), 1) << script.shown().value(1).text.toStdString();
    }
    step("saved as PNG", timer);
    EXPECT_FALSE(form->Modified);

    QString error;
    TFormMain* again = open(*form, saved, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_NE(again, form);
    step("opened again", timer);
    const TDibGraphic& a = *form->GetGraphic();
    const TDibGraphic& b = *again->GetGraphic();
    ASSERT_EQ(b.GetWidth(), width);
    ASSERT_EQ(b.GetHeight(), height);
    int differentRows = 0;
    for (int y = 0; y < height; ++y)
        differentRows += std::memcmp(a.ScanLine(y), b.ScanLine(y), 3 * static_cast<size_t>(width)) != 0;
    EXPECT_EQ(differentRows, 0);
    step("every row compared", timer);

    // The sliders start at their form's range, whatever the picture: one step down from there
    // cuts the picture to that width, then steps go by one pixel.
    TSlider& slider = *again->TrackBar1;
    slider.SetPosition(slider.Position() - 1);
    const int cut = again->GetGraphic()->GetWidth();
    step("width slider one step (picture cut)", timer);
    slider.SetPosition(cut + 1);
    step("width slider one pixel wider", timer);
    EXPECT_EQ(again->GetGraphic()->GetWidth(), cut + 1);
    EXPECT_LT(cut, width);
}

TEST_F(BigPictureSession, AGigapixelPictureIsRefusedBeforeItsPixelsAreRead)
{
    const QString source = qEnvironmentVariable("PICTAVO_GIGA_PNG");
    if (source.isEmpty())
        GTEST_SKIP() << "PICTAVO_GIGA_PNG names no file";
    TFormMain* start = newPicture(100, 100);
    const int windows = static_cast<int>(area.subWindowList().size());
    QElapsedTimer timer;
    timer.start();
    resetPeak();
    const long before = statusKilobytes("VmRSS:");
    QString error;
    TFormMain* form = open(*start, source, &error);
    const long peak = statusKilobytes("VmHWM:");
    step("1-gigapixel PNG chosen", timer);
    std::printf("message: %s\npeak resident growth: %ld MiB\n", error.toUtf8().constData(), (peak - before) / 1024);
    EXPECT_EQ(form, start);
    EXPECT_EQ(static_cast<int>(area.subWindowList().size()), windows);
    EXPECT_TRUE(error.endsWith(QStringLiteral(" точек слишком велик"))) << error.toStdString();
    EXPECT_LT(peak - before, 64 * 1024) << "kilobytes";
}
