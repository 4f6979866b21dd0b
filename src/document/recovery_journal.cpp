#include "document/recovery_journal.h"

#include "document/recovery_checksum.h"
#include "imaging/dib_graphic.h"
#include "platform/gdi/dib_surface.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/uio.h>
#include <unistd.h>

namespace recovery {

namespace {

std::mutex handlerMutex;
RecoveryJournal::FailureHandler failureHandler;
bool failureTold = false;
std::chrono::milliseconds retryDelay{5000};
constexpr size_t MaxSpareBuffers = 2;
constexpr std::chrono::milliseconds MaxUnsynced{400};
// A journal that has grown past this many pictures starts again at its next whole picture.
size_t restartFactor = 3;


QString systemError(const char* what, const QString& path, int error)
{
    return QStringLiteral("%1 «%2»: %3").arg(QString::fromUtf8(what), path, QString::fromLocal8Bit(strerror(error)));
}

// Writes all bytes, going on after short writes and interruptions.
bool writeAll(int fd, const uint8_t* bytes, size_t count, int* error)
{
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return false;
        }
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

void putString(std::vector<uint8_t>& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const size_t at = out.size();
    out.resize(at + 4 + static_cast<size_t>(utf8.size()));
    put32(out.data() + at, static_cast<uint32_t>(utf8.size()));
    std::memcpy(out.data() + at + 4, utf8.constData(), static_cast<size_t>(utf8.size()));
}

} // namespace

QString JournalFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/pictavo/recovery");
}

// ---- InstanceLock ----

InstanceLock::InstanceLock()
    : tag_(QStringLiteral("%1-%2")
               .arg(QCoreApplication::applicationPid())
               .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0')))
{
}

InstanceLock& InstanceLock::current()
{
    static InstanceLock lock;
    return lock;
}

bool InstanceLock::acquire(QString* error)
{
    std::lock_guard guard(mutex_);
    // The folder may have gone since the lock was taken: every new journal makes sure of it.
    const QString folder = JournalFolder();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("не удаётся создать папку «%1»").arg(folder);
        return false;
    }
    if (fd_ >= 0)
        return true;
    const QString path = folder + u'/' + tag_ + QStringLiteral(".lock");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = systemError("не удаётся создать", path, errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *error = systemError("не удаётся запереть", path, errno);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

QString InstanceLock::newJournalPath()
{
    std::lock_guard guard(mutex_);
    return JournalFolder() + u'/' + tag_ + u'.' + QString::number(++serial_) + QStringLiteral(".journal");
}

void InstanceLock::release()
{
    std::lock_guard guard(mutex_);
    if (fd_ < 0)
        return;
    ::unlink(QFile::encodeName(JournalFolder() + u'/' + tag_ + QStringLiteral(".lock")).constData());
    ::close(fd_);
    fd_ = -1;
}

// ---- RecoveryJournal ----

struct RecoveryJournal::Job {
    enum Kind { Open, Record, Remove, Retire } kind = Record;
    QString path;
    Buffer buffer;
    size_t used = 0;
};

RecoveryJournal::FailureHandler RecoveryJournal::setFailureHandler(FailureHandler handler)
{
    std::lock_guard guard(handlerMutex);
    failureTold = false;
    return std::exchange(failureHandler, std::move(handler));
}

void RecoveryJournal::setRetryDelay(std::chrono::milliseconds delay)
{
    retryDelay = delay;
}

void RecoveryJournal::setRestartFactor(size_t pictures)
{
    restartFactor = pictures;
}

RecoveryJournal::RecoveryJournal() : writer_([this] { writerLoop(); }) {}

RecoveryJournal::~RecoveryJournal()
{
    remove();
    {
        std::lock_guard guard(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    writer_.join();
}

bool RecoveryJournal::failed() const
{
    std::lock_guard guard(mutex_);
    return writerFailed_ || broken_;
}

void RecoveryJournal::enqueue(std::unique_ptr<Job> job)
{
    {
        std::lock_guard guard(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

std::unique_ptr<RecoveryJournal::Job> RecoveryJournal::makeRecord(RecordType type, size_t payloadBytes)
{
    auto job = std::make_unique<Job>();
    job->kind = Job::Record;
    const size_t total = RecordHeaderBytes + payloadBytes;
    {
        // The smallest spare that holds the record, so that the big one stays for a big change.
        std::lock_guard guard(mutex_);
        auto best = spare_.end();
        for (auto it = spare_.begin(); it != spare_.end(); ++it)
            if (it->capacity >= total && (best == spare_.end() || it->capacity < best->capacity))
                best = it;
        if (best != spare_.end()) {
            job->buffer = std::move(*best);
            spare_.erase(best);
        }
    }
    if (!job->buffer.bytes) {
        // Not value-initialised: every byte is written before the record goes out.
        job->buffer.bytes.reset(new uint8_t[total]);
        job->buffer.capacity = total;
    }
    job->used = total;
    bytesQueued_ += total;
    uint8_t* header = job->buffer.bytes.get();
    put32(header, RecordMagic);
    put32(header + 4, static_cast<uint32_t>(type));
    put64(header + 8, static_cast<uint64_t>(QDateTime::currentMSecsSinceEpoch()));
    put64(header + 16, payloadBytes);
    // The checksums are the writer's.
    return job;
}

void RecoveryJournal::reportFailure(const QString& reason)
{
    broken_ = true;
    retryAt_ = std::chrono::steady_clock::now() + retryDelay;
    FailureHandler handler;
    {
        std::lock_guard guard(handlerMutex);
        if (failureTold)
            return;
        failureTold = true;
        handler = failureHandler;
    }
    if (handler)
        handler(reason);
}

bool RecoveryJournal::startJournal(const JournalInfo& info)
{
    QString error;
    if (!InstanceLock::current().acquire(&error)) {
        reportFailure(error);
        return false;
    }
    path_ = InstanceLock::current().newJournalPath();
    bytesQueued_ = 0;
    auto open = std::make_unique<Job>();
    open->kind = Job::Open;
    open->path = path_;
    enqueue(std::move(open));
    open_ = true;
    broken_ = false;
    queueInfo(info);
    return true;
}

void RecoveryJournal::queueInfo(const JournalInfo& info)
{
    std::vector<uint8_t> payload;
    putString(payload, info.fileName);
    putString(payload, info.caption);
    putString(payload, info.formatClass);
    payload.push_back(info.jpeg ? 1 : 0);
    std::unique_ptr<Job> job = makeRecord(RecordType::Info, payload.size());
    std::memcpy(job->buffer.bytes.get() + RecordHeaderBytes, payload.data(), payload.size());
    enqueue(std::move(job));
    info_ = info;
}

void RecoveryJournal::noteShape(const TDibGraphic& picture)
{
    const gdi::DibSurface& surface = *picture.DibSection();
    surface_ = &surface;
    width_ = surface.width();
    height_ = surface.height();
    format_ = picture.ImageFormat();
    colours_.assign(reinterpret_cast<const uint8_t*>(surface.colorTable().data()),
                    reinterpret_cast<const uint8_t*>(surface.colorTable().data() + surface.colorTable().size()));
}

bool RecoveryJournal::sameShape(const TDibGraphic& picture) const
{
    const gdi::DibSurface& surface = *picture.DibSection();
    const auto& table = surface.colorTable();
    return surface_ == &surface && width_ == surface.width() && height_ == surface.height() &&
           format_ == picture.ImageFormat() && colours_.size() == table.size() * sizeof(gdi::RgbQuad) &&
           (colours_.empty() || std::memcmp(colours_.data(), table.data(), colours_.size()) == 0);
}

void RecoveryJournal::queuePicture(const TDibGraphic& picture)
{
    const gdi::DibSurface& surface = *picture.DibSection();
    const size_t colourBytes = surface.colorTable().size() * sizeof(gdi::RgbQuad);
    const size_t pixelBytes = surface.imageBytes();
    std::unique_ptr<Job> job = makeRecord(RecordType::Picture, PictureFixedBytes + colourBytes + 4 + pixelBytes);
    uint8_t* at = job->buffer.bytes.get() + RecordHeaderBytes;
    put32(at, static_cast<uint32_t>(surface.width()));
    put32(at + 4, static_cast<uint32_t>(surface.height()));
    at[8] = static_cast<uint8_t>(picture.ImageFormat());
    at[9] = at[10] = at[11] = 0;
    const uint32_t dpi = uint32_t{picture.XDpi()} | (uint32_t{picture.YDpi()} << 16);
    put32(at + 12, dpi);
    put32(at + 16, static_cast<uint32_t>(surface.colorTable().size()));
    put32(at + 20, 0);
    at += PictureFixedBytes;
    if (colourBytes)
        std::memcpy(at, surface.colorTable().data(), colourBytes);
    at += colourBytes;
    put32(at, static_cast<uint32_t>(surface.rowBytes()));
    std::memcpy(at + 4, std::as_const(surface).bits(), pixelBytes);
    enqueue(std::move(job));
    noteShape(picture);
}

void RecoveryJournal::queueRows(const TDibGraphic& picture, int firstStored, int count)
{
    const gdi::DibSurface& surface = *picture.DibSection();
    const size_t rowBytes = static_cast<size_t>(surface.rowBytes());
    const size_t pixelBytes = rowBytes * static_cast<size_t>(count);
    std::unique_ptr<Job> job = makeRecord(RecordType::Rows, RowsFixedBytes + pixelBytes);
    uint8_t* at = job->buffer.bytes.get() + RecordHeaderBytes;
    put32(at, static_cast<uint32_t>(firstStored));
    put32(at + 4, static_cast<uint32_t>(count));
    put32(at + 8, static_cast<uint32_t>(rowBytes));
    put32(at + 12, static_cast<uint32_t>(surface.width()));
    put32(at + 16, static_cast<uint32_t>(surface.height()));
    std::memcpy(at + RowsFixedBytes, std::as_const(surface).bits() + rowBytes * static_cast<size_t>(firstStored),
                pixelBytes);
    enqueue(std::move(job));
}

void RecoveryJournal::recordChange(const TDibGraphic& picture, const JournalInfo& info)
{
    if (picture.GetEmpty())
        return;
    // Taken every time, so that a change made while the journal waits to be retried is not
    // mistaken for a later one: the retry writes the whole picture anyway.
    const gdi::RowRange rows = picture.DibSection()->takeWrittenRows(gdi::RowWatcher::Journal);
    {
        std::unique_lock guard(mutex_);
        if (failures_ != failuresSeen_) {
            failuresSeen_ = failures_;
            const QString reason = failureReason_;
            guard.unlock();
            reportFailure(reason);
        }
    }
    if (broken_ && std::chrono::steady_clock::now() < retryAt_)
        return;
    const int height = picture.GetHeight();
    const bool whole = !open_ || broken_ || !sameShape(picture) || (rows.first <= 0 && rows.last >= height - 1);
    // A whole picture is written anyway: into a new journal when this one has grown to a few
    // pictures, so that a long session does not fill the disk. The old one goes once the new
    // one is on the disk.
    if (!open_ || broken_ || (whole && bytesQueued_ > restartFactor * picture.DibSection()->imageBytes())) {
        const QString old = open_ ? path_ : QString();
        if (!startJournal(info))
            return;
        queuePicture(picture);
        if (!old.isEmpty())
            retireAfterSync(old);
        return;
    }
    if (!(info == info_))
        queueInfo(info);
    if (whole) {
        queuePicture(picture);
        return;
    }
    if (rows.empty())
        return;
    // Rows are counted from the top; the surface stores the bottom row first.
    const int top = std::max(rows.first, 0);
    const int bottom = std::min(rows.last, height - 1);
    if (top > bottom)
        return;
    queueRows(picture, height - 1 - bottom, bottom - top + 1);
}

void RecoveryJournal::rebase()
{
    // Journals kept because their successor could not be written go too.
    if (!path_.isEmpty())
        retired_.append(path_);
    for (const QString& path : std::as_const(retired_)) {
        auto gone = std::make_unique<Job>();
        gone->kind = Job::Remove;
        gone->path = path;
        enqueue(std::move(gone));
    }
    retired_.clear();
    path_.clear();
    open_ = false;
    surface_ = nullptr;
}

void RecoveryJournal::remove()
{
    rebase();
}

void RecoveryJournal::retireAfterSync(const QString& oldPath)
{
    retired_.append(oldPath);
    auto job = std::make_unique<Job>();
    job->kind = Job::Retire;
    job->path = oldPath;
    enqueue(std::move(job));
}

void RecoveryJournal::flush()
{
    std::unique_lock guard(mutex_);
    idle_.wait(guard, [this] { return jobs_.empty() && !busy_; });
}

void RecoveryJournal::writerLoop()
{
    int fd = -1;
    QString openPath;
    bool broken = false;
    bool unsynced = false;
    bool partial = false;
    bool pictureWritten = false;
    auto fail = [&](const QString& reason) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        broken = true;
        unsynced = false;
        std::lock_guard guard(mutex_);
        ++failures_;
        failureReason_ = reason;
        writerFailed_ = true;
    };
    auto lastSync = std::chrono::steady_clock::now();
    auto sync = [&]() {
        lastSync = std::chrono::steady_clock::now();
        if (fd >= 0 && unsynced) {
            if (::fdatasync(fd) != 0) {
                fail(systemError("не удаётся записать", openPath, errno));
            } else if (partial && pictureWritten) {
                const QByteArray from = QFile::encodeName(openPath + PartialSuffix);
                if (::rename(from.constData(), QFile::encodeName(openPath).constData()) != 0) {
                    fail(systemError("не удаётся записать", openPath, errno));
                } else {
                    partial = false;
                    // The journal's name must survive a power cut too.
                    const QByteArray folder = QFile::encodeName(QFileInfo(openPath).absolutePath());
                    if (const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
                        ::fsync(dir);
                        ::close(dir);
                    }
                }
            }
        }
        unsynced = false;
    };

    std::unique_lock guard(mutex_);
    for (;;) {
        if (jobs_.empty()) {
            // Everything handed over is written: it reaches the disk now, well inside a second.
            guard.unlock();
            sync();
            guard.lock();
            if (jobs_.empty()) {
                busy_ = false;
                idle_.notify_all();
                if (stop_)
                    break;
                wake_.wait(guard, [this] { return stop_ || !jobs_.empty(); });
                continue;
            }
        }
        std::unique_ptr<Job> job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        guard.unlock();

        switch (job->kind) {
        case Job::Open: {
            if (fd >= 0)
                ::close(fd);
            openPath = job->path;
            // Under a name of its own until its first picture is whole on the disk, so that a
            // kill in between never leaves a journal that holds nothing to offer.
            partial = true;
            pictureWritten = false;
            const QByteArray name = QFile::encodeName(openPath + PartialSuffix);
            fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            int error = 0;
            if (fd < 0) {
                fail(systemError("не удаётся создать", openPath, errno));
            } else if (!writeAll(fd, reinterpret_cast<const uint8_t*>(FileMagic), sizeof FileMagic, &error)) {
                fail(systemError("не удаётся записать", openPath, error));
            } else {
                broken = false;
                unsynced = true;
                std::lock_guard g(mutex_);
                writerFailed_ = false;
            }
            break;
        }
        case Job::Record: {
            if (broken || fd < 0)
                break;
            uint8_t* header = job->buffer.bytes.get();
            const size_t payload = job->used - RecordHeaderBytes;
            put32(header + 24, Checksum(header + RecordHeaderBytes, payload));
            put32(header + 28, Checksum(header, 28));
            int error = 0;
            if (!writeAll(fd, header, job->used, &error)) {
                fail(systemError("не удаётся записать", openPath, error));
            } else {
                unsynced = true;
                pictureWritten = pictureWritten || get32(header + 4) == static_cast<uint32_t>(RecordType::Picture);
            }
            break;
        }
        case Job::Remove: {
            if (job->path == openPath && fd >= 0) {
                ::close(fd);
                fd = -1;
                unsynced = false;
            }
            ::unlink(QFile::encodeName(job->path).constData());
            ::unlink(QFile::encodeName(job->path + PartialSuffix).constData());
            break;
        }
        case Job::Retire: {
            sync();
            if (!broken && fd >= 0)
                ::unlink(QFile::encodeName(job->path).constData());
            break;
        }
        }
        // Changes coming faster than they are written still reach the disk within the second.
        if (unsynced && std::chrono::steady_clock::now() - lastSync > MaxUnsynced)
            sync();

        guard.lock();
        if (job->buffer.bytes) {
            // A few spares are enough for a window: the smallest goes when there are more.
            spare_.push_back(std::move(job->buffer));
            if (spare_.size() > MaxSpareBuffers)
                spare_.erase(std::min_element(spare_.begin(), spare_.end(),
                                              [](const Buffer& a, const Buffer& b) { return a.capacity < b.capacity; }));
        }
    }
    guard.unlock();
    if (fd >= 0)
        ::close(fd);
}

} // namespace recovery
