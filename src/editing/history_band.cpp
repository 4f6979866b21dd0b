#include "editing/history_band.h"

#include <zstd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace history {

namespace {

// Fast and still small: the bands are mostly differences, nearly all zero.
constexpr int kLevel = -5;
// A band kept as a difference is read through the newer one; every fourth version of the same
// rows stays whole, so that an undo never decodes more than a few bands for one.
constexpr int kWholeEvery = 4;
constexpr const char* kSpillPrefix = "history-";
constexpr const char* kSpillSuffix = ".spill";

std::vector<uint8_t> compress(const uint8_t* data, size_t length)
{
    thread_local ZSTD_CCtx* context = ZSTD_createCCtx();
    std::vector<uint8_t> out(ZSTD_compressBound(length));
    const size_t size = ZSTD_compressCCtx(context, out.data(), out.size(), data, length, kLevel);
    if (ZSTD_isError(size))
        throw std::runtime_error(ZSTD_getErrorName(size));
    out.resize(size);
    out.shrink_to_fit();
    return out;
}

void decompress(const uint8_t* data, size_t length, uint8_t* out, size_t outLength)
{
    thread_local ZSTD_DCtx* context = ZSTD_createDCtx();
    const size_t size = ZSTD_decompressDCtx(context, out, outLength, data, length);
    if (ZSTD_isError(size) || size != outLength)
        throw std::runtime_error("history band damaged");
}

// Bytewise difference: a brightness step adds nearly the same to every byte, which XOR
// would not keep constant.
void add(uint8_t* out, const uint8_t* difference, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        out[i] = static_cast<uint8_t>(out[i] + difference[i]);
}

std::string defaultFolder()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::string base;
    if (cache && *cache == '/')
        base = cache;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.cache";
    else
        return {};
    return base + "/pictavo";
}

} // namespace

// ---- Band ----

std::shared_ptr<const Band> Band::make(const uint8_t* src, size_t bytes, std::shared_ptr<const Band> replaced)
{
    auto band = std::make_shared<Band>(Made{}, src, bytes, std::move(replaced));
    HistoryMemory::instance().enrol(band);
    return band;
}

Band::Band(Made, const uint8_t* src, size_t bytes, std::shared_ptr<const Band> replaced)
    : bytes_(bytes), raw_(HistoryMemory::instance().takeRaw(bytes))
{
    std::memcpy(raw_.data(), src, bytes);
    if (replaced && replaced->bytes() == bytes) {
        version_ = replaced->version_ + 1;
        // Only the background thread changes how a band is kept; the band itself stays the same.
        replaced_ = std::const_pointer_cast<Band>(replaced);
    }
    HistoryMemory::instance().held(static_cast<ptrdiff_t>(bytes));
    HistoryMemory::instance().rawBytes_.fetch_add(bytes);
}

Band::~Band()
{
    HistoryMemory& memory = HistoryMemory::instance();
    if (order_ != 0)
        memory.leave(order_);
    memory.held(-static_cast<ptrdiff_t>(heldBytes()));
    memory.rawBytes_.fetch_sub(raw_.size());
    if (spillOffset_ >= 0)
        memory.releaseSpill(spillOffset_, spillLength_);
}

size_t Band::heldBytes() const
{
    return raw_.size() + packed_.size();
}

Band::Kept Band::kept() const
{
    std::lock_guard lock(mutex_);
    if (!raw_.empty() || bytes_ == 0)
        return Kept::Raw;
    return spillOffset_ >= 0 ? Kept::Spilled : Kept::Packed;
}

std::vector<uint8_t> Band::packedLocked() const
{
    if (spillOffset_ < 0)
        return packed_;
    std::vector<uint8_t> spilled(spillLength_);
    HistoryMemory::instance().readSpill(spilled.data(), spillLength_, spillOffset_);
    return spilled;
}

void Band::read(uint8_t* out) const
{
    std::unique_lock lock(mutex_);
    if (!raw_.empty() || bytes_ == 0) {
        std::memcpy(out, raw_.data(), bytes_);
        return;
    }
    const std::vector<uint8_t> packed = spillOffset_ < 0 ? std::vector<uint8_t>() : packedLocked();
    const std::vector<uint8_t>& from = spillOffset_ < 0 ? packed_ : packed;
    if (!delta_) {
        decompress(from.data(), from.size(), out, bytes_);
        return;
    }
    std::vector<uint8_t> difference(bytes_);
    decompress(from.data(), from.size(), difference.data(), bytes_);
    std::shared_ptr<const Band> base = base_;
    // The base is kept alive here; reading it needs no lock of this band.
    lock.unlock();
    base->read(out);
    add(out, difference.data(), bytes_);
}

bool Band::readDifference(std::vector<uint8_t>& difference, const Band*& base) const
{
    std::lock_guard lock(mutex_);
    if (!delta_ || !raw_.empty())
        return false;
    const std::vector<uint8_t> packed = packedLocked();
    difference.resize(bytes_);
    decompress(packed.data(), packed.size(), difference.data(), bytes_);
    base = base_.get();
    return true;
}

void Band::readOver(uint8_t* out, const Band& known) const
{
    if (&known == this)
        return;
    std::vector<uint8_t> difference;
    const Band* base = nullptr;
    // This band is known plus its difference (undo), or known is this plus its (redo).
    if (deltaBase() == &known && readDifference(difference, base) && base == &known) {
        add(out, difference.data(), bytes_);
        return;
    }
    if (known.deltaBase() == this && known.readDifference(difference, base) && base == this) {
        for (size_t i = 0; i < bytes_; ++i)
            out[i] = static_cast<uint8_t>(out[i] - difference[i]);
        return;
    }
    read(out);
}

const Band* Band::deltaBase() const
{
    std::lock_guard lock(mutex_);
    return delta_ && raw_.empty() ? base_.get() : nullptr;
}

bool Band::pack()
{
    {
        std::lock_guard lock(mutex_);
        if (raw_.empty())
            return false;
    }
    // Only this thread changes how bands are kept, so the raw bytes can be read unlocked.
    std::vector<uint8_t> packed = compress(raw_.data(), bytes_);
    if (std::shared_ptr<Band> older = replaced_.lock(); older && older->version_ % kWholeEvery != 0)
        older->rebaseOnto(shared_from_this(), raw_.data());
    replaced_.reset();
    RawBytes raw;
    std::unique_lock lock(mutex_);
    const ptrdiff_t change = static_cast<ptrdiff_t>(packed.size()) - static_cast<ptrdiff_t>(raw_.size());
    raw.swap(raw_);
    packed_ = std::move(packed);
    lock.unlock();
    HistoryMemory::instance().held(change);
    HistoryMemory::instance().rawBytes_.fetch_sub(raw.size());
    HistoryMemory::instance().giveRaw(std::move(raw));
    return true;
}

void Band::rebaseOnto(const std::shared_ptr<const Band>& newer, const uint8_t* newerBytes)
{
    std::vector<uint8_t> own;
    {
        std::lock_guard lock(mutex_);
        // Raw (its packing failed), already a difference, or on disk: left as it is.
        if (!raw_.empty() || delta_ || spillOffset_ >= 0 || packed_.empty())
            return;
        own = packed_;
    }
    std::vector<uint8_t> difference(bytes_);
    decompress(own.data(), own.size(), difference.data(), bytes_);
    for (size_t i = 0; i < bytes_; ++i)
        difference[i] = static_cast<uint8_t>(difference[i] - newerBytes[i]);
    std::vector<uint8_t> packed = compress(difference.data(), bytes_);
    if (packed.size() >= own.size())
        return;
    std::unique_lock lock(mutex_);
    const ptrdiff_t change = static_cast<ptrdiff_t>(packed.size()) - static_cast<ptrdiff_t>(packed_.size());
    packed_ = std::move(packed);
    delta_ = true;
    base_ = newer;
    lock.unlock();
    HistoryMemory::instance().held(change);
}

bool Band::spill()
{
    std::lock_guard lock(mutex_);
    if (packed_.empty() || spillOffset_ >= 0)
        return true;
    int64_t offset = 0;
    if (!HistoryMemory::instance().writeSpill(packed_.data(), packed_.size(), offset))
        return false;
    spillOffset_ = offset;
    spillLength_ = packed_.size();
    const ptrdiff_t freed = static_cast<ptrdiff_t>(packed_.size());
    std::vector<uint8_t>().swap(packed_);
    HistoryMemory::instance().held(-freed);
    return true;
}

// ---- HistoryMemory ----

HistoryMemory& HistoryMemory::instance()
{
    // Never destroyed: bands in static storage may outlive any static object. The thread and
    // the spill file end at exit.
    static HistoryMemory* memory = [] {
        auto* made = new HistoryMemory;
        std::atexit([] { HistoryMemory::instance().shutdown(); });
        return made;
    }();
    return *memory;
}

HistoryMemory::HistoryMemory() : budget_(defaultBudget()), folder_(defaultFolder()) {}

HistoryMemory::~HistoryMemory() = default;

size_t HistoryMemory::defaultBudget()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return size_t{512} << 20;
    return static_cast<size_t>(pages) * static_cast<size_t>(pageSize) / 8;
}

void HistoryMemory::setBudget(size_t bytes)
{
    budget_.store(bytes);
    std::lock_guard lock(mutex_);
    ++kicks_;
    wake_.notify_all();
}

void HistoryMemory::setSpillFolder(const std::string& folder)
{
    std::lock_guard lock(spillMutex_);
    folder_ = folder;
    spillBroken_ = false;
    // A file nothing lives in any more gives way to one in the new folder.
    if (spillFd_ >= 0 && spilledBytes_.load() == 0) {
        close(spillFd_);
        unlink(spillPath_.c_str());
        spillFd_ = -1;
    }
}

std::string HistoryMemory::spillFolder() const
{
    std::lock_guard lock(spillMutex_);
    return folder_;
}

void HistoryMemory::setShortOfMemoryNotice(std::function<void()> notice)
{
    std::lock_guard lock(spillMutex_);
    notice_ = std::move(notice);
    noticeGiven_ = false;
}

void HistoryMemory::removeStaleSpillFiles(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = kSpillPrefix;
    const std::string suffix = kSpillSuffix;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(digits));
        // A process that still runs keeps its file, whoever it is.
        if (pid == getpid() || kill(pid, 0) == 0 || errno == EPERM)
            continue;
        unlink((folder + "/" + name).c_str());
    }
    closedir(dir);
}

void HistoryMemory::enrol(const std::shared_ptr<Band>& band)
{
    std::unique_lock lock(mutex_);
    if (!worker_.joinable() && !stopping_)
        worker_ = std::thread([this] { work(); });
    band->order_ = nextOrder_++;
    bands_.emplace(band->order_, band);
    if (stopping_)
        return;
    toPack_.push_back(band->order_);
    wake_.notify_all();
    const size_t most = std::max(budget_.load() / 8, size_t{64} << 20);
    if (rawBytes_.load() > most)
        packed_.wait(lock, [&] { return stopping_ || toPack_.empty() || rawBytes_.load() <= most / 2; });
}

void HistoryMemory::leave(uint64_t order)
{
    std::lock_guard lock(mutex_);
    bands_.erase(order);
}

void HistoryMemory::work()
{
    std::unique_lock lock(mutex_);
    uint64_t seenKicks = kicks_;
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || !toPack_.empty() || kicks_ != seenKicks; });
        if (stopping_)
            return;
        seenKicks = kicks_;
        busy_ = true;
        while (!toPack_.empty() && !stopping_) {
            const uint64_t order = toPack_.front();
            toPack_.pop_front();
            auto found = bands_.find(order);
            std::shared_ptr<Band> band = found == bands_.end() ? nullptr : found->second.lock();
            if (!band) {
                packed_.notify_all();
                continue;
            }
            // Unlocked: a window may store, restore or drop bands meanwhile. The band is kept
            // alive here and may end here (its destructor takes the lock).
            lock.unlock();
            try {
                band->pack();
            } catch (...) {
                // Stays raw: correct, only bigger.
            }
            band.reset();
            lock.lock();
            packed_.notify_all();
            keepBudget(lock);
        }
        keepBudget(lock);
        busy_ = false;
        ++rounds_;
        idle_.notify_all();
    }
}

void HistoryMemory::keepBudget(std::unique_lock<std::mutex>& lock)
{
    // Oldest first; everything before the queue is packed once the queue is empty.
    while (!stopping_ && !spillBroken_ && memoryBytes_.load() > budget_.load()) {
        auto found = bands_.lower_bound(spilledBefore_);
        if (found == bands_.end())
            return;
        const uint64_t order = found->first;
        std::shared_ptr<Band> band = found->second.lock();
        lock.unlock();
        if (band && band->kept() == Band::Kept::Raw) {
            // The newest, not packed yet; the band may end here, which takes the lock.
            band.reset();
            lock.lock();
            return;
        }
        const bool spilled = !band || band->spill();
        band.reset();
        lock.lock();
        if (!spilled) {
            lock.unlock();
            spillFailed();
            lock.lock();
            return;
        }
        spilledBefore_ = std::max(spilledBefore_, order + 1);
    }
}

void HistoryMemory::spillFailed()
{
    std::function<void()> notice;
    {
        std::lock_guard lock(spillMutex_);
        spillBroken_ = true;
        if (noticeGiven_)
            return;
        noticeGiven_ = true;
        notice = notice_;
    }
    if (notice)
        notice();
}

int HistoryMemory::spillFile()
{
    if (spillFd_ >= 0 || spillBroken_)
        return spillBroken_ ? -1 : spillFd_;
    if (folder_.empty())
        return -1;
    // The folder and its parents, private to the user.
    for (size_t slash = folder_.find('/', 1);; slash = folder_.find('/', slash + 1)) {
        const std::string part = folder_.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return -1;
        if (slash == std::string::npos)
            break;
    }
    removeStaleSpillFiles(folder_);
    spillPath_ = folder_ + "/" + kSpillPrefix + std::to_string(getpid()) + kSpillSuffix;
    spillFd_ = open(spillPath_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    spillEnd_ = 0;
    return spillFd_;
}

bool HistoryMemory::writeSpill(const uint8_t* data, size_t length, int64_t& offset)
{
    std::lock_guard lock(spillMutex_);
    const int fd = spillFile();
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < length) {
        const ssize_t n = pwrite(fd, data + done, length - done, static_cast<off_t>(spillEnd_ + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Disk full or the like: what was written there is not used.
            (void)ftruncate(fd, static_cast<off_t>(spillEnd_));
            return false;
        }
        done += static_cast<size_t>(n);
    }
    offset = spillEnd_;
    spillEnd_ += static_cast<int64_t>(length);
    spilledBytes_.fetch_add(length);
    return true;
}

void HistoryMemory::readSpill(uint8_t* out, size_t length, int64_t offset) const
{
    std::lock_guard lock(spillMutex_);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = pread(spillFd_, out + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("history spill file cannot be read");
        done += static_cast<size_t>(n);
    }
}

void HistoryMemory::releaseSpill(int64_t offset, size_t length)
{
    std::lock_guard lock(spillMutex_);
    spilledBytes_.fetch_sub(length);
    if (spillFd_ < 0)
        return;
    if (spilledBytes_.load() == 0) {
        // Nothing left in it: start again from the beginning.
        (void)ftruncate(spillFd_, 0);
        spillEnd_ = 0;
        return;
    }
    (void)fallocate(spillFd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                    static_cast<off_t>(length));
}

RawBytes HistoryMemory::takeRaw(size_t size)
{
    {
        std::lock_guard lock(keptMutex_);
        // Bands of one picture are all of a size but the last.
        for (size_t i = kept_.size(); i-- > 0;) {
            if (kept_[i].size() == size) {
                RawBytes found;
                found.swap(kept_[i]);
                kept_[i].swap(kept_.back());
                kept_.pop_back();
                keptBytes_ -= size;
                return found;
            }
        }
    }
    return RawBytes(size);
}

void HistoryMemory::giveRaw(RawBytes raw)
{
    std::lock_guard lock(keptMutex_);
    if (raw.empty() || keptBytes_ + raw.size() > mostKept_)
        return;
    keptBytes_ += raw.size();
    kept_.push_back(std::move(raw));
}

void HistoryMemory::notePictureBytes(size_t bytes)
{
    std::lock_guard lock(keptMutex_);
    // One picture's worth, within an eighth of the budget.
    mostKept_ = std::max(mostKept_, std::min(bytes, budget_.load() / 8));
}

void HistoryMemory::releaseKept()
{
    std::vector<RawBytes> dropped;
    std::lock_guard lock(keptMutex_);
    dropped.swap(kept_);
    keptBytes_ = 0;
    mostKept_ = 0;
}

size_t HistoryMemory::keptBytes() const
{
    std::lock_guard lock(keptMutex_);
    return keptBytes_;
}

void HistoryMemory::settle()
{
    std::unique_lock lock(mutex_);
    if (!worker_.joinable())
        return;
    ++kicks_;
    const uint64_t round = rounds_ + 1;
    wake_.notify_all();
    idle_.wait(lock, [&] { return stopping_ || (toPack_.empty() && !busy_ && rounds_ >= round); });
}

void HistoryMemory::shutdown()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        wake_.notify_all();
        idle_.notify_all();
        packed_.notify_all();
    }
    if (worker_.joinable())
        worker_.join();
    std::lock_guard lock(spillMutex_);
    if (spillFd_ >= 0) {
        close(spillFd_);
        unlink(spillPath_.c_str());
        spillFd_ = -1;
        spillBroken_ = true;
    }
}

} // namespace history
