// A long run of the real editor, for scripts/history-editor-run.sh rather than the test suite:
// ten windows of an A4 page scanned at 600 dpi, 24 brightness steps in each through the
// "&Эффекты" menu, one history budget for all. It reports the resident memory against what the
// pictures, their work images and the budget account for, then undoes every window through its
// "Отменить" item back to the picture it opened with, which must come back exactly.
//
// PICTAVO_HISTORY_RUN_WINDOWS, _WIDTH, _HEIGHT and _STEPS make it smaller; config.ini in the
// working directory the run makes holds the budget, 1 GB unless PICTAVO_HISTORY_RUN_BUDGET_MB.

#include "editing/history_band.h"
#include "frame_fixture.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/bitmap.h"

#include <QFile>
#include <QImage>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

using namespace widget_test;

int setting(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

double residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024.0;
    return 0;
}

uint64_t fingerprint(const TDibGraphic& picture)
{
    // FNV-1a over the rows: the first pictures are not kept whole, which would double the memory.
    const uint8_t* bits = picture.Bits();
    const size_t bytes = static_cast<size_t>(picture.RowBytes()) * static_cast<size_t>(picture.GetHeight());
    uint64_t hash = 1469598103934665603ull;
    for (size_t i = 0; i < bytes; ++i)
        hash = (hash ^ bits[i]) * 1099511628211ull;
    return hash ^ bytes;
}

class HistoryEditorRun : public FrameTest {
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QFile config(dir.filePath(QStringLiteral("config.ini")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        QTextStream(&config) << "[History]\nMemoryMB=" << setting("PICTAVO_HISTORY_RUN_BUDGET_MB", 1024) << "\n";
        config.close();
        FrameTest::SetUp();
    }
    void TearDown() override
    {
        FrameTest::TearDown();
        QDir::setCurrent(previous);
    }

    QTemporaryDir dir;
    QString previous;
};

// A scanned page stands in as smooth shading with grain.
QString writePage(const QString& path, int width, int height)
{
    QImage page(width, height, QImage::Format_RGB888);
    std::mt19937 random(11);
    for (int y = 0; y < height; ++y) {
        uchar* row = page.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int grain = static_cast<int>(random() % 9) - 4;
            row[3 * x] = static_cast<uchar>(std::clamp(40 + (x * 180) / width + grain, 0, 255));
            row[3 * x + 1] = static_cast<uchar>(std::clamp(40 + (y * 180) / height + grain, 0, 255));
            row[3 * x + 2] = static_cast<uchar>(std::clamp(120 + grain, 0, 255));
        }
    }
    page.save(path, "BMP");
    return path;
}

} // namespace

TEST_F(HistoryEditorRun, TenPagesTwentyFourEffectsEachThenEveryWindowUndoesToItsFirstPicture)
{
    const int windowCount = setting("PICTAVO_HISTORY_RUN_WINDOWS", 10);
    const int width = setting("PICTAVO_HISTORY_RUN_WIDTH", 4960);
    const int height = setting("PICTAVO_HISTORY_RUN_HEIGHT", 7015);
    const int stepCount = setting("PICTAVO_HISTORY_RUN_STEPS", 24);
    history::HistoryMemory& memory = history::HistoryMemory::instance();
    std::printf("budget %.0f MB\n", memory.budget() / 1048576.0);

    const QString page = writePage(dir.filePath(QStringLiteral("page.bmp")), width, height);
    std::vector<uint64_t> first;
    for (int i = 0; i < windowCount; ++i) {
        frame->OpenFilesByName({page}, nullptr);
        QApplication::processEvents();
        ASSERT_EQ(windows().size(), i + 1);
        first.push_back(fingerprint(*windows().back()->GetGraphic()));
    }
    for (TFormMain* window : windows()) {
        for (int step = 0; step < stepCount; ++step) {
            ModalScript script;
            script.then(steps({setField(QStringLiteral("ChangeBar"), QString::number(step % 2 == 0 ? 12 : -9)),
                               pressButton(QStringLiteral("Да"))}));
            window->TransColor->trigger();
            ASSERT_EQ(script.count(), 1);
        }
        QApplication::processEvents();
    }
    memory.settle();
    QApplication::processEvents();

    const double picture = static_cast<double>(gdi::DibSurface::rowBytesFor(width, 24)) * height;
    const double work = 4.0 * width * height;
    const double accounted = windowCount * (picture + work) + static_cast<double>(memory.budget());
    const double resident = residentBytes();
    std::printf("windows %d of %d x %d, %d effects each\n", windowCount, width, height, stepCount);
    std::printf("history: in memory %.0f MB, spilled %.0f MB\n", memory.memoryBytes() / 1e6,
                memory.spilledBytes() / 1e6);
    std::printf("resident %.0f MB; pictures %.0f MB + work images %.0f MB + budget %.0f MB = %.0f MB; "
                "resident / that = %.3f (target at most 1.10)\n",
                resident / 1e6, windowCount * picture / 1e6, windowCount * work / 1e6, memory.budget() / 1e6,
                accounted / 1e6, resident / accounted);
    EXPECT_LE(resident, 1.10 * accounted);

    const QList<TFormMain*> all = windows();
    for (int i = 0; i < all.size(); ++i) {
        for (int step = 0; step < stepCount; ++step)
            all[i]->Undo1->trigger();
        EXPECT_FALSE(all[i]->Undo1->isEnabled());
        EXPECT_EQ(fingerprint(*all[i]->GetGraphic()), first[static_cast<size_t>(i)]) << "window " << i;
    }
}
