#include "platform/framework/stream.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/safe_save.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <unistd.h>

int64_t TStream::GetSize()
{
    const int64_t position = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

int64_t TStream::Remaining()
{
    return std::max<int64_t>(0, Size() - Position());
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError(FrameworkMessages::streamRead());
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError(FrameworkMessages::streamWrite());
}

std::vector<uint8_t> TStream::ReadRemaining()
{
    std::vector<uint8_t> bytes(static_cast<size_t>(Remaining()));
    ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int64_t chunk = 64 * 1024;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, chunk)));
    int64_t left = count;
    while (left > 0) {
        const int64_t n = std::min(left, chunk);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// ---- TMemoryStream ----

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    const int64_t size = GetSize();
    if (count <= 0 || position_ >= size)
        return 0;
    const int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const int64_t end = position_ + count;
    if (end > GetSize())
        data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == soCurrent)
        base = position_;
    else if (origin == soEnd)
        base = GetSize();
    position_ = std::max<int64_t>(0, base + offset);
    return position_;
}

void TMemoryStream::SetSize(int64_t size)
{
    data_.resize(static_cast<size_t>(std::max<int64_t>(0, size)));
    position_ = std::min(position_, GetSize());
}

void TMemoryStream::Clear()
{
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    const int64_t size = stream.Size();
    data_.resize(static_cast<size_t>(size));
    stream.ReadBuffer(data_.data(), size);
    position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& stream)
{
    stream.WriteBuffer(data_.data(), GetSize());
}

void TMemoryStream::LoadFromFile(const QString& fileName)
{
    TFileStream file(fileName, fmOpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const QString& fileName)
{
    SaveFileSafely(fileName, [this](TStream& file) { SaveToStream(file); });
}

// ---- TFileStream ----

TFileStream::TFileStream(const QString& fileName, TFileMode mode) : fileName_(fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    if (mode == fmCreate) {
        file_ = std::fopen(path.constData(), "w+b");
        if (!file_)
            throw EFCreateError(FrameworkMessages::fileCreate(fileName));
        return;
    }
    const char* how = mode == fmOpenRead ? "rb" : "r+b";
    file_ = std::fopen(path.constData(), how);
    if (!file_)
        throw EFOpenError(FrameworkMessages::fileOpen(fileName));
}

TFileStream::TFileStream(const QString& fileName, std::FILE* file) : fileName_(fileName), file_(file) {}

TFileStream::~TFileStream()
{
    if (file_)
        std::fclose(file_);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    return static_cast<int64_t>(std::fread(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const size_t written = std::fwrite(buffer, 1, static_cast<size_t>(count), file_);
    // Report a full disk now rather than at close, where nobody could hear it.
    if (written != static_cast<size_t>(count) || std::fflush(file_) != 0) {
        lastError_ = errno;
        return written == static_cast<size_t>(count) ? 0 : static_cast<int64_t>(written);
    }
    return static_cast<int64_t>(written);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    if (fseeko(file_, static_cast<off_t>(offset), whence) != 0)
        return -1;
    return static_cast<int64_t>(ftello(file_));
}

void TFileStream::SetSize(int64_t size)
{
    std::fflush(file_);
    if (ftruncate(fileno(file_), static_cast<off_t>(size)) != 0)
        throw EWriteError(FrameworkMessages::streamWrite());
    if (Position() > size)
        Seek(size, soBeginning);
}
