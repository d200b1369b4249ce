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

// Writes into a temporary file beside the target and renames it over the target only on
// Commit, so a failed write never destroys an existing file or leaves a torn one behind.
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

private:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;
    void Flush();
    void Abandon();

    int fd_ = -1;
    std::string path_, temp_path_;
    uint8_t* buffer_ = nullptr;
    std::size_t used_ = 0;
    bool failed_ = false;
    int error_ = 0;
};

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
