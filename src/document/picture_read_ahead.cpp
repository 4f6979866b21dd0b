#include "document/picture_read_ahead.h"

#include "document/opened_picture.h"
#include "document/true_color_view.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/graphic.h"
#include "platform/framework/picture.h"

namespace {

PictureReadAhead::Read readWithView(const QString& fileName)
{
    PictureReadAhead::Read read;
    read.graphic = TPicture::ReadFile(fileName);
    if (!DrawsPixelsOnly(*read.graphic))
        return read;
    try {
        read.trueColorView = MakeTrueColorView(read.graphic.get());
        read.format = TakeAsBitmap(read.graphic);
    } catch (...) {
        // The window tries again where it shows the picture, and reports what fails there.
    }
    return read;
}

} // namespace

PictureReadAhead::PictureReadAhead(const QString& fileName)
    : fileName_(fileName), read_(std::async(std::launch::async, readWithView, fileName))
{
}

// A read nobody took is waited for, not abandoned: its thread uses the picture classes.
PictureReadAhead::~PictureReadAhead() = default;

PictureReadAhead::Read PictureReadAhead::Take(const QString& fileName)
{
    if (fileName != fileName_ || !read_.valid())
        return {};
    return read_.get();
}
