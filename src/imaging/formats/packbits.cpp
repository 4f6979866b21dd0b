#include "imaging/formats/packbits.h"

namespace PackBits {

size_t packRow(const uint8_t* row, size_t bytes, uint8_t* out)
{
    uint8_t* put = out;
    size_t literalAt = 0; // the first byte not yet written
    const auto flushLiteral = [&](size_t end) {
        while (literalAt < end) {
            const size_t n = std::min<size_t>(128, end - literalAt);
            *put++ = static_cast<uint8_t>(n - 1);
            for (size_t i = 0; i < n; ++i)
                *put++ = row[literalAt + i];
            literalAt += n;
        }
    };
    size_t i = 0;
    while (i < bytes) {
        size_t run = 1;
        while (i + run < bytes && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 3) {
            flushLiteral(i);
            *put++ = static_cast<uint8_t>(257 - run);
            *put++ = row[i];
            literalAt = i + run;
        }
        i += run;
    }
    flushLiteral(bytes);
    return static_cast<size_t>(put - out);
}

} // namespace PackBits
