#include "stack/frames.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>

#include "common/plane.h"
#include "common/text.h"

namespace orva {

namespace {

// The colour (0 red, 1 green, 2 blue) of each letter of a 2x2 pattern's name, read row by
// row from its first sample; false for any other name.
bool BayerColours(const std::string& name, std::array<int, 4>& colours) {
    static constexpr const char* kNames[] = {"RGGB", "BGGR", "GRBG", "GBRG"};
    if (std::find(std::begin(kNames), std::end(kNames), name) == std::end(kNames)) return false;
    for (std::size_t i = 0; i < 4; ++i) colours[i] = name[i] == 'R' ? 0 : name[i] == 'G' ? 1 : 2;
    return true;
}

bool MosaicKey(const std::string& card) {
    const std::string key = ToUpperAscii(card.substr(0, 8));
    for (const char* k : {"BAYERPAT", "XBAYROFF", "YBAYROFF", "ROWORDER"})
        if (key == k) return true;
    return false;
}

}  // namespace

IoResult FitsFrame::Open(const std::string& file) {
    path = file;
    // Not read in ahead: the rows are read a band at a time and given back.
    IoResult r = file_.Open(file, false);
    if (r.ok()) r = rows_.Open(file_.bytes());
    if (!r.ok()) return r;
    width = rows_.width;
    height = rows_.height;
    planes = rows_.planes;
    cards_ = rows_.cards;
    // A pattern on colour planes describes nothing to demosaic.
    if (rows_.bayer_pattern.empty() || planes != 1) return r;
    std::array<int, 4> colours{};
    if (!BayerColours(rows_.bayer_pattern, colours))
        return {IoStatus::Unsupported, "BAYERPAT '" + rows_.bayer_pattern +
                                           "' is not a Bayer pattern (RGGB, BGGR, GRBG or GBRG)"};
    layout_.width = width;
    layout_.height = height;
    layout_.period = 2;
    // Row y from the top is stored row y of a top-down file, else stored row height - 1 - y;
    // the pattern starts at the first stored sample, moved by the offsets.
    for (int y = 0; y < 2; ++y) {
        const int stored = rows_.top_down ? y : height - 1 - y;
        for (int x = 0; x < 2; ++x) {
            const int px = (x + rows_.bayer_x_offset) % 2, py = (stored + rows_.bayer_y_offset) % 2;
            layout_.cfa[static_cast<std::size_t>(y * 6 + x)] =
                static_cast<uint8_t>(colours[static_cast<std::size_t>(py * 2 + px)]);
        }
    }
    std::erase_if(cards_, MosaicKey);
    return r;
}

void FitsFrame::Read(int c, int y0, int count, float* out) const {
    // A mosaic's rows run from the top: a bottom-up file's are read from the other end and
    // turned round.
    const bool turn = layout_.width > 0 && !rows_.top_down;
    const int first = turn ? height - y0 - count : y0;
    rows_.Read(c, first, count, out);
    const auto [offset, length] = rows_.Bytes(c, first, count);
    file_.Release(offset, length);
    if (!turn) return;
    const std::size_t w = static_cast<std::size_t>(width);
    for (int a = 0, b = count - 1; a < b; ++a, --b)
        std::swap_ranges(out + static_cast<std::size_t>(a) * w,
                         out + static_cast<std::size_t>(a + 1) * w,
                         out + static_cast<std::size_t>(b) * w);
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
