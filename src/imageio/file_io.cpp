#include "imageio/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

namespace orva {

const char* IoStatusName(IoStatus s) {
    switch (s) {
        case IoStatus::Ok: return "ok";
        case IoStatus::CannotOpen: return "cannot open";
        case IoStatus::NotThisFormat: return "not this format";
        case IoStatus::Damaged: return "damaged file";
        case IoStatus::TooLarge: return "image too large";
        case IoStatus::OutOfMemory: return "out of memory";
        case IoStatus::Unsupported: return "unsupported";
        case IoStatus::WriteFailed: return "write failed";
    }
    return "unknown";
}

MappedFile::~MappedFile() {
    if (data_ == nullptr) return;
    if (mapped_) {
        munmap(const_cast<uint8_t*>(data_), size_);
    } else {
        std::free(const_cast<uint8_t*>(data_));
    }
}

IoResult MappedFile::Open(const std::string& path, bool populate) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return IoResult::Fail(IoStatus::CannotOpen, std::strerror(errno));
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        ::close(fd);
        return IoResult::Fail(IoStatus::CannotOpen, std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return IoResult::Fail(IoStatus::CannotOpen, "is a folder");
    }
    if (S_ISREG(st.st_mode)) {
        size_ = static_cast<std::size_t>(st.st_size);
        if (size_ > 0) {
            void* p =
                mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | (populate ? MAP_POPULATE : 0), fd, 0);
            if (p != MAP_FAILED) {
                data_ = static_cast<const uint8_t*>(p);
                mapped_ = true;
                (void)madvise(p, size_, MADV_SEQUENTIAL);
            }
        }
        ::close(fd);
        if (size_ > 0 && data_ == nullptr)
            return IoResult::Fail(IoStatus::CannotOpen, "cannot map the file");
        return IoResult::Ok();
    }
    // Pipes and devices: read to the end.
    std::vector<uint8_t> all;
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        all.insert(all.end(), chunk, chunk + got);
    }
    ::close(fd);
    size_ = all.size();
    if (size_ > 0) {
        auto* p = static_cast<uint8_t*>(std::malloc(size_));
        if (p == nullptr) return IoResult::Fail(IoStatus::OutOfMemory, "file too large");
        std::memcpy(p, all.data(), size_);
        data_ = p;
    }
    return IoResult::Ok();
}

namespace {

// ---- live temporary files ----
// An entry is free, busy (its owner is filling or emptying it), live, being removed by
// RemoveTempFiles, or removed (its owner has yet to let it go). Where a signal handler may
// run, only lock-free atomics and unlink are used.
enum TempState : int { kFree, kBusy, kLive, kRemoving, kRemoved };
constexpr int kTempEntries = 64;
struct TempEntry {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);
TempEntry g_temp_files[kTempEntries];

// The file a write to `path` replaces: symbolic links followed to their final target, which
// need not exist yet (a dangling link gets its target created).
IoResult ResolveTarget(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return IoResult::Ok();
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0) return IoResult::Fail(IoStatus::CannotOpen, std::strerror(errno));
        link.resize(static_cast<std::size_t>(n));
        const std::size_t slash = target.rfind('/');
        if (link[0] != '/' && slash != std::string::npos)
            link.insert(0, target, 0, slash + 1);  // relative to the link's own folder
        target = std::move(link);
    }
    return IoResult::Fail(IoStatus::CannotOpen, std::strerror(ELOOP));
}

// Six letters and digits, different on every call; O_EXCL settles the rare clash.
std::string RandomTail() {
    static std::atomic<uint64_t> counter{0};
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    uint64_t x = static_cast<uint64_t>(getpid()) << 40 ^ static_cast<uint64_t>(ts.tv_sec) << 30 ^
                 static_cast<uint64_t>(ts.tv_nsec) ^
                 counter.fetch_add(0x9E3779B97F4A7C15u, std::memory_order_relaxed);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    x ^= x >> 31;
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string tail(6, 'X');
    for (char& c : tail) {
        c = kChars[x % 62];
        x /= 62;
    }
    return tail;
}

// Tests of the signal handling stop every commit here, the temporary file complete and in
// place, until a signal ends the program (or a minute has passed).
void PauseForTests() {
    static const bool pause = std::getenv("ORVA_TEST_PAUSE_IN_WRITE") != nullptr;
    for (int i = 0; pause && i < 600; ++i) usleep(100000);
}

}  // namespace

int TrackTempFile(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kTempEntries; ++i) {
        TempEntry& e = g_temp_files[i];
        int expected = kFree;
        if (!e.state.compare_exchange_strong(expected, kBusy, std::memory_order_acquire)) continue;
        std::memcpy(e.path, path.c_str(), path.size() + 1);
        e.state.store(kLive, std::memory_order_release);
        return i;
    }
    return -1;
}

void UntrackTempFile(int entry) {
    if (entry < 0 || entry >= kTempEntries) return;
    std::atomic<int>& state = g_temp_files[entry].state;
    int s = state.load(std::memory_order_acquire);
    // While RemoveTempFiles holds the entry, its path must stay as it is.
    while (s == kRemoving || !state.compare_exchange_weak(s, kFree, std::memory_order_acq_rel))
        if (s == kRemoving) s = state.load(std::memory_order_acquire);
}

void RemoveTempFiles() noexcept {
    for (TempEntry& e : g_temp_files) {
        int expected = kLive;
        if (!e.state.compare_exchange_strong(expected, kRemoving, std::memory_order_acquire))
            continue;
        (void)::unlink(e.path);
        e.state.store(kRemoved, std::memory_order_release);
    }
}

namespace {

extern "C" void EndOnSignal(int sig) {
    RemoveTempFiles();
    _exit(128 + sig);
}

}  // namespace

void InstallTempFileCleanupOnSignals() {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction sa {};
        sa.sa_handler = EndOnSignal;
        sigemptyset(&sa.sa_mask);
        (void)sigaction(sig, &sa, nullptr);
    }
}

void MappedFile::Release(std::size_t offset, std::size_t length) const {
    if (!mapped_ || offset >= size_) return;
    length = std::min(length, size_ - offset);
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(data_) + offset;
    const std::uintptr_t first = (start + page - 1) / page * page;
    // The file's last page counts as whole: nothing else lives in it.
    const std::uintptr_t end =
        offset + length == size_ ? start + length + page - 1 : start + length;
    const std::uintptr_t last = end / page * page;
    // The mapping is read-only and private, so dropped pages come back from the file unchanged.
    if (last > first) (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

FileSink::~FileSink() {
    Abandon();
}

IoResult FileSink::Open(const std::string& path) {
    Abandon();
    if (IoResult r = ResolveTarget(path, path_); !r.ok()) return r;
    struct stat old {};
    const bool replacing = ::stat(path_.c_str(), &old) == 0;
    // Only a file can be replaced: a folder, device or pipe keeps its place.
    if (replacing && !S_ISREG(old.st_mode))
        return IoResult::Fail(IoStatus::WriteFailed,
                              S_ISDIR(old.st_mode) ? std::strerror(EISDIR) : "not a regular file");
    const std::size_t slash = path_.rfind('/');
    const std::string short_stem =
        (slash == std::string::npos ? std::string() : path_.substr(0, slash + 1)) + ".orva-tmp-";
    std::string stem = path_ + ".orva-tmp-";
    for (int attempt = 0; fd_ < 0; ++attempt) {
        if (attempt == 100) return IoResult::Fail(IoStatus::CannotOpen, "no free temporary name");
        temp_path_ = stem + RandomTail();
        // Tracked before it exists, so that no signal can fall between its making and tracking.
        mark_ = TrackTempFile(temp_path_);
        fd_ = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) break;
        const int err = errno;
        UntrackTempFile(mark_);
        mark_ = -1;
        temp_path_.clear();
        if (err == ENAMETOOLONG && stem != short_stem) {
            stem = short_stem;  // the target's name leaves no room: a short hidden name
        } else if (err != EEXIST) {
            return IoResult::Fail(IoStatus::CannotOpen, std::strerror(err));
        }
    }
    if (replacing) (void)fchmod(fd_, old.st_mode & 07777);
    buffer_ = static_cast<uint8_t*>(std::malloc(kBufferSize));
    if (buffer_ == nullptr) {
        Abandon();
        return IoResult::Fail(IoStatus::OutOfMemory, "no memory for the write buffer");
    }
    used_ = 0;
    failed_ = false;
    return IoResult::Ok();
}

void FileSink::Flush() {
    std::size_t done = 0;
    while (!failed_ && done < used_) {
        const ssize_t n = ::write(fd_, buffer_ + done, used_ - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            failed_ = true;
            error_ = errno;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    used_ = 0;
}

void FileSink::Write(const void* data, std::size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        if (used_ == kBufferSize) Flush();
        const std::size_t take = std::min(n, kBufferSize - used_);
        std::memcpy(buffer_ + used_, p, take);
        used_ += take;
        p += take;
        n -= take;
    }
}

void FileSink::PutText(const char* text) {
    Write(text, std::strlen(text));
}

IoResult FileSink::Commit() {
    if (fd_ < 0) return IoResult::Fail(IoStatus::CannotOpen, "no file open");
    Flush();
    PauseForTests();
    if (!failed_ && ::close(fd_) != 0) {
        failed_ = true;
        error_ = errno;
    }
    fd_ = -1;
    if (!failed_ && std::rename(temp_path_.c_str(), path_.c_str()) != 0) {
        failed_ = true;
        error_ = errno;
    }
    if (failed_) {
        const std::string why = std::strerror(error_);
        Abandon();
        return IoResult::Fail(IoStatus::WriteFailed, why);
    }
    UntrackTempFile(mark_);
    mark_ = -1;
    temp_path_.clear();
    std::free(buffer_);
    buffer_ = nullptr;
    return IoResult::Ok();
}

void FileSink::Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
    UntrackTempFile(mark_);
    mark_ = -1;
    temp_path_.clear();
    std::free(buffer_);
    buffer_ = nullptr;
    used_ = 0;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    const bool has_a = ::stat(a.c_str(), &sa) == 0, has_b = ::stat(b.c_str(), &sb) == 0;
    if (has_a && has_b) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (has_a != has_b) return false;
    namespace fs = std::filesystem;
    std::error_code ea, eb;
    const fs::path pa = fs::weakly_canonical(fs::absolute(a, ea), ea);
    const fs::path pb = fs::weakly_canonical(fs::absolute(b, eb), eb);
    return !ea && !eb ? pa == pb
                      : fs::absolute(a).lexically_normal() == fs::absolute(b).lexically_normal();
}

}  // namespace orva
