#include "imaging/formats/picture_formats.h"

void RegisterPictureFormats()
{
    static const bool registered = [] {
        // Each format class adds its registration here, in the order of the registry table.
        return true;
    }();
    (void)registered;
}
