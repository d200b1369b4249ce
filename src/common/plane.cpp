#include "common/plane.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace orva {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kLine = 64;
}  // namespace

void* AllocateAligned(std::size_t bytes) noexcept {
    if (bytes == 0) bytes = 1;
    const std::size_t align = bytes >= kHugePage ? kHugePage : kLine;
    const std::size_t rounded = (bytes + align - 1) / align * align;
    if (rounded < bytes) return nullptr;  // overflow
    void* p = std::aligned_alloc(align, rounded);
    if (p != nullptr && align == kHugePage) {
        // Advisory only: a kernel without THP simply ignores it.
        (void)madvise(p, rounded, MADV_HUGEPAGE);
    }
    return p;
}

void FreeAligned(void* p) noexcept {
    std::free(p);
}

bool Plane::Allocate(std::size_t count, bool zero) {
    Release();
    if (count > (SIZE_MAX / sizeof(uint16_t))) return false;
    void* p = AllocateAligned(count * sizeof(uint16_t));
    if (p == nullptr) return false;
    data_ = static_cast<uint16_t*>(p);
    size_ = count;
    if (zero) std::memset(data_, 0, count * sizeof(uint16_t));
    return true;
}

void Plane::Release() noexcept {
    FreeAligned(data_);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace orva
