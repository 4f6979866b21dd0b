#pragma once
// The pieces the undo history is kept in. A band is an immutable run of whole rows of one
// snapshot; snapshots that did not change those rows share it. A band starts as a raw copy (so
// taking a snapshot costs no more than copying what changed), is compressed on a background
// thread, perhaps as its difference from the band it replaced, and past the program's history
// budget moves to a spill file. Reading it always gives back the exact bytes.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace history {

class HistoryMemory;

// Bytes of a raw band, uninitialised when made: the copy fills them.
class RawBytes {
public:
    RawBytes() = default;
    explicit RawBytes(size_t size) : data_(new uint8_t[size]), size_(size) {}
    uint8_t* data() const { return data_.get(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void swap(RawBytes& other) noexcept
    {
        data_.swap(other.data_);
        std::swap(size_, other.size_);
    }

private:
    std::unique_ptr<uint8_t[]> data_;
    size_t size_ = 0;
};

class Band : public std::enable_shared_from_this<Band> {
    struct Made {};

public:
    // A copy of bytes at src. The band it replaces (the same rows a step earlier, of the same
    // length) is then kept as its difference from this one, which for a stroke or a brightness
    // step is nearly all zero; the newest stays whole, so the step undone most is read fastest.
    static std::shared_ptr<const Band> make(const uint8_t* src, size_t bytes, std::shared_ptr<const Band> replaced);
    Band(Made, const uint8_t* src, size_t bytes, std::shared_ptr<const Band> replaced);
    ~Band();
    Band(const Band&) = delete;
    Band& operator=(const Band&) = delete;

    size_t bytes() const { return bytes_; }
    // Writes the band's bytes to out. Safe against the background work on the band; throws
    // std::runtime_error when a spilled band cannot be read back.
    void read(uint8_t* out) const;
    // The same, where out already holds the bytes of known: when one of the two is kept as
    // its difference from the other (neighbouring steps of the history), one difference is
    // decoded instead of a chain.
    void readOver(uint8_t* out, const Band& known) const;

    // For tests and measurements: where the band is kept now.
    enum class Kept { Raw, Packed, Spilled };
    Kept kept() const;

private:
    friend class HistoryMemory;
    // Background work: compresses a raw band whole, and the band it replaced as its difference
    // from this one; true when something changed.
    bool pack();
    // Keeps this whole, packed band as its difference from newer, whose bytes are given.
    void rebaseOnto(const std::shared_ptr<const Band>& newer, const uint8_t* newerBytes);
    // The band this one is kept as a difference from; null while raw or kept whole.
    const Band* deltaBase() const;
    // The difference from base_ when the band is kept as one; false otherwise.
    bool readDifference(std::vector<uint8_t>& difference, const Band*& base) const;
    // The packed bytes, from memory or the spill file; the caller holds the lock.
    std::vector<uint8_t> packedLocked() const;
    // Moves the packed bytes to the spill file; false when they cannot be written.
    bool spill();
    // Bytes the band holds in memory now.
    size_t heldBytes() const;

    const size_t bytes_;
    uint64_t order_ = 0;
    // Versions of the same rows count up; every fourth stays whole, which keeps chains short.
    int version_ = 0;
    std::weak_ptr<Band> replaced_;
    mutable std::mutex mutex_;
    RawBytes raw_;
    std::vector<uint8_t> packed_;
    bool delta_ = false;
    int64_t spillOffset_ = -1;
    size_t spillLength_ = 0;
    // The newer band this one is kept as a difference from.
    std::shared_ptr<const Band> base_;
};

// The history memory of the whole program, shared by all windows: accounting of the bytes bands
// hold, the background compression and the spill file.
class HistoryMemory {
public:
    static HistoryMemory& instance();

    // Bytes the bands may hold in memory before the oldest go to the spill file. Default: one
    // eighth of the physical memory.
    void setBudget(size_t bytes);
    size_t budget() const { return budget_.load(); }
    static size_t defaultBudget();

    // The folder of the spill file; by default a folder of the program in the user's cache
    // folder. Changing it applies to the next spill file made (at once when the present one
    // holds nothing).
    void setSpillFolder(const std::string& folder);
    std::string spillFolder() const;
    // Removes spill files that processes no longer running left behind in the folder.
    static void removeStaleSpillFiles(const std::string& folder);

    // Called once (from the background thread) when the spill file cannot be written, so that
    // the history stays in memory beyond the budget.
    void setShortOfMemoryNotice(std::function<void()> notice);

    // Bytes bands hold in memory, and bytes of the spill file still in use.
    size_t memoryBytes() const { return memoryBytes_.load(); }
    size_t spilledBytes() const { return spilledBytes_.load(); }
    // A picture of this many bytes was stored: the raw buffers kept for reuse may hold as much.
    void notePictureBytes(size_t bytes);
    // Hands the kept raw buffers back (when the last window closes).
    void releaseKept();
    size_t keptBytes() const;

    // Waits until every band made so far has been compressed and the budget kept (as far as
    // the spill file allows).
    void settle();
    // Ends the background thread and removes the spill file; bands still alive stay readable
    // while in memory. Runs at exit as well.
    void shutdown();

private:
    friend class Band;
    HistoryMemory();
    ~HistoryMemory();

    void enrol(const std::shared_ptr<Band>& band);
    void leave(uint64_t order);
    void held(ptrdiff_t change) { memoryBytes_.fetch_add(static_cast<size_t>(change)); }
    void work();
    void keepBudget(std::unique_lock<std::mutex>& lock);
    // The spill file, opened on first use; -1 when it cannot be had.
    int spillFile();
    bool writeSpill(const uint8_t* data, size_t length, int64_t& offset);
    void readSpill(uint8_t* out, size_t length, int64_t offset) const;
    void releaseSpill(int64_t offset, size_t length);
    void spillFailed();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::map<uint64_t, std::weak_ptr<Band>> bands_; // by age, oldest first
    // Every band older than this is spilled (or gone).
    uint64_t spilledBefore_ = 0;
    std::deque<uint64_t> toPack_;
    bool busy_ = false;
    bool stopping_ = false;
    // Raised to make the thread look at the budget again.
    uint64_t kicks_ = 0;
    uint64_t rounds_ = 0;
    uint64_t nextOrder_ = 1;
    std::thread worker_;

    std::atomic<size_t> budget_;
    std::atomic<size_t> memoryBytes_{0};
    // Bytes of bands not compressed yet: a snapshot waits while they pass a bound, so that the
    // background never falls further behind than that.
    std::atomic<size_t> rawBytes_{0};
    std::condition_variable packed_;
    std::atomic<size_t> spilledBytes_{0};

    // Raw buffers of packed bands, for the next raw bands: fresh pages cost a fault each.
    RawBytes takeRaw(size_t size);
    void giveRaw(RawBytes raw);
    mutable std::mutex keptMutex_;
    std::vector<RawBytes> kept_;
    size_t keptBytes_ = 0;
    size_t mostKept_ = 0;

    mutable std::mutex spillMutex_;
    std::string folder_;
    std::string spillPath_;
    int spillFd_ = -1;
    std::atomic<bool> spillBroken_{false};
    int64_t spillEnd_ = 0;
    std::function<void()> notice_;
    bool noticeGiven_ = false;
};

} // namespace history
