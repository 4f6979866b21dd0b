// Per-operation timings of the transforms on a 1000 x 750 picture, next to the pixel-by-pixel
// reference where that is cheap enough to run.

#include <benchmark/benchmark.h>

#include <random>

#include "imaging/transforms/color_depth.h"
#include "imaging/transforms/convolution_transform.h"
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
    if (picture.GetEmpty()) {
        picture.NewImage(Width, Height, ifTrueColor, nullptr, 0, 0);
        std::mt19937 random(3);
        for (int y = 0; y < Height; ++y) {
            uint8_t* row = picture.ScanLine(y);
            for (int x = 0; x < Width; ++x) {
                const int noise = static_cast<int>(random() % 9) - 4;
                row[3 * x] = static_cast<uint8_t>(std::clamp(x * 255 / Width + noise, 0, 255));
                row[3 * x + 1] = static_cast<uint8_t>(std::clamp(y * 255 / Height + noise, 0, 255));
                row[3 * x + 2] = static_cast<uint8_t>(std::clamp((x + y) * 255 / (Width + Height) - noise, 0, 255));
            }
        }
    }
    return picture;
}

void pixels(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * int64_t{Width} * Height);
}

void Brightness(benchmark::State& state)
{
    TDibGraphic picture;
    for (auto _ : state) {
        picture.AssignPicture(&photo());
        TBrightnessTransform().Apply(picture);
    }
    pixels(state);
}
BENCHMARK(Brightness)->Unit(benchmark::kMillisecond);

void BrightnessReference(benchmark::State& state)
{
    TDibGraphic picture;
    for (auto _ : state) {
        picture.AssignPicture(&photo());
        reference::brightness(picture, 5);
    }
    pixels(state);
}
BENCHMARK(BrightnessReference)->Unit(benchmark::kMillisecond);

void Contrast(benchmark::State& state)
{
    TDibGraphic picture;
    for (auto _ : state) {
        picture.AssignPicture(&photo());
        TContrastTransform().Apply(picture);
    }
    pixels(state);
}
BENCHMARK(Contrast)->Unit(benchmark::kMillisecond);

void Saturation(benchmark::State& state)
{
    TDibGraphic picture;
    for (auto _ : state) {
        picture.AssignPicture(&photo());
        ChangeSaturation(picture, 0.125);
    }
    pixels(state);
}
BENCHMARK(Saturation)->Unit(benchmark::kMillisecond);

void Sharpen(benchmark::State& state)
{
    TDibGraphic dest;
    for (auto _ : state)
        TSharpenTransform().ApplyOnDest(photo(), dest);
    pixels(state);
}
BENCHMARK(Sharpen)->Unit(benchmark::kMillisecond);

void Smooth(benchmark::State& state)
{
    TDibGraphic dest;
    for (auto _ : state)
        TSmoothTransform().ApplyOnDest(photo(), dest);
    pixels(state);
}
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

void ConvertTo256Colours(benchmark::State& state)
{
    gdi::DibSurface drawn(Width, Height, 24);
    for (int y = 0; y < Height; ++y)
        std::copy_n(photo().ScanLine(y), Width * 3, drawn.scanLine(y));
    TDibGraphic picture;
    for (auto _ : state) {
        picture.AssignPicture(&photo());
        ConvertPictureFromSurface(picture, drawn, ifColor256);
    }
    pixels(state);
}
BENCHMARK(ConvertTo256Colours)->Unit(benchmark::kMillisecond);

void ConvertTo256ColoursReference(benchmark::State& state)
{
    gdi::DibSurface drawn(Width, Height, 24);
    for (int y = 0; y < Height; ++y)
        std::copy_n(photo().ScanLine(y), Width * 3, drawn.scanLine(y));
    TDibGraphic picture;
    for (auto _ : state) {
        picture.AssignPicture(&photo());
        reference::convertFromSurface(picture, drawn, ifColor256);
    }
    pixels(state);
}
BENCHMARK(ConvertTo256ColoursReference)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
