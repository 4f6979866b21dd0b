#include "imaging/formats/packbits.h"

namespace PackBits {

void packRow(const uint8_t* row, size_t bytes, std::vector<uint8_t>& out)
{
    const size_t start = out.size();
    out.resize(start + maxPackedSize(bytes));
    uint8_t* put = out.data() + start;
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
    out.resize(static_cast<size_t>(put - out.data()));
}

} // namespace PackBits
