// Fuzz entry point of the metafile reader and player: whatever loads is played into a small
// bitmap, so every record reaches the raster layer.
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"
#include "platform/metafile/metafile.h"

#include <QGuiApplication>

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Text needs the font engine, and single inputs stay within the fuzzer's memory limit.
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_metafile";
        static char* argv[] = {name, nullptr};
        PictureSizePolicy::setMaxBytes(uint64_t{16} << 20);
        return new QGuiApplication(argc, argv);
    }();
    (void)app;

    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    stream.SetPosition(0);
    TMetafile metafile;
    try {
        metafile.LoadFromStream(stream);
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetWidth(std::min(metafile.Width(), 256));
        bitmap.SetHeight(std::min(metafile.Height(), 256));
        metafile.Draw(*bitmap.Canvas(), TRect{0, 0, bitmap.Width(), bitmap.Height()});
    } catch (const Exception&) {
    }
    return 0;
}
