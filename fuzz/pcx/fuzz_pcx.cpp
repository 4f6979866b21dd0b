// Fuzz entry point of the PCX reader.
#include "../dib_round_trip.h"
#include "imaging/formats/pcx_graphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzPictureClass<TPcxGraphic>(data, size);
    return 0;
}
