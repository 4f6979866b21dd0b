#include "document/picture_read_ahead.h"

#include "platform/framework/graphic.h"
#include "platform/framework/picture.h"

PictureReadAhead::PictureReadAhead(const QString& fileName)
    : fileName_(fileName), read_(std::async(std::launch::async, [fileName] { return TPicture::ReadFile(fileName); }))
{
}

// A read nobody took is waited for, not abandoned: its thread uses the picture classes.
PictureReadAhead::~PictureReadAhead() = default;

std::unique_ptr<TGraphic> PictureReadAhead::Take(const QString& fileName)
{
    if (fileName != fileName_ || !read_.valid())
        return nullptr;
    return read_.get();
}
