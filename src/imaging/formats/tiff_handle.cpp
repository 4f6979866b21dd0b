#include "imaging/formats/tiff_handle.h"

#include "imaging/dib_graphic.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>

struct TiffHandleCallbacks {
    static TiffHandle& self(thandle_t h) { return *static_cast<TiffHandle*>(h); }

    // No exception may cross libtiff's C frames: a stream that throws reports a short count.
    static tmsize_t read(thandle_t h, void* buffer, tmsize_t size)
    {
        try {
            return static_cast<tmsize_t>(self(h).stream_.Read(buffer, size));
        } catch (...) {
            return -1;
        }
    }
    static tmsize_t write(thandle_t h, void* buffer, tmsize_t size)
    {
        try {
            return static_cast<tmsize_t>(self(h).stream_.Write(buffer, size));
        } catch (...) {
            return -1;
        }
    }
    static toff_t seek(thandle_t h, toff_t offset, int whence)
    {
        TiffHandle& handle = self(h);
        const auto signedOffset = static_cast<int64_t>(offset);
        const TSeekOrigin origin = whence == SEEK_SET ? soBeginning : whence == SEEK_CUR ? soCurrent : soEnd;
        int64_t target = signedOffset;
        if (origin == soBeginning && __builtin_add_overflow(handle.base_, signedOffset, &target))
            return static_cast<toff_t>(-1);
        int64_t at = -1;
        try {
            at = handle.stream_.Seek(target, origin);
        } catch (...) {
        }
        return at < handle.base_ ? static_cast<toff_t>(-1) : static_cast<toff_t>(at - handle.base_);
    }
    static int close(thandle_t) { return 0; }
    static toff_t size(thandle_t h)
    {
        TiffHandle& handle = self(h);
        int64_t total = 0;
        try {
            total = handle.stream_.Size();
        } catch (...) {
        }
        return total < handle.base_ ? 0 : static_cast<toff_t>(total - handle.base_);
    }
    static int map(thandle_t, void**, toff_t*) { return 0; }
    static void unmap(thandle_t, void*, toff_t) {}

    // Keeps the first error: later ones are usually its consequences.
    static int error(TIFF*, void* user, const char*, const char* format, va_list args)
    {
        TiffHandle& handle = *static_cast<TiffHandle*>(user);
        if (handle.lastError_.empty()) {
            char text[512];
            std::vsnprintf(text, sizeof text, format, args);
            handle.lastError_ = text;
        }
        return 1;
    }
    // Warnings (unknown tags, odd but usable values) are not the user's concern.
    static int warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }
};

namespace {

// The library's global handlers print to stderr; only the per-handle ones may speak.
void silenceGlobalHandlers()
{
    static const bool silenced = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)silenced;
}

} // namespace

TiffHandle::TiffHandle(TStream& stream, Mode mode)
    : stream_(stream)
    , base_(stream.Position())
    , mode_(mode)
{
    silenceGlobalHandlers();
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(PictureSizePolicy::maxBytes()));
    TIFFOpenOptionsSetErrorHandlerExtR(options, &TiffHandleCallbacks::error, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &TiffHandleCallbacks::warning, this);
    // "m": the stream is never memory-mapped.
    tif_ = TIFFClientOpenExt("TIFF", mode == Mode::Read ? "rm" : "wm", this, &TiffHandleCallbacks::read,
                             &TiffHandleCallbacks::write, &TiffHandleCallbacks::seek, &TiffHandleCallbacks::close,
                             &TiffHandleCallbacks::size, &TiffHandleCallbacks::map, &TiffHandleCallbacks::unmap,
                             options);
    TIFFOpenOptionsFree(options);
    if (!tif_)
        fail(mode == Mode::Read ? QStringLiteral("это не файл TIFF") : QStringLiteral("Cannot write TIFF"));
}

TiffHandle::~TiffHandle()
{
    if (tif_)
        TIFFCleanup(tif_);
}

void TiffHandle::fail(const QString& what) const
{
    const QString reason = QString::fromLocal8Bit(lastError_);
    if (mode_ == Mode::Read)
        RaiseDamagedFile(reason.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, reason));
    if (reason.isEmpty())
        throw EPictureError(what);
    throw EPictureError(QStringLiteral("%1: %2").arg(what, reason));
}

void TiffHandle::finishWriting()
{
    const bool ok = TIFFFlush(tif_) == 1;
    TIFFCleanup(tif_);
    tif_ = nullptr;
    if (!ok)
        fail(QStringLiteral("Cannot write TIFF"));
}
