#include "stack/frames.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>

#include "common/plane.h"

namespace orva {

IoResult FitsFrame::Open(const std::string& file) {
    path = file;
    IoResult r = file_.Open(file);
    if (r.ok()) r = rows_.Open(file_.bytes());
    if (!r.ok()) return r;
    width = rows_.width;
    height = rows_.height;
    planes = rows_.planes;
    return r;
}

void FitsFrame::Read(int c, int y0, int count, float* out) const {
    rows_.Read(c, y0, count, out);
}

HeldFrame::~HeldFrame() {
    FreeAligned(data_);
}

IoResult HeldFrame::Create(int w, int h, int p) {
    width = w;
    height = h;
    planes = p;
    path = "frame in memory";
    data_ = static_cast<float*>(AllocateAligned(pixels() * static_cast<std::size_t>(p) * 4));
    if (data_ == nullptr) return {IoStatus::OutOfMemory, "no memory for a prepared frame"};
    return {};
}

IoResult HeldFrame::WritePlane(int c, const float* values) {
    std::memcpy(data_ + pixels() * static_cast<std::size_t>(c), values, pixels() * sizeof(float));
    return {};
}

void HeldFrame::Read(int c, int y0, int count, float* out) const {
    std::memcpy(out,
                data_ + pixels() * static_cast<std::size_t>(c) +
                    static_cast<std::size_t>(y0) * static_cast<std::size_t>(width),
                static_cast<std::size_t>(count) * static_cast<std::size_t>(width) * sizeof(float));
}

SpoolFrame::~SpoolFrame() {
    if (fd_ >= 0) close(fd_);
}

IoResult SpoolFrame::Create(int w, int h, int p, const std::string& folder) {
    std::error_code ec;
    std::string dir = folder.empty() ? std::filesystem::temp_directory_path(ec).string() : folder;
    if (dir.empty()) dir = "/tmp";
    std::string name = (std::filesystem::path(dir) / "orva-stack-XXXXXX").string();
    fd_ = mkstemp(name.data());
    if (fd_ < 0) return {IoStatus::CannotOpen, dir + ": " + std::strerror(errno)};
    unlink(name.c_str());
    width = w;
    height = h;
    planes = p;
    path = "temporary frame in " + dir;
    return {};
}

IoResult SpoolFrame::WritePlane(int c, const float* values) {
    const std::size_t bytes = pixels() * sizeof(float);
    auto at = static_cast<off_t>(bytes * static_cast<std::size_t>(c));
    const auto* p = reinterpret_cast<const char*>(values);
    for (std::size_t done = 0; done < bytes;) {
        const ssize_t n = pwrite(fd_, p + done, bytes - done, at + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            return {IoStatus::WriteFailed, "temporary frame: " + std::string(std::strerror(errno))};
        done += static_cast<std::size_t>(n);
    }
    return {};
}

void SpoolFrame::Read(int c, int y0, int count, float* out) const {
    const std::size_t row = static_cast<std::size_t>(width) * sizeof(float);
    const std::size_t bytes = row * static_cast<std::size_t>(count);
    const auto at = static_cast<off_t>(pixels() * sizeof(float) * static_cast<std::size_t>(c) +
                                       row * static_cast<std::size_t>(y0));
    auto* p = reinterpret_cast<char*>(out);
    for (std::size_t done = 0; done < bytes;) {
        const ssize_t n = pread(fd_, p + done, bytes - done, at + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            std::fill(out + done / sizeof(float), out + bytes / sizeof(float),
                      std::numeric_limits<float>::quiet_NaN());
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

IoResult RawFrame::Open(const std::string& file, const std::string& folder) {
    path = file;
    IoResult r = ReadRawMosaic(file, UINT64_MAX, layout);
    if (!r.ok()) return r;
    width = layout.width;
    height = layout.height;
    planes = 1;
    r = spool_.Create(width, height, 1, folder);
    if (r.ok()) r = spool_.WritePlane(0, layout.samples.data());
    layout.samples = {};
    return r;
}

}  // namespace orva
