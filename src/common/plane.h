// One 16-bit image plane: an owning, move-only buffer of width x height samples.
//
// Large planes are placed on 2 MiB boundaries and advised for transparent huge pages:
// the first touch of fresh memory dominates whole-image jobs on small machines, and huge
// pages cut that cost by an order of magnitude. Small planes use ordinary cache-line
// aligned allocations so that hundreds of small slots do not waste memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orva {

class Plane {
public:
    Plane() = default;
    ~Plane() { Release(); }
    Plane(const Plane&) = delete;
    Plane& operator=(const Plane&) = delete;
    Plane(Plane&& other) noexcept : data_(other.data_), size_(other.size_) {
        other.data_ = nullptr;
        other.size_ = 0;
    }
    Plane& operator=(Plane&& other) noexcept {
        if (this != &other) {
            Release();
            data_ = other.data_;
            size_ = other.size_;
            other.data_ = nullptr;
            other.size_ = 0;
        }
        return *this;
    }

    // Replaces the buffer by one of `count` samples. The contents are unspecified unless
    // `zero` is set. Returns false (and leaves the plane empty) when memory is short.
    bool Allocate(std::size_t count, bool zero = false);
    void Release() noexcept;

    uint16_t* data() noexcept { return data_; }
    const uint16_t* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return data_ == nullptr; }
    uint16_t& operator[](std::size_t i) noexcept { return data_[i]; }
    uint16_t operator[](std::size_t i) const noexcept { return data_[i]; }
    std::span<uint16_t> span() noexcept { return {data_, size_}; }
    std::span<const uint16_t> span() const noexcept { return {data_, size_}; }

    friend void swap(Plane& a, Plane& b) noexcept {
        std::swap(a.data_, b.data_);
        std::swap(a.size_, b.size_);
    }

private:
    uint16_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Raw aligned byte buffers with the same placement policy, for scratch space of other
// element types. Free with FreeAligned.
void* AllocateAligned(std::size_t bytes) noexcept;
void FreeAligned(void* p) noexcept;

}  // namespace orva
