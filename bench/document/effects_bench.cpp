// The "&Цвет" and "&Эффекты" commands on a 4000 x 3000 picture inside a picture window (undo
// snapshot, change, work image, redraw), each beside its change alone on a copy; and a
// texture-brush fill of the whole picture beside a memset of its bytes.
//
// The window's undo history is full before the first command, so that every command finds its
// undo slot made already, as after the first changes of a session; what a new slot costs while
// the history fills is measured on its own.

#include "document/form_main.h"
#include "document/new_bmp_form.h"
#include "editing/snapshot_store.h"
#include "editing/undo_history.h"
#include "imaging/commands/color_commands.h"
#include "imaging/commands/effect_commands.h"
#include "imaging/dib_graphic.h"
#include "imaging/transforms/color_depth_command.h"
#include "imaging/transforms/convolution_transform.h"
#include "imaging/transforms/lightness_transforms.h"
#include "imaging/transforms/saturation.h"
#include "platform/forms/modal.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/brush.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "photo_picture.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <random>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

const TDibGraphic& photo()
{
    static TDibGraphic picture;
    if (picture.GetEmpty())
        paintPhoto(picture, Width, Height);
    return picture;
}

// One picture window holding the photo, made once.
TFormMain& window()
{
    // Left to the end of the process: a widget must not outlive the application object.
    static auto* sizeDialog = new TNewBMPForm;
    static TFormMain* form = [] {
        NewBMPForm = sizeDialog;
        forms::Modal::ScopedHandler answer([](QDialog& dialog) {
            NewBMPForm->WidthEdit->setText(QString::number(Width));
            NewBMPForm->HeightEdit->setText(QString::number(Height));
            dialog.accept();
        });
        TFormMain* made = TFormMain::NewPicture(nullptr, nullptr);
        made->resize(1000, 700);
        made->show();
        for (int slot = 1; slot < UndoHistory::SlotCount; ++slot)
            made->Host().TakeSnapshot();
        return made;
    }();
    return *form;
}

using Command = std::function<void(PictureHost&)>;
using Change = std::function<void(TDibGraphic&, TImage&)>;

// The window's host with the time of each step the command asks of it added up, so that a
// command's overhead shows where it goes.
class TimedHost : public PictureHost {
public:
    explicit TimedHost(PictureHost& window) : window_(window) {}

    TDibGraphic* Picture() override { return window_.Picture(); }
    void SetModified() override { window_.SetModified(); }
    TImage* WorkImage() override { return window_.WorkImage(); }
    void SetStatusText(int panel, const QString& text) override { window_.SetStatusText(panel, text); }
    void TakeSnapshot() override { timed(snapshot, [this] { window_.TakeSnapshot(); }); }
    void UpdateWorkImage() override { timed(workImage, [this] { window_.UpdateWorkImage(); }); }
    void Redraw() override { timed(redraw, [this] { window_.Redraw(); }); }
    void ShowProgress(int percent) override { timed(progress, [&] { window_.ShowProgress(percent); }); }
    void HideProgress() override { timed(progress, [this] { window_.HideProgress(); }); }

    double snapshot = 0, workImage = 0, redraw = 0, progress = 0; // seconds

private:
    template <typename Step>
    static void timed(double& total, Step step)
    {
        const auto start = std::chrono::steady_clock::now();
        step();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    PictureHost& window_;
};

void inWindow(benchmark::State& state, const Command& command)
{
    TFormMain& form = window();
    const auto reset = [&form] {
        form.GetGraphic()->Assign(const_cast<TDibGraphic*>(&photo()));
        QCoreApplication::processEvents();
    };
    // One run untimed, so that what the first command after a new window or another command
    // does once is not counted against this one.
    reset();
    command(form.Host());
    QCoreApplication::processEvents();
    TimedHost host(form.Host());
    double paint = 0;
    for (auto _ : state) {
        state.PauseTiming();
        reset();
        state.ResumeTiming();
        command(host);
        // The view renders at its next paint: that is part of the command's redraw.
        const auto start = std::chrono::steady_clock::now();
        QCoreApplication::processEvents();
        paint += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    // Milliseconds per run spent in each step around the change.
    const auto perRun = [&](double seconds) { return benchmark::Counter(seconds * 1000 / state.iterations()); };
    state.counters["snapshot"] = perRun(host.snapshot);
    state.counters["work"] = perRun(host.workImage);
    state.counters["progress"] = perRun(host.progress);
    state.counters["redraw"] = perRun(host.redraw + paint);
}

void alone(benchmark::State& state, const Change& change)
{
    TDibGraphic picture;
    TImage work;
    work.Picture()->Bitmap()->SetPixelFormat(pf32bit);
    work.Picture()->Bitmap()->SetSize(Width, Height);
    for (auto _ : state) {
        state.PauseTiming();
        picture.Assign(const_cast<TDibGraphic*>(&photo()));
        state.ResumeTiming();
        change(picture, work);
    }
}

template <typename Transform>
Change transform(std::function<void(Transform&)> setUp)
{
    return [setUp](TDibGraphic& picture, TImage&) {
        Transform t;
        setUp(t);
        t.Apply(picture);
    };
}

void registerPair(const char* name, Command command, Change change)
{
    benchmark::RegisterBenchmark((std::string(name) + "/command").c_str(),
                                 [command](benchmark::State& s) { inWindow(s, command); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(4);
    benchmark::RegisterBenchmark((std::string(name) + "/alone").c_str(),
                                 [change](benchmark::State& s) { alone(s, change); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(4);
}

void registerAll()
{
    registerPair("Brightness", [](PictureHost& h) { BrightnessCommand(h, 20); },
                 transform<TBrightnessTransform>([](TBrightnessTransform& t) { t.SetAmount(20); }));
    registerPair("Contrast", [](PictureHost& h) { ContrastCommand(h, true); },
                 transform<TContrastTransform>([](TContrastTransform& t) { t.Enhance = true; }));
    registerPair("Sharpen", [](PictureHost& h) { SharpenCommand(h, 30); },
                 transform<TSharpenTransform>([](TSharpenTransform& t) { t.Strength = 30; }));
    registerPair("Smooth", [](PictureHost& h) { SmoothCommand(h, 30); },
                 transform<TSmoothTransform>([](TSmoothTransform& t) { t.Strength = 30; }));
    registerPair("Saturation", [](PictureHost& h) { SaturationCommand(h, 80); },
                 [](TDibGraphic& p, TImage&) { ChangeSaturation(p, SaturationChange(80)); });
    const std::pair<const char*, TImageFormat> formats[] = {
        {"ToBlackWhite", ifBlackWhite}, {"ToGray16", ifGray16},   {"ToGray256", ifGray256},
        {"ToColor16", ifColor16},       {"ToColor256", ifColor256}, {"ToTrueColor", ifTrueColor},
    };
    for (const auto& [name, format] : formats) {
        const TImageFormat f = format;
        registerPair(name, [f](PictureHost& h) { ConvertColorDepthCommand(h, f); },
                     [f](TDibGraphic& p, TImage& work) { ConvertColorDepth(p, work, f); });
    }
    registerPair("Invert", [](PictureHost& h) { InvertColorsCommand(h); }, [](TDibGraphic& p, TImage&) {
        TCanvas& canvas = *p.Canvas();
        canvas.SetCopyMode(cmNotSrcCopy);
        const TRect whole{0, 0, p.GetWidth(), p.GetHeight()};
        canvas.CopyRect(whole, &canvas, whole);
    });
}

// An undo snapshot of the photo into a slot made before, and into new slots one after another
// as while the history fills: these take memory the program did not hold yet.
void BM_SnapshotUsedSlot(benchmark::State& state)
{
    SnapshotStore store(1);
    store.store(0, photo());
    for (auto _ : state)
        store.store(0, photo());
}
BENCHMARK(BM_SnapshotUsedSlot)->Unit(benchmark::kMillisecond)->Iterations(UndoHistory::LastSlot);

void BM_SnapshotNewSlot(benchmark::State& state)
{
    SnapshotStore store(UndoHistory::SlotCount);
    int slot = 0;
    for (auto _ : state)
        store.store(slot++, photo());
}
BENCHMARK(BM_SnapshotNewSlot)->Unit(benchmark::kMillisecond)->Iterations(UndoHistory::LastSlot);

// A 256 x 256 photo as the brush, filling the whole true-colour picture.
void BM_TextureFill(benchmark::State& state)
{
    TDibGraphic picture;
    picture.NewImage(Width, Height, ifTrueColor, nullptr, 0, 0);
    TDibGraphic tilePhoto;
    paintPhoto(tilePhoto, 256, 256);
    TBitmap texture;
    texture.SetPixelFormat(pf24bit);
    texture.SetSize(256, 256);
    tilePhoto.Draw(*texture.Canvas(), TRect{0, 0, 256, 256});
    picture.Canvas()->Brush()->SetBitmap(&texture);
    for (auto _ : state)
        picture.Canvas()->FillRect(TRect{0, 0, Width, Height});
    state.SetBytesProcessed(state.iterations() * int64_t{picture.RowBytes()} * Height);
}
BENCHMARK(BM_TextureFill)->Unit(benchmark::kMillisecond);

void BM_TextureFillMemset(benchmark::State& state)
{
    TDibGraphic picture;
    picture.NewImage(Width, Height, ifTrueColor, nullptr, 0, 0);
    const size_t bytes = static_cast<size_t>(picture.RowBytes()) * Height;
    int value = 0;
    for (auto _ : state) {
        std::memset(picture.Bits(), ++value, bytes);
        benchmark::DoNotOptimize(picture.Bits());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_TextureFillMemset)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
