#include "imaging/formats/webp_graphic.h"

#include "imaging/formats/remaining_bytes.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"
#include "platform/gdi/alpha_over_white.h"
#include "platform/gdi/packed_rows.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

// The largest side the format can store.
constexpr int kMaxSide = 16383;

[[noreturn]] void raiseStatus(VP8StatusCode status)
{
    if (status == VP8_STATUS_NOT_ENOUGH_DATA)
        RaiseDamagedFile(QStringLiteral("файл обрывается"));
    if (status == VP8_STATUS_OUT_OF_MEMORY)
        throw std::bad_alloc();
    RaiseDamagedFile(QStringLiteral("ошибка в данных WebP (код %1)").arg(static_cast<int>(status)));
}

// Rows of blue, green, red, alpha onto the picture's rows, laid over white as PNG's are.
void compositeOverWhite(const uint8_t* source, int sourceStride, gdi::DibSurface& surface)
{
    for (int y = 0; y < surface.height(); ++y, source += sourceStride)
        gdi::compositeRowOverWhite(source, surface.scanLine(y), surface.width());
}

struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

struct MemoryWriter {
    MemoryWriter() { WebPMemoryWriterInit(&writer); }
    ~MemoryWriter() { WebPMemoryWriterClear(&writer); }
    MemoryWriter(const MemoryWriter&) = delete;
    MemoryWriter& operator=(const MemoryWriter&) = delete;
    WebPMemoryWriter writer;
};

struct Picture {
    Picture() { WebPPictureInit(&picture); }
    ~Picture() { WebPPictureFree(&picture); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    WebPPicture picture;
};

QString encodeError(WebPEncodingError error)
{
    if (error == VP8_ENC_ERROR_OUT_OF_MEMORY || error == VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY)
        return QStringLiteral("недостаточно памяти");
    return QStringLiteral("код %1").arg(static_cast<int>(error));
}

} // namespace

std::unique_ptr<TGraphic> TWebpGraphic::CreateLike() const
{
    auto like = std::make_unique<TWebpGraphic>();
    like->lossless_ = lossless_;
    return like;
}

void TWebpGraphic::ReadImage(TStream& stream, int32_t /*imageIndex*/)
{
    const gdi::LargeBuffer file = ReadRemainingBytes(stream);
    Decode(file.bytes());
}

void TWebpGraphic::Decode(std::span<const uint8_t> file)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        throw EInvalidGraphic(QStringLiteral("WebP error: library version mismatch"));
    // The library also takes bare bitstreams; a file is a RIFF container of WebP.
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WEBP", 4) != 0)
        RaiseDamagedFile(QStringLiteral("это не файл WebP"));
    const VP8StatusCode status = WebPGetFeatures(file.data(), file.size(), &config.input);
    if (status != VP8_STATUS_OK)
        raiseStatus(status);
    const WebPBitstreamFeatures& features = config.input;
    PictureSizePolicy::checkFile(features.width, features.height, 24);

    if (features.has_animation) {
        // The first frame, drawn on the canvas as a player shows it before the second. The
        // decoder keeps two canvases of four bytes a pixel.
        PictureSizePolicy::checkFile(features.width, features.height, 64);
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options))
            throw EInvalidGraphic(QStringLiteral("WebP error: library version mismatch"));
        options.color_mode = MODE_BGRA;
        const WebPData data{file.data(), file.size()};
        std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> decoder(WebPAnimDecoderNew(&data, &options));
        if (!decoder)
            RaiseDamagedFile(QStringLiteral("ошибка в данных WebP (анимация)"));
        WebPAnimInfo info;
        if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || static_cast<int>(info.canvas_width) != features.width
            || static_cast<int>(info.canvas_height) != features.height)
            RaiseDamagedFile(QStringLiteral("ошибка в данных WebP (анимация)"));
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
            RaiseDamagedFile(QStringLiteral("ошибка в данных WebP (первый кадр)"));
        NewImage(features.width, features.height, ifTrueColor, nullptr, 0, 0);
        compositeOverWhite(canvas, features.width * 4, *DibSection());
        lossless_ = false;
        return;
    }

    config.options.use_threads = 1;
    WebPDecBuffer& output = config.output;
    output.is_external_memory = 1;
    std::vector<uint8_t> bgra;
    if (features.has_alpha) {
        PictureSizePolicy::checkFile(features.width, features.height, 32);
        bgra.resize(size_t{4} * static_cast<size_t>(features.width) * static_cast<size_t>(features.height));
        output.colorspace = MODE_BGRA;
        output.u.RGBA.rgba = bgra.data();
        output.u.RGBA.stride = features.width * 4;
        output.u.RGBA.size = bgra.size();
        NewImage(features.width, features.height, ifTrueColor, nullptr, 0, 0);
    } else {
        // Straight into the picture's bottom-up rows: flipped, the top row lands last.
        NewImage(features.width, features.height, ifTrueColor, nullptr, 0, 0);
        gdi::DibSurface& surface = *DibSection();
        output.colorspace = MODE_BGR;
        output.u.RGBA.rgba = surface.bits();
        output.u.RGBA.stride = surface.rowBytes();
        output.u.RGBA.size = surface.imageBytes();
        config.options.flip = 1;
    }
    const VP8StatusCode decoded = WebPDecode(file.data(), file.size(), &config);
    WebPFreeDecBuffer(&output);
    if (decoded != VP8_STATUS_OK) {
        FreeImage();
        raiseStatus(decoded);
    }
    if (features.has_alpha)
        compositeOverWhite(bgra.data(), features.width * 4, *DibSection());
    lossless_ = features.format == 2;
}

std::vector<uint8_t> TWebpGraphic::Encode() const
{
    const gdi::DibSurface& surface = *DibSection();
    const int width = surface.width();
    const int height = surface.height();
    if (width > kMaxSide || height > kMaxSide)
        throw EInvalidGraphic(QStringLiteral("Рисунок %1 x %2 точек не записать в WebP: стороны не больше %3 точек")
                                  .arg(width)
                                  .arg(height)
                                  .arg(kMaxSide));
    WebPConfig config;
    if (!WebPConfigInit(&config))
        throw EInvalidGraphic(QStringLiteral("WebP error: library version mismatch"));
    if (lossless_)
        config.lossless = 1; // at the library's default effort
    else
        config.quality = kLossyQuality;
    config.thread_level = 1;

    Picture picture;
    WebPPicture& pic = picture.picture;
    pic.width = width;
    pic.height = height;
    pic.use_argb = lossless_ ? 1 : 0;
    // The top row is stored last, so the rows are handed over from there with a negative step.
    int imported = 0;
    std::vector<uint32_t> colours;
    if (surface.bitsPerPixel() == 24) {
        imported = WebPPictureImportBGR(&pic, surface.scanLine(0), -surface.rowBytes());
    } else if (surface.bitsPerPixel() == 32) {
        imported = WebPPictureImportBGRX(&pic, surface.scanLine(0), -surface.rowBytes());
    } else {
        // Palettised rows as 0x00RRGGBB values, which in memory are blue, green, red, unused.
        uint32_t table[256] = {};
        const auto& entries = surface.colorTable();
        for (size_t i = 0; i < entries.size() && i < 256; ++i)
            table[i] = (uint32_t{entries[i].red} << 16) | (uint32_t{entries[i].green} << 8) | entries[i].blue;
        const gdi::PackedRowFormat& format = gdi::packedRowFormat(surface.bitsPerPixel());
        colours.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            format.fetchColors(surface.scanLine(y), 0, width, table, colours.data() + static_cast<size_t>(y) * width);
        imported = WebPPictureImportBGRX(&pic, reinterpret_cast<const uint8_t*>(colours.data()), width * 4);
    }
    if (!imported)
        throw std::bad_alloc();
    colours = {};

    MemoryWriter writer;
    pic.writer = WebPMemoryWrite;
    pic.custom_ptr = &writer.writer;
    if (!WebPEncode(&config, &pic))
        throw EInvalidGraphic(QStringLiteral("WebP error: %1").arg(encodeError(pic.error_code)));
    return std::vector<uint8_t>(writer.writer.mem, writer.writer.mem + writer.writer.size);
}

void TWebpGraphic::SaveToStream(TStream& stream)
{
    if (GetEmpty())
        return;
    stream.WriteBuffer(Encode());
}
