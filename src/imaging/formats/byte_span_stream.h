#pragma once
// A read-only stream over bytes held elsewhere, so a second decoder can read a file already in
// memory without copying it.

#include "platform/framework/exceptions.h"
#include "platform/framework/stream.h"

#include <algorithm>
#include <cstring>
#include <span>

class ByteSpanStream : public TStream {
public:
    explicit ByteSpanStream(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    QString ClassName() const override { return QStringLiteral("ByteSpanStream"); }

    int64_t Read(void* buffer, int64_t count) override
    {
        const int64_t size = static_cast<int64_t>(bytes_.size());
        const int64_t n = std::clamp<int64_t>(size - position_, 0, std::max<int64_t>(count, 0));
        if (n > 0)
            std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
        position_ += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        const int64_t from = origin == soBeginning ? 0 : origin == soCurrent ? position_ : GetSize();
        int64_t target = 0;
        if (__builtin_add_overflow(from, offset, &target) || target < 0)
            throw EReadError(QStringLiteral("Stream read error"));
        position_ = target;
        return position_;
    }
    int64_t GetSize() override { return static_cast<int64_t>(bytes_.size()); }
    void SetSize(int64_t) override { throw EWriteError(QStringLiteral("Stream write error")); }

private:
    std::span<const uint8_t> bytes_;
    int64_t position_ = 0;
};
