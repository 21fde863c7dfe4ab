// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/mapped_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

#include "platform/core/disc_volume.h"
#include "platform/core/paths.h"

namespace platform {
namespace {

// The mappings a bus error may come from: read by the signal handler, which
// takes no lock, so each is a pair of atomics written under a mutex.
struct GuardedRange {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
};
constexpr std::size_t MaxGuarded = 64;
std::array<GuardedRange, MaxGuarded> guarded;
std::mutex guardedLock;
std::uintptr_t pageSize = 0;
struct sigaction previousAction {};

// A page of a mapped file that has shrunk: a page of zeros takes its place
// and the read that faulted goes on. Any other bus error is handled as it
// would have been without this handler.
void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (const GuardedRange& range : guarded) {
        const std::uintptr_t begin = range.begin.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= range.end.load(std::memory_order_acquire)) continue;
        void* page = reinterpret_cast<void*>(address & ~(pageSize - 1));
        if (::mmap(page, pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
            MAP_FAILED)
            return;
    }
    if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction) {
        previousAction.sa_sigaction(signal, info, context);
    } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(signal);
    } else {
        // The fault comes again on return and ends the process as it would have.
        ::signal(SIGBUS, SIG_DFL);
    }
}

bool Guard(void* base, std::uint64_t length) {
    std::scoped_lock lock(guardedLock);
    static const bool installed = [] {
        pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, &previousAction) == 0;
    }();
    if (!installed) return false;
    for (GuardedRange& range : guarded) {
        if (range.begin.load(std::memory_order_relaxed) != 0) continue;
        range.end.store(reinterpret_cast<std::uintptr_t>(base) + length, std::memory_order_release);
        range.begin.store(reinterpret_cast<std::uintptr_t>(base), std::memory_order_release);
        return true;
    }
    return false;
}

void Unguard(void* base) {
    std::scoped_lock lock(guardedLock);
    for (GuardedRange& range : guarded)
        if (range.begin.load(std::memory_order_relaxed) == reinterpret_cast<std::uintptr_t>(base))
            range.begin.store(0, std::memory_order_release);
}

class Descriptor {
public:
    explicit Descriptor(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<MappedFile> MappedFile::Open(const char* path) {
    std::string file;
    std::uint64_t offset = 0;
    std::optional<std::uint64_t> size;
    if (const DiscLookup lookup = LookUpOnDisc(path); lookup.onDisc) {
        if (!lookup.entry || lookup.entry->folder) return std::nullopt;
        const auto disc = PlacedDisc();
        const auto at = disc->PlainFileOffset(*lookup.entry);
        if (!at) return std::nullopt;
        file = disc->Source();
        offset = *at;
        size = lookup.entry->size;
    } else {
        file = ResolveHostPath(path);
    }
    // Opened without waiting, and given up unless it is a file: never a FIFO.
    const Descriptor fd(file);
    struct stat info {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    if (!size) size = fileSize;
    if (*size == 0 || offset > fileSize || *size > fileSize - offset) return std::nullopt;

    const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t start = offset / page * page;
    const std::uint64_t length = *size + (offset - start);
    void* base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd.Get(), static_cast<off_t>(start));
    if (base == MAP_FAILED) return std::nullopt;
    if (!Guard(base, length)) {
        ::munmap(base, length);
        return std::nullopt;
    }
    return MappedFile(base, length, static_cast<unsigned char*>(base) + (offset - start), *size);
}

MappedFile::MappedFile(void* base, std::uint64_t length, unsigned char* data, std::uint64_t size)
    : base_(base), length_(length), data_(data), size_(size) {}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        MappedFile gone(std::move(*this));
        base_ = std::exchange(other.base_, nullptr);
        length_ = std::exchange(other.length_, 0);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

MappedFile::~MappedFile() {
    if (!base_) return;
    Unguard(base_);
    ::munmap(base_, length_);
}

}  // namespace platform
