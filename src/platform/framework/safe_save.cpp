#include "platform/framework/safe_save.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/stream.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void failCreate(const QString& fileName, int error)
{
    throw EFCreateError(FileNotSavedMessage(fileName, error));
}

[[noreturn]] void failWrite(const QString& fileName, int error)
{
    throw EWriteError(FileNotSavedMessage(fileName, error));
}

// Named temporaries carry the writing process's number, so that a later save of the same file
// can tell one left by a killed process from one still being written.
QByteArray temporaryPrefix(const QByteArray& baseName, pid_t process)
{
    return "." + baseName + "." + QByteArray::number(process) + ".saving-";
}

void removeTemporariesOfDeadProcesses(const QByteArray& folder, const QByteArray& baseName)
{
    DIR* entries = ::opendir(folder.constData());
    if (!entries)
        return;
    const QByteArray start = "." + baseName + ".";
    while (const dirent* entry = ::readdir(entries)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(start))
            continue;
        const qsizetype marker = name.indexOf(".saving-", start.size());
        bool isNumber = false;
        const qint64 process = name.mid(start.size(), marker - start.size()).toLongLong(&isNumber);
        if (marker < 0 || !isNumber || process <= 0 || process == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(entries), entry->d_name, 0);
    }
    ::closedir(entries);
}

// The file being written. Until it is committed, leaving scope removes every trace of it.
class TemporaryFile {
public:
    TemporaryFile(const QString& fileName) : fileName_(fileName)
    {
        const QFileInfo info(fileName);
        target_ = QFile::encodeName(info.absoluteFilePath());
        folder_ = QFile::encodeName(info.absolutePath());
        baseName_ = QFile::encodeName(info.fileName());
        // Found out before the picture is written rather than when it is put in place.
        const long longestName = ::pathconf(folder_.constData(), _PC_NAME_MAX);
        if (longestName > 0 && baseName_.size() > longestName)
            failCreate(fileName_, ENAMETOOLONG);
        removeTemporariesOfDeadProcesses(folder_, baseName_);
        // An unnamed file vanishes by itself whatever happens to the process before it is linked.
        fd_ = ::open(folder_.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ < 0)
            openNamed();
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
    void openNamed()
    {
        QByteArray pattern = folder_ + "/" + temporaryPrefix(baseName_, ::getpid()) + "XXXXXX";
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
            const QByteArray hidden =
                folder_ + "/" + temporaryPrefix(baseName_, ::getpid()) + "new" + QByteArray::number(attempt);
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
    QByteArray baseName_;
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
    const bool exists = ::stat(QFile::encodeName(fileName).constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        failCreate(fileName, EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) {
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
        } catch (...) {
            // Once the disk refused bytes, that is the reason, whatever words the writer found
            // for what followed (they name neither the file nor the cause).
            if (stream.LastError() != 0)
                failWrite(fileName, stream.LastError());
            throw;
        }
        // A writer that went on past a short write must not leave a cut file in place.
        if (stream.LastError() != 0)
            failWrite(fileName, stream.LastError());
        if (std::fflush(file) != 0)
            failWrite(fileName, errno);
    }
    temporary.commit();
}
