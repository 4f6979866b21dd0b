// Fuzz entry point of the DCX reader: the first page as a load gives it, and every page as frames.
#include "../dib_round_trip.h"
#include "imaging/formats/dcx_graphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzPictureClass<TDcxGraphic>(data, size);
    FuzzPictureClass<TDcxGraphic>(data, size, true);
    return 0;
}
