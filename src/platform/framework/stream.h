#pragma once
// Byte streams the picture classes read and write: an abstract stream, one in memory and one
// on a file.

#include "platform/framework/persistent.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

enum TSeekOrigin : uint8_t { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
    QString ClassName() const override { return QStringLiteral("TStream"); }

    // Read and Write move as many bytes as they can and return that count.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position. Seeking past the end is allowed; reading there gives nothing.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t GetSize();
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }
    int64_t Size() { return GetSize(); }
    int64_t Remaining();

    // Exactly count bytes or EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    void WriteBuffer(std::span<const uint8_t> bytes) { WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size())); }
    // Everything from the position to the end.
    std::vector<uint8_t> ReadRemaining();
    // Copies count bytes from source's position (0: the whole source from its start).
    int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
    QString ClassName() const override { return QStringLiteral("TMemoryStream"); }

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;

    void Clear();
    uint8_t* Memory() { return data_.data(); }
    const uint8_t* Memory() const { return data_.data(); }
    std::span<const uint8_t> Bytes() const { return data_; }

    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);

private:
    std::vector<uint8_t> data_;
    int64_t position_ = 0;
};

// File modes; fmCreate makes (or truncates) the file for writing.
enum TFileMode : uint16_t { fmCreate = 0xFFFF, fmOpenRead = 0x0000, fmOpenWrite = 0x0001, fmOpenReadWrite = 0x0002 };

class TFileStream : public TStream {
public:
    // Raises EFCreateError "Cannot create file %s" or EFOpenError "Cannot open file %s".
    TFileStream(const QString& fileName, TFileMode mode);
    // Takes over a file already open for reading and writing; fileName is what messages name.
    TFileStream(const QString& fileName, std::FILE* file);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    QString ClassName() const override { return QStringLiteral("TFileStream"); }
    const QString& FileName() const { return fileName_; }

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    // The system's error number of the last write that failed, 0 when none did.
    int LastError() const { return lastError_; }

private:
    QString fileName_;
    std::FILE* file_ = nullptr;
    int lastError_ = 0;
};
