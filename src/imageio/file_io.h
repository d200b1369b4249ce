// Whole-file reading and buffered, all-or-nothing writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "imageio/io_status.h"

namespace orva {

// A read-only view of a whole file (memory-mapped when it is a regular file).
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // With `populate`, a regular file is read in whole when mapped (the fastest for one pass);
    // without, its pages are read as they are first touched.
    IoResult Open(const std::string& path, bool populate = true);
    std::span<const uint8_t> bytes() const { return {data_, size_}; }
    // Gives back the memory holding bytes [offset, offset + length) of a mapped file: the
    // whole pages inside the range leave this process (the system's file cache may keep
    // them) and are read again if touched again. Nothing for a file read into memory.
    void Release(std::size_t offset, std::size_t length) const;

private:
    const uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false;
};

// Every file the program writes goes through FileSink: the bytes go to a temporary file in
// the target's folder ("TARGET.orva-tmp-XXXXXX"), renamed over the target only on Commit, so a
// failed or interrupted write never destroys an existing file or leaves a torn one behind.
// Replacing a file keeps its permission bits; a target that is a symbolic link is written
// through: its final target is replaced and the link stays a link.
class FileSink {
public:
    FileSink() = default;
    ~FileSink();  // abandons (removes the temporary file) unless committed
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    IoResult Open(const std::string& path);
    void Write(const void* data, std::size_t n);
    void Put(uint8_t byte) {
        if (used_ == kBufferSize) Flush();
        buffer_[used_++] = byte;
    }
    void PutText(const char* text);
    IoResult Commit();

    // The temporary file, for a library that writes by name (libtiff): it writes there
    // instead of through Write, and Commit renames it as usual.
    const std::string& temp_path() const { return temp_path_; }

private:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;
    void Flush();
    void Abandon();

    int fd_ = -1;
    int mark_ = -1;  // the temporary file's entry among the live temporary files
    std::string path_, temp_path_;
    uint8_t* buffer_ = nullptr;
    std::size_t used_ = 0;
    bool failed_ = false;
    int error_ = 0;
};

// The live temporary files, so that a program ending on a signal leaves none behind. The
// core never installs signal handlers by itself: a front end calls RemoveTempFiles from its handler
// (it is async-signal-safe) or when it quits. A file that cannot be tracked (every entry in
// use, or a path too long) is still written safely, only not removed on a signal.
int TrackTempFile(const std::string& path);  // its entry, or -1
void UntrackTempFile(int entry);             // -1 is ignored
void RemoveTempFiles() noexcept;
// For the front ends, called once at start: SIGINT, SIGTERM and SIGHUP remove the live
// temporary files and end the program with status 128 + the signal. A signal the program was
// started with ignored (as nohup does) stays ignored.
void InstallTempFileCleanupOnSignals();

// True when both names denote the same file: the same device and inode when both exist,
// otherwise the same path once resolved.
bool SameFile(const std::string& a, const std::string& b);

// Little- and big-endian field access on byte spans (callers check lengths first).
inline uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint16_t Be16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
inline uint32_t Be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}
inline void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}

}  // namespace orva
