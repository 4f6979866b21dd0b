// Per-operation timings of the transforms on a 1000 x 750 picture, next to the pixel-by-pixel
// reference where that is cheap enough to run.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "imaging/transforms/color_depth.h"
#include "imaging/transforms/convolution_transform.h"
#include "photo_picture.h"
#include "imaging/transforms/lightness_transforms.h"
#include "imaging/transforms/resize_transform.h"
#include "imaging/transforms/saturation.h"
#include "imaging/transforms/transform_reference.h"

namespace {

constexpr int Width = 1000, Height = 750;

// Smooth gradients with noise: many distinct colours, as in a photo.
const TDibGraphic& photo()
{
    static TDibGraphic picture;
    if (picture.GetEmpty())
        paintPhoto(picture, Width, Height);
    return picture;
}

void pixels(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * int64_t{Width} * Height);
}

// Times change applied in place to a fresh copy of the photo each iteration.
template <typename Change>
void inPlace(benchmark::State& state, Change change)
{
    TDibGraphic picture;
    for (auto _ : state) {
        picture.AssignPicture(&photo());
        change(picture);
    }
    pixels(state);
}

// Times a transform that writes its result into a second picture.
template <typename Transform>
void onDest(benchmark::State& state)
{
    TDibGraphic dest;
    for (auto _ : state)
        Transform().ApplyOnDest(photo(), dest);
    pixels(state);
}

void Brightness(benchmark::State& state)
{
    inPlace(state, [](TDibGraphic& p) { TBrightnessTransform().Apply(p); });
}
BENCHMARK(Brightness)->Unit(benchmark::kMillisecond);

void BrightnessReference(benchmark::State& state)
{
    inPlace(state, [](TDibGraphic& p) { reference::brightness(p, 5); });
}
BENCHMARK(BrightnessReference)->Unit(benchmark::kMillisecond);

void Contrast(benchmark::State& state)
{
    inPlace(state, [](TDibGraphic& p) { TContrastTransform().Apply(p); });
}
BENCHMARK(Contrast)->Unit(benchmark::kMillisecond);

void Saturation(benchmark::State& state)
{
    inPlace(state, [](TDibGraphic& p) { ChangeSaturation(p, 0.125); });
}
BENCHMARK(Saturation)->Unit(benchmark::kMillisecond);

void Sharpen(benchmark::State& state) { onDest<TSharpenTransform>(state); }
BENCHMARK(Sharpen)->Unit(benchmark::kMillisecond);

void Smooth(benchmark::State& state) { onDest<TSmoothTransform>(state); }
BENCHMARK(Smooth)->Unit(benchmark::kMillisecond);

void Resize(benchmark::State& state)
{
    TResizeTransform resize;
    resize.Filtered = state.range(0) >= 0;
    resize.FilterKind = static_cast<uint8_t>(std::max<int64_t>(0, state.range(0)));
    resize.NewWidth = Width * state.range(1) / 100;
    resize.NewHeight = Height * state.range(1) / 100;
    TDibGraphic dest;
    for (auto _ : state)
        resize.ApplyOnDest(photo(), dest);
    pixels(state);
}
// Filter -1 is the unfiltered stretch; 0 triangle, 4 Lanczos3, 5 Mitchell.
BENCHMARK(Resize)->ArgsProduct({{-1, 0, 4, 5}, {50, 250}})->Unit(benchmark::kMillisecond);

// The photo as the work image's surface the conversion reads.
const gdi::DibSurface& drawnPhoto()
{
    static const std::unique_ptr<gdi::DibSurface> drawn = [] {
        auto surface = std::make_unique<gdi::DibSurface>(Width, Height, 24);
        for (int y = 0; y < Height; ++y)
            std::copy_n(photo().ScanLine(y), Width * 3, surface->scanLine(y));
        return surface;
    }();
    return *drawn;
}

void ConvertTo256Colours(benchmark::State& state)
{
    inPlace(state, [](TDibGraphic& p) { ConvertPictureFromSurface(p, drawnPhoto(), ifColor256); });
}
BENCHMARK(ConvertTo256Colours)->Unit(benchmark::kMillisecond);

void ConvertTo256ColoursReference(benchmark::State& state)
{
    inPlace(state, [](TDibGraphic& p) { reference::convertFromSurface(p, drawnPhoto(), ifColor256); });
}
BENCHMARK(ConvertTo256ColoursReference)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
