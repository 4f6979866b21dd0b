// Fuzz entry point of the TGA reader.
#include "../dib_round_trip.h"
#include "imaging/formats/tga_graphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzPictureClass<TTgaGraphic>(data, size);
    return 0;
}
