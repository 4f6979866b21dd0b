#pragma once
// The recovery journal of one picture window: its picture at the first change, then every
// completed change as the rows it touched, written by a thread of its own and on the disk at
// most a second after the change. A crash or a kill then loses at most that second; the next
// start offers the journals of processes that are gone (recovery_store.h).

#include "document/recovery_format.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TDibGraphic;
namespace gdi {
class DibSurface;
}

namespace recovery {

// The folder journals live in: the user's state folder ($XDG_STATE_HOME, else ~/.local/state),
// a folder of this program inside it.
QString JournalFolder();

// This process's claim on its journals: a lock file held for the life of the process, so that
// another instance never offers them while we run. Made when the first journal starts.
class InstanceLock {
public:
    static InstanceLock& current();
    // The folder exists and the lock is held; false when either cannot be had (the reason in
    // error).
    bool acquire(QString* error);
    QString tag() const { return tag_; }
    // A new journal's path, unique in this process.
    QString newJournalPath();
    // A clean exit: the lock file goes.
    void release();

private:
    InstanceLock();
    QString tag_;
    int fd_ = -1;
    int serial_ = 0;
    std::mutex mutex_;
};

class RecoveryJournal {
public:
    RecoveryJournal();
    ~RecoveryJournal();
    RecoveryJournal(const RecoveryJournal&) = delete;
    RecoveryJournal& operator=(const RecoveryJournal&) = delete;

    // Told once per process, on the thread that records, when a journal cannot be written: the
    // editor goes on, its work unprotected until a later attempt succeeds.
    using FailureHandler = std::function<void(const QString& reason)>;
    // Returns the handler it replaces; installing one lets it be told again.
    static FailureHandler setFailureHandler(FailureHandler handler);
    // How long a journal that failed waits before it is tried again.
    static void setRetryDelay(std::chrono::milliseconds delay);
    // A journal grown past this many times its picture's size starts anew at its next whole
    // picture (3 unless set).
    static void setRestartFactor(size_t pictures);

    // Records a change that has completed: the rows of the picture written since the last
    // record, or the whole picture when there is no journal yet or the picture's size, format,
    // palette or memory changed. Costs a copy of those rows; the rest happens on the writer.
    void recordChange(const TDibGraphic& picture, const JournalInfo& info);
    // The picture was saved: its journal goes; the next change starts a new one on it.
    void rebase();
    // The window closes: the journal goes.
    void remove();
    // Removes a journal this one takes over, once this one's picture is on the disk (a restored
    // window's old journal); kept when this journal cannot be written.
    void retireAfterSync(const QString& oldPath);
    // Waits until everything handed to the writer is on the disk or given up.
    void flush();

    // The current journal file; empty while there is none.
    QString path() const { return path_; }
    // Whether the last attempt to write failed (the work is unprotected).
    bool failed() const;

private:
    struct Job;
    void enqueue(std::unique_ptr<Job> job);
    void writerLoop();
    bool startJournal(const JournalInfo& info);
    void queueInfo(const JournalInfo& info);
    void queuePicture(const TDibGraphic& picture);
    void queueRows(const TDibGraphic& picture, int firstStored, int count);
    std::unique_ptr<Job> makeRecord(RecordType type, size_t payloadBytes);
    void reportFailure(const QString& reason);
    void noteShape(const TDibGraphic& picture);
    bool sameShape(const TDibGraphic& picture) const;

    // ---- The recording thread's side ----
    QString path_;
    // Journals this one replaced, removed by the writer once this one is on the disk; kept
    // here so that closing the window removes them even when that never happened.
    QStringList retired_;
    size_t bytesQueued_ = 0;
    JournalInfo info_;
    bool open_ = false;
    bool broken_ = false;
    std::chrono::steady_clock::time_point retryAt_{};
    uint64_t failuresSeen_ = 0;
    const gdi::DibSurface* surface_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int format_ = -1;
    std::vector<uint8_t> colours_;

    // ---- Shared with the writer ----
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::unique_ptr<Job>> jobs_;
    // Payload buffers the writer is done with, kept for the next record so that a big change
    // does not pay for fresh pages every time.
    struct Buffer {
        std::unique_ptr<uint8_t[]> bytes;
        size_t capacity = 0;
    };
    std::vector<Buffer> spare_;
    bool busy_ = false;
    bool stop_ = false;
    uint64_t failures_ = 0;
    QString failureReason_;
    bool writerFailed_ = false;
    std::thread writer_;
};

} // namespace recovery
