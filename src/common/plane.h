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
#include <type_traits>

namespace orva {

// A width x height window onto samples stored row by row, bottom row first (row 0 is the
// bottom of the picture), as every plane is. It owns nothing; T is uint16_t or const
// uint16_t. A view onto writable samples converts to a read-only one.
template <typename T>
class BasicPlaneView {
public:
    BasicPlaneView() = default;
    BasicPlaneView(T* data, int width, int height) noexcept
        : data_(data), width_(width), height_(height) {}
    // uint16_t samples seen as const uint16_t ones.
    template <typename U,
              typename = std::enable_if_t<std::is_same_v<const U, T> && !std::is_same_v<U, T>>>
    BasicPlaneView(const BasicPlaneView<U>& other) noexcept
        : data_(other.data()), width_(other.width()), height_(other.height()) {}

    T* data() const noexcept { return data_; }
    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    std::size_t size() const noexcept {
        return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    }
    T* row(int y) const noexcept {
        return data_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    }
    T& at(int x, int y) const noexcept { return row(y)[x]; }
    // Row y counted from the top of the picture, the order files keep their rows in.
    T* row_from_top(int y) const noexcept { return row(height_ - 1 - y); }

private:
    T* data_ = nullptr;
    int width_ = 0, height_ = 0;
};
using PlaneView = BasicPlaneView<uint16_t>;
using ConstPlaneView = BasicPlaneView<const uint16_t>;

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
    // The samples as a width x height picture (the plane holds at least that many).
    PlaneView view(int width, int height) noexcept { return {data_, width, height}; }
    ConstPlaneView view(int width, int height) const noexcept { return {data_, width, height}; }

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
