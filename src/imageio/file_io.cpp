#include "imageio/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    path_ = path;
    temp_path_ = path + ".orva-tmp-XXXXXX";
    std::vector<char> templ(temp_path_.begin(), temp_path_.end());
    templ.push_back('\0');
    fd_ = mkostemp(templ.data(), O_CLOEXEC);
    if (fd_ < 0) return IoResult::Fail(IoStatus::CannotOpen, std::strerror(errno));
    temp_path_ = templ.data();
    // mkostemp creates 0600; give the file the usual permissions of a new file.
    const mode_t mask = umask(0);
    umask(mask);
    (void)fchmod(fd_, 0666 & ~mask);
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
    temp_path_.clear();
    std::free(buffer_);
    buffer_ = nullptr;
    return IoResult::Ok();
}

void FileSink::Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
    temp_path_.clear();
    std::free(buffer_);
    buffer_ = nullptr;
    used_ = 0;
}

}  // namespace orva
