#include "imaging/formats/pcx_rle.h"

#include <algorithm>
#include <cstring>

bool PcxLineDecoder::readLine(uint8_t* line, size_t count)
{
    if (!compressed_)
        return in_.read(line, count) == count;
    size_t done = 0;
    while (done < count) {
        if (runLeft_ > 0) {
            const size_t n = std::min(runLeft_, count - done);
            std::memset(line + done, runValue_, n);
            done += n;
            runLeft_ -= n;
            continue;
        }
        uint8_t code = 0;
        if (!in_.next(code))
            return false;
        if ((code & 0xC0) != 0xC0) {
            line[done++] = code;
            continue;
        }
        if (!in_.next(runValue_))
            return false;
        runLeft_ = code & 0x3F;
    }
    return true;
}

void EncodePcxLine(const uint8_t* line, size_t count, std::vector<uint8_t>& out)
{
    size_t at = 0;
    while (at < count) {
        const uint8_t value = line[at];
        size_t run = 1;
        while (run < 63 && at + run < count && line[at + run] == value)
            ++run;
        // A lone byte below 0xC0 is written as itself; anything else needs a counted run.
        if (run > 1 || value >= 0xC0)
            out.push_back(static_cast<uint8_t>(0xC0 | run));
        out.push_back(value);
        at += run;
    }
}
