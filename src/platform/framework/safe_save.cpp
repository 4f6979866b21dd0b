#include "platform/framework/safe_save.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/stream.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void failCreate(const QString& fileName, int error)
{
    throw EFCreateError(QStringLiteral("%1: %2").arg(FrameworkMessages::fileCreate(fileName), reason(error)));
}

[[noreturn]] void failWrite(const QString& fileName, int error)
{
    throw EWriteError(QStringLiteral("%1: %2").arg(FrameworkMessages::unableToWrite(fileName), reason(error)));
}

// The file being written. Until it is committed, leaving scope removes every trace of it.
class TemporaryFile {
public:
    TemporaryFile(const QString& fileName) : fileName_(fileName)
    {
        const QFileInfo info(fileName);
        target_ = QFile::encodeName(info.absoluteFilePath());
        folder_ = QFile::encodeName(info.absolutePath());
        // An unnamed file vanishes by itself whatever happens to the process before it is linked.
        fd_ = ::open(folder_.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ < 0)
            openNamed(QFile::encodeName(info.fileName()));
        keepModeOfTarget();
    }
    ~TemporaryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!namedPath_.isEmpty())
            ::unlink(namedPath_.constData());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }

    // Syncs the data, puts the file in the target's place and syncs the folder's entry.
    void commit()
    {
        if (::fsync(fd_) != 0)
            failWrite(fileName_, errno);
        if (namedPath_.isEmpty())
            linkUnnamed();
        if (!namedPath_.isEmpty()) {
            if (::rename(namedPath_.constData(), target_.constData()) != 0)
                failWrite(fileName_, errno);
            namedPath_.clear();
        }
        syncFolder();
    }

private:
    void openNamed(const QByteArray& baseName)
    {
        QByteArray pattern = folder_ + "/." + baseName + ".XXXXXX";
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0)
            failCreate(fileName_, errno);
        namedPath_ = pattern;
        // mkostemp makes the file private; a new picture gets the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }

    void keepModeOfTarget()
    {
        struct stat existing {};
        if (::stat(target_.constData(), &existing) == 0)
            ::fchmod(fd_, existing.st_mode & 07777);
    }

    // A new name links straight to the target; an existing target is replaced by rename, which
    // linking cannot do, through a hidden name that lives only for that moment.
    void linkUnnamed()
    {
        const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(fd_);
        if (::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, target_.constData(), AT_SYMLINK_FOLLOW) == 0)
            return;
        if (errno != EEXIST)
            failWrite(fileName_, errno);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray hidden = folder_ + "/." + QFileInfo(fileName_).fileName().toUtf8() + ".new" +
                                      QByteArray::number(::getpid()) + "_" + QByteArray::number(attempt);
            if (::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, hidden.constData(), AT_SYMLINK_FOLLOW) == 0) {
                namedPath_ = hidden;
                return;
            }
            if (errno != EEXIST)
                failWrite(fileName_, errno);
        }
        failWrite(fileName_, EEXIST);
    }

    void syncFolder()
    {
        const int folder = ::open(folder_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0)
            return;
        const int result = ::fsync(folder);
        const int error = errno;
        ::close(folder);
        // Some file systems cannot sync a folder; the rename is done either way.
        if (result != 0 && error != EINVAL && error != ENOTSUP)
            failWrite(fileName_, error);
    }

    QString fileName_;
    QByteArray target_;
    QByteArray folder_;
    QByteArray namedPath_;
    int fd_ = -1;
};

// The file written so far is handed to the disk every few MB while the rest is produced, so
// that the sync before the rename waits for the last few MB rather than the whole file.
class WritebackFileStream : public TFileStream {
public:
    WritebackFileStream(const QString& fileName, std::FILE* file)
        : TFileStream(fileName, file)
        , file_(file)
    {
    }

    int64_t Write(const void* buffer, int64_t count) override
    {
        const int64_t written = TFileStream::Write(buffer, count);
        sinceWriteback_ += written;
        if (sinceWriteback_ >= kWritebackBytes) {
            sinceWriteback_ = 0;
            // Only a request: a failure shows in the flush and the sync at the end.
            if (std::fflush(file_) == 0)
                ::sync_file_range(::fileno(file_), 0, 0, SYNC_FILE_RANGE_WRITE);
        }
        return written;
    }

private:
    static constexpr int64_t kWritebackBytes = int64_t{8} << 20;
    std::FILE* file_;
    int64_t sinceWriteback_ = 0;
};

} // namespace

void SaveFileSafely(const QString& fileName, const std::function<void(TStream&)>& write)
{
    // A device or a pipe (/dev/null, a fifo) is written as it is: it cannot be replaced.
    struct stat existing {};
    if (::stat(QFile::encodeName(fileName).constData(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        TFileStream stream(fileName, fmCreate);
        write(stream);
        return;
    }
    TemporaryFile temporary(fileName);
    const int streamFd = ::dup(temporary.fd());
    std::FILE* file = streamFd >= 0 ? ::fdopen(streamFd, "w+b") : nullptr;
    if (!file) {
        const int error = errno;
        if (streamFd >= 0)
            ::close(streamFd);
        failCreate(fileName, error);
    }
    {
        WritebackFileStream stream(fileName, file);
        try {
            write(stream);
        } catch (const EWriteError&) {
            // The stream's own complaint names neither the file nor the reason.
            if (stream.LastError() != 0)
                failWrite(fileName, stream.LastError());
            throw;
        }
        if (std::fflush(file) != 0)
            failWrite(fileName, errno);
    }
    temporary.commit();
}
