#include "platform/framework/pen.h"

void TPen::Assign(TPersistent* source)
{
    if (auto* pen = dynamic_cast<TPen*>(source)) {
        color_ = pen->color_;
        width_ = pen->width_;
        style_ = pen->style_;
        mode_ = pen->mode_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

void TPen::SetColor(TColor value)
{
    if (value != color_) {
        color_ = value;
        Changed();
    }
}

void TPen::SetWidth(int value)
{
    if (value != width_) {
        width_ = value;
        Changed();
    }
}

void TPen::SetStyle(TPenStyle value)
{
    if (value != style_) {
        style_ = value;
        Changed();
    }
}

void TPen::SetMode(int value)
{
    if (value != mode_) {
        mode_ = value;
        Changed();
    }
}
