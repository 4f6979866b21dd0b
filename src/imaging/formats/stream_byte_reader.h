#pragma once
// Buffered reading of a stream up to a limit, for the decoders: bytes come from a small window
// refilled from the stream, so a byte-at-a-time decoder costs no virtual call per byte, and
// nothing past the limit (the end of the file, or of a page) is ever read.

#include "platform/framework/stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

class StreamByteReader {
public:
    // Reads from the stream's present position up to the absolute position end.
    StreamByteReader(TStream& stream, int64_t end)
        : stream_(stream), left_(std::max<int64_t>(0, end - stream.Position()))
    {
    }

    // False at the limit or the stream's end.
    bool next(uint8_t& byte)
    {
        if (at_ == filled_ && !refill())
            return false;
        byte = window_[at_++];
        return true;
    }

    // Copies up to count bytes; returns how many there were.
    size_t read(uint8_t* out, size_t count)
    {
        size_t done = 0;
        while (done < count) {
            if (at_ == filled_ && !refill())
                break;
            const size_t n = std::min(count - done, filled_ - at_);
            std::memcpy(out + done, window_.data() + at_, n);
            at_ += n;
            done += n;
        }
        return done;
    }

private:
    bool refill()
    {
        if (left_ <= 0)
            return false;
        const int64_t want = std::min<int64_t>(left_, static_cast<int64_t>(window_.size()));
        const int64_t got = stream_.Read(window_.data(), want);
        if (got <= 0) {
            left_ = 0;
            return false;
        }
        left_ -= got;
        at_ = 0;
        filled_ = static_cast<size_t>(got);
        return true;
    }

    TStream& stream_;
    int64_t left_;
    std::vector<uint8_t> window_ = std::vector<uint8_t>(65536);
    size_t at_ = 0;
    size_t filled_ = 0;
};
