// pictavo-bench OP IN OUT [ARG]: reads a picture (binary PPM, or any registered extension through
// the editor's own picture classes), runs one editor operation through the same code the editor
// runs, and writes the result (PPM, or the registered class of OUT's extension). Whole-process timings of this tool are compared with other programs by
// compare.sh. Times of the three stages go to standard error.

#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/picture.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QString>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/dib_graphic.h"
#include "imaging/formats/picture_formats.h"
#include "imaging/transforms/antialias_transform.h"
#include "imaging/transforms/color_depth.h"
#include "imaging/transforms/convolution_transform.h"
#include "imaging/transforms/lightness_transforms.h"
#include "imaging/transforms/negative_transform.h"
#include "imaging/transforms/orientation_transform.h"
#include "imaging/transforms/resize_transform.h"
#include "imaging/transforms/rotate_transform.h"
#include "imaging/transforms/saturation.h"
#include "platform/framework/bmp_codec.h"
#include "platform/framework/safe_save.h"
#include "platform/framework/stream.h"

namespace {

[[noreturn]] void fail(const std::string& message)
{
    throw std::runtime_error(message);
}

// A header number of a binary PPM, skipping blanks and comments.
long ppmNumber(const std::vector<uint8_t>& bytes, size_t& at)
{
    for (;;) {
        while (at < bytes.size() && std::isspace(bytes[at]))
            ++at;
        if (at < bytes.size() && bytes[at] == '#') {
            while (at < bytes.size() && bytes[at] != '\n')
                ++at;
            continue;
        }
        break;
    }
    long value = 0;
    size_t digits = 0;
    while (at < bytes.size() && std::isdigit(bytes[at]) && digits < 9) {
        value = value * 10 + (bytes[at++] - '0');
        ++digits;
    }
    if (digits == 0 || (at < bytes.size() && std::isdigit(bytes[at])))
        fail("PPM header: bad number");
    return value;
}

// Samples are read a band of rows at a time straight into the picture, without a buffer of the
// whole file.
void readPpm(const std::string& path, TDibGraphic& picture)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        fail("cannot open " + path);
    const auto fileSize = static_cast<size_t>(in.tellg());
    in.seekg(0);
    std::vector<uint8_t> header(std::min<size_t>(fileSize, 4096));
    in.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()));
    size_t at = 2;
    const long width = ppmNumber(header, at);
    const long height = ppmNumber(header, at);
    const long maxValue = ppmNumber(header, at);
    if (width < 1 || height < 1 || width > 65535 || height > 65535)
        fail("PPM: bad size");
    if (maxValue < 1 || maxValue > 255)
        fail("PPM: only 8-bit samples are read");
    if (at >= header.size() || !std::isspace(header[at]))
        fail("PPM header: no blank before the samples");
    ++at;
    const size_t rowSize = static_cast<size_t>(width) * 3;
    if ((fileSize - at) / rowSize < static_cast<size_t>(height))
        fail("PPM: too few samples");
    picture.NewImage(static_cast<int>(width), static_cast<int>(height), ifTrueColor, nullptr, 0, 0);
    in.clear();
    in.seekg(static_cast<std::streamoff>(at));
    constexpr int band = 64;
    std::vector<uint8_t> buffer(rowSize * band);
    for (int top = 0; top < height; top += band) {
        const int rows = static_cast<int>(std::min<long>(band, height - top));
        if (!in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(rowSize * rows)))
            fail("cannot read " + path);
        for (int r = 0; r < rows; ++r) {
            const uint8_t* from = buffer.data() + rowSize * static_cast<size_t>(r);
            uint8_t* out = picture.ScanLine(top + r);
            for (size_t i = 0; i < rowSize; i += 3) {
                out[i] = from[i + 2];
                out[i + 1] = from[i + 1];
                out[i + 2] = from[i];
            }
            if (maxValue != 255)
                for (size_t i = 0; i < rowSize; ++i)
                    out[i] = static_cast<uint8_t>(std::min<long>(255, (out[i] * 255L + maxValue / 2) / maxValue));
        }
    }
}

// Written a band of rows at a time, so a big result needs no second whole-picture buffer; like
// every save, through a temporary put in place only once whole, so that a full disk or a kill
// leaves the old file as it was.
void writePpm(const std::string& path, const TDibGraphic& picture)
{
    SaveFileSafely(QString::fromStdString(path), [&picture](TStream& out) {
        const int width = picture.GetWidth(), height = picture.GetHeight();
        const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        out.WriteBuffer(header.data(), static_cast<int64_t>(header.size()));
        const size_t rowSize = static_cast<size_t>(width) * 3;
        constexpr int band = 64;
        std::vector<uint8_t> buffer(rowSize * band);
        for (int top = 0; top < height; top += band) {
            const int rows = std::min(band, height - top);
            for (int r = 0; r < rows; ++r) {
                const int y = top + r;
                uint8_t* o = buffer.data() + rowSize * static_cast<size_t>(r);
                if (picture.ImageFormat() == ifTrueColor) {
                    const uint8_t* in = picture.ScanLine(y);
                    for (int x = 0; x < width; ++x, in += 3, o += 3) {
                        o[0] = in[2];
                        o[1] = in[1];
                        o[2] = in[0];
                    }
                } else {
                    for (int x = 0; x < width; ++x, o += 3) {
                        const uint32_t c = picture.GetPixelRGB(x, y);
                        o[0] = uint8_t(c >> 16);
                        o[1] = uint8_t(c >> 8);
                        o[2] = uint8_t(c);
                    }
                }
            }
            out.WriteBuffer(buffer.data(), static_cast<int64_t>(rowSize * static_cast<size_t>(rows)));
        }
    });
}

bool endsWith(const std::string& s, const std::string& tail)
{
    if (s.size() < tail.size())
        return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i])
            return false;
    return true;
}

// Until a picture class is registered for bmp, BMP files go straight between the file and the
// picture's rows through the framework's BMP reader and writer.
void readBmp(const std::string& path, TDibGraphic& picture)
{
    TFileStream stream(QString::fromStdString(path), fmOpenRead);
    BmpCodec::BmpReader reader(stream);
    if (reader.bitsPerPixel() == 32) {
        // Pictures keep no 32-bit rows: the bitmap route drops the fourth byte.
        stream.SetPosition(0);
        DecodedBmp decoded = BmpCodec::readFile(stream);
        auto object = std::make_shared<BitmapObject>();
        object->surface = std::shared_ptr<gdi::DibSurface>(std::move(decoded.surface));
        object->dibSection = true;
        picture.LoadFromBitmapHandle(object);
        return;
    }
    const int bits = reader.bitsPerPixel();
    TLogPalette palette{};
    if (bits <= 8) {
        palette.palVersion = 0x300;
        palette.palNumEntries = static_cast<uint16_t>(reader.colorTable().size());
        for (size_t i = 0; i < reader.colorTable().size(); ++i) {
            const gdi::RgbQuad& q = reader.colorTable()[i];
            palette.palPalEntry[i] = {q.red, q.green, q.blue, 0};
        }
    }
    const TImageFormat format = bits == 1 ? ifBlackWhite : bits == 4 ? ifColor16 : bits == 8 ? ifColor256 : ifTrueColor;
    const auto dpi = [](int32_t pelsPerMeter) { return pelsPerMeter > 0 ? PelsPerMeterToDpi(pelsPerMeter) : uint16_t{0}; };
    picture.NewImage(reader.width(), reader.height(), format, bits <= 8 ? &palette : nullptr,
                     dpi(reader.xPelsPerMeter()), dpi(reader.yPelsPerMeter()));
    reader.readRows(picture.Bits(), static_cast<size_t>(picture.RowBytes()));
}

void writeBmp(const std::string& path, const TDibGraphic& picture)
{
    std::vector<gdi::RgbQuad> table;
    for (int i = 0; i < picture.LogPalette().palNumEntries; ++i) {
        const TPaletteEntry& e = picture.LogPalette().palPalEntry[i];
        table.push_back({e.peBlue, e.peGreen, e.peRed, 0});
    }
    const BmpImage image{picture.GetWidth(), picture.GetHeight(), ImageFormatBitCount(picture.ImageFormat()),
                         table, picture.Bits(), picture.BitmapInfo().bmiHeader.biXPelsPerMeter,
                         picture.BitmapInfo().bmiHeader.biYPelsPerMeter};
    // Never in place: a full disk or a kill must leave the old file, not one cut short.
    SaveFileSafely(QString::fromStdString(path), [&image](TStream& stream) { BmpCodec::writeFile(stream, image); });
}

bool isPpm(const std::string& path)
{
    char magic[2] = {};
    std::ifstream(path, std::ios::binary).read(magic, 2);
    return magic[0] == 'P' && magic[1] == '6';
}

// The editor's own way in: the picture class registered for the file's extension reads it.
// A graphic the picture holder reads by extension but that is no DIB class (a metafile), drawn
// as the editor draws it: onto a white bitmap of its own size.
std::unique_ptr<TDibGraphic> readThroughPictureHolder(const QString& name)
{
    // Text in metafiles goes through the font engine, which wants an application object.
    static std::unique_ptr<QGuiApplication> application = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char appName[] = "pictavo-bench";
        static char* argv[] = {appName, nullptr};
        return std::make_unique<QGuiApplication>(argc, argv);
    }();
    TPicture holder;
    holder.LoadFromFile(name);
    const int width = holder.Width(), height = holder.Height();
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.Canvas()->Brush()->SetColor(clWhite);
    bitmap.SetSize(width, height);
    bitmap.Canvas()->FillRect(TRect{0, 0, width, height});
    bitmap.Canvas()->Draw(0, 0, holder.Graphic());
    auto picture = std::make_unique<TDibGraphic>();
    picture->Assign(&bitmap);
    return picture;
}

std::unique_ptr<TDibGraphic> readPicture(const std::string& path)
{
    if (isPpm(path)) {
        auto picture = std::make_unique<TDibGraphic>();
        readPpm(path, *picture);
        return picture;
    }
    const QString name = QString::fromStdString(path);
    if (TDibGraphic::FindGraphicClass(name)) {
        std::unique_ptr<TDibGraphic> picture = TDibGraphic::CreateGraphicForFile(name);
        picture->LoadFromFile(name);
        return picture;
    }
    if (endsWith(path, ".bmp")) {
        auto picture = std::make_unique<TDibGraphic>();
        readBmp(path, *picture);
        return picture;
    }
    if (TPicture::FindFileFormat(QFileInfo(name).suffix()))
        return readThroughPictureHolder(name);
    fail(path + ": neither a binary PPM nor a registered picture file");
}

// And out: the class registered for OUT's extension writes it. The image moves into a picture
// of that class without a copy when the classes differ.
void writePicture(const std::string& path, TDibGraphic& picture)
{
    if (endsWith(path, ".ppm")) {
        writePpm(path, picture);
        return;
    }
    const QString name = QString::fromStdString(path);
    const TDibGraphicClass* cls = TDibGraphic::FindGraphicClass(name);
    if (!cls) {
        if (!endsWith(path, ".bmp"))
            fail(path + ": no picture class is registered for this extension");
        writeBmp(path, picture);
        return;
    }
    if (picture.ClassName() == cls->ClassName) {
        picture.SaveToFile(name);
        return;
    }
    std::unique_ptr<TDibGraphic> target = cls->Create();
    target->SwapImage(picture);
    target->SaveToFile(name);
}

long numberArgument(const std::string& text, long low, long high)
{
    size_t used = 0;
    long value = 0;
    try {
        value = std::stol(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || value < low || value > high)
        fail("argument " + text + " is not a number in " + std::to_string(low) + ".." + std::to_string(high));
    return value;
}

TImageFormat formatArgument(const std::string& name)
{
    static const std::map<std::string, TImageFormat> formats = {
        {"bw", ifBlackWhite}, {"gray16", ifGray16}, {"gray256", ifGray256},
        {"color16", ifColor16}, {"color256", ifColor256}, {"rgb24", ifTrueColor},
    };
    const auto it = formats.find(name);
    if (it == formats.end())
        fail("unknown format " + name + " (bw, gray16, gray256, color16, color256, rgb24)");
    return it->second;
}

// The effects commands work on a temporary copy and, once it succeeded, take it over.
template <class Change>
void onTemporaryCopy(TDibGraphic& picture, Change change)
{
    TDibGraphic temporary;
    temporary.AssignPicture(&picture);
    change(temporary);
    picture.SwapImage(temporary);
}

void run(const std::string& op, const std::string& argument, TDibGraphic& picture)
{
    if (op == "brightness") {
        TBrightnessTransform transform;
        transform.SetAmount(static_cast<double>(numberArgument(argument, -100, 100)));
        onTemporaryCopy(picture, [&](TDibGraphic& p) { transform.Apply(p); });
    } else if (op == "contrast") {
        if (argument != "up" && argument != "down")
            fail("contrast takes up or down");
        TContrastTransform transform;
        transform.Enhance = argument == "up";
        transform.Apply(picture);
    } else if (op == "sharpen" || op == "smooth") {
        const auto strength = static_cast<uint8_t>(numberArgument(argument, 0, 100));
        std::unique_ptr<TImageTransform> transform;
        if (op == "sharpen") {
            auto sharpen = std::make_unique<TSharpenTransform>();
            sharpen->Strength = strength;
            transform = std::move(sharpen);
        } else {
            auto smooth = std::make_unique<TSmoothTransform>();
            smooth->Strength = strength;
            transform = std::move(smooth);
        }
        onTemporaryCopy(picture, [&](TDibGraphic& p) { transform->Apply(p); });
    } else if (op == "saturation") {
        const double change = SaturationChange(static_cast<int>(numberArgument(argument, -100, 100)));
        onTemporaryCopy(picture, [&](TDibGraphic& p) { ChangeSaturation(p, change); });
    } else if (op == "negative") {
        TNegativeTransform().Apply(picture);
    } else if (op == "antialias") {
        TAntiAliasTransform().Apply(picture);
    } else if (op.rfind("resize-", 0) == 0) {
        static const std::map<std::string, int> filters = {
            {"nearest", -1}, {"triangle", 0}, {"hermite", 1}, {"bell", 2}, {"bspline", 3}, {"lanczos3", 4}, {"mitchell", 5},
        };
        const auto it = filters.find(op.substr(7));
        if (it == filters.end())
            fail("unknown filter in " + op);
        const size_t x = argument.find('x');
        if (x == std::string::npos)
            fail("resize takes WIDTHxHEIGHT");
        TResizeTransform transform;
        transform.NewWidth = static_cast<int32_t>(numberArgument(argument.substr(0, x), 1, 65535));
        transform.NewHeight = static_cast<int32_t>(numberArgument(argument.substr(x + 1), 1, 65535));
        transform.Filtered = it->second >= 0;
        transform.FilterKind = static_cast<uint8_t>(std::max(0, it->second));
        transform.Apply(picture);
    } else if (op == "rotate") {
        // What "Повернуть на угол..." runs: whole quarter turns move pixels, other angles sample.
        const long degrees = numberArgument(argument, -360, 360);
        if (degrees % 90 == 0) {
            static constexpr TOrientation turns[] = {orRotate180, orRotateClockwise, orRotate180,
                                                     orRotateCounterClockwise};
            const long turn = ((degrees / 90) % 4 + 4) % 4;
            if (turn != 0) {
                TOrientationTransform transform;
                transform.Orientation = turns[turn];
                transform.Apply(picture);
            }
        } else {
            TRotateTransform transform;
            transform.Angle = static_cast<double>(degrees);
            transform.Apply(picture);
        }
    } else if (op == "copy") {
        // Read and write only.
    } else if (op == "convert") {
        const TImageFormat format = formatArgument(argument);
        // The work image after the picture was drawn into it: the picture's colours, 24 bits.
        gdi::DibSurface drawn(picture.GetWidth(), picture.GetHeight(), 24);
        for (int y = 0; y < picture.GetHeight(); ++y) {
            if (picture.ImageFormat() == ifTrueColor) {
                std::memcpy(drawn.scanLine(y), picture.ScanLine(y), static_cast<size_t>(picture.GetWidth()) * 3);
            } else {
                for (int x = 0; x < picture.GetWidth(); ++x)
                    drawn.setRawPixel(x, y, picture.GetPixelRGB(x, y));
            }
        }
        ConvertPictureFromSurface(picture, drawn, format);
    } else if (op == "invert") {
        InvertPictureColors(picture);
    } else if (op == "palette") {
        // Not an editor command: the default palette of a format as a one-row picture, for
        // programs that map colours to a palette image.
        const TLogPalette* palette = DefaultPalette(formatArgument(argument));
        if (!palette)
            fail("true colour has no palette");
        picture.NewImage(palette->palNumEntries, 1, ifTrueColor, nullptr, 0, 0);
        for (int i = 0; i < palette->palNumEntries; ++i) {
            const TPaletteEntry& e = palette->palPalEntry[i];
            picture.SetPixelRGB(i, 0, uint32_t{e.peRed} << 16 | uint32_t{e.peGreen} << 8 | e.peBlue);
        }
    } else {
        fail("unknown operation " + op);
    }
}

bool needsArgument(const std::string& op)
{
    return op != "negative" && op != "antialias" && op != "invert" && op != "copy";
}

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: pictavo-bench OP IN OUT [ARG]\n"
                     "  OP: brightness AMOUNT | contrast up|down | sharpen STRENGTH | smooth STRENGTH |\n"
                     "      saturation CHANGE | negative | antialias | resize-FILTER WxH | convert FORMAT | invert | copy\n"
                     "  FILTER: nearest triangle hermite bell bspline lanczos3 mitchell\n"
                     "  FORMAT: bw gray16 gray256 color16 color256 rgb24\n"
                     "  OP copy: read and write only\n"
                     "  IN: binary PPM (P6) or any registered picture file; OUT: .ppm, .bmp or any registered extension\n");
        return 2;
    }
    const std::string op = argv[1], in = argv[2], out = argv[3];
    const std::string argument = argc > 4 ? argv[4] : "";
    try {
        if (needsArgument(op) && argument.empty())
            fail(op + " needs an argument");
        RegisterPictureFormats();
        auto start = std::chrono::steady_clock::now();
        std::unique_ptr<TDibGraphic> picture =
            op == "palette" ? std::make_unique<TDibGraphic>() : readPicture(in);
        const double readTime = millisecondsSince(start);
        start = std::chrono::steady_clock::now();
        run(op, argument, *picture);
        const double opTime = millisecondsSince(start);
        start = std::chrono::steady_clock::now();
        writePicture(out, *picture);
        std::fprintf(stderr, "read %.1f ms, %s %.1f ms, write %.1f ms\n", readTime, op.c_str(), opTime,
                     millisecondsSince(start));
    } catch (const EPictureError& e) {
        std::fprintf(stderr, "pictavo-bench: %s\n", e.Message().toUtf8().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pictavo-bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
