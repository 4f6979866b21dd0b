#include "platform/gdi/geometry/geometry.h"
