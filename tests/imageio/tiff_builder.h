// A TIFF structure built entry by entry in either byte order: the header with IFD0's offset
// at 4, then whatever is appended, directories included.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/images.h"

namespace orva::testing {

inline constexpr uint16_t kAscii = 2, kShort = 3, kLong = 4, kRational = 5;

class Tiff {
public:
    explicit Tiff(bool big_endian) : big_(big_endian) {
        b_ = big_ ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
        Append(8, 4);
    }

    Bytes U16(uint32_t v) const { return Number(v, 2); }
    Bytes U32(uint32_t v) const { return Number(v, 4); }
    Bytes Rational(uint32_t n, uint32_t d) const { return Cat(U32(n), U32(d)); }
    static Bytes Ascii(const std::string& s) { return Cat({s.begin(), s.end()}, {0}); }
    static Bytes Cat(Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    struct Field {
        uint16_t tag, type;
        uint32_t count;
        Bytes data;  // the values in file order: inline when at most 4 bytes, else after the IFD
    };

    // Writes an IFD at the end of the structure; returns its offset.
    uint32_t Ifd(const std::vector<Field>& fields) {
        const auto at = static_cast<uint32_t>(b_.size());
        Append(static_cast<uint32_t>(fields.size()), 2);
        for (const Field& f : fields)
            Append(f.tag, 2), Append(f.type, 2), Append(f.count, 4), Append(0, 4);
        Append(0, 4);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::size_t value = ValueField(at, static_cast<int>(i));
            const Bytes& d = fields[i].data;
            if (d.size() <= 4) {
                std::copy(d.begin(), d.end(), b_.begin() + static_cast<std::ptrdiff_t>(value));
            } else {
                Set32(value, static_cast<uint32_t>(b_.size()));
                b_.insert(b_.end(), d.begin(), d.end());
            }
        }
        return at;
    }
    // Value field of entry i of the IFD at `ifd`.
    static std::size_t ValueField(uint32_t ifd, int i) { return ifd + 2 + 12 * std::size_t(i) + 8; }

    void Set32(std::size_t at, uint32_t v) { Put(b_.data() + at, v, 4); }
    void Pad(std::size_t n) { b_.resize(b_.size() + n, 0xEE); }
    void Raw(const Bytes& bytes) { b_.insert(b_.end(), bytes.begin(), bytes.end()); }
    const Bytes& bytes() const { return b_; }

    // SOI, the APP1 "Exif" segment holding the structure, and `after`.
    Bytes Jpeg(const Bytes& after = {0xFF, 0xDB, 0x00, 0x02}) const {
        const std::size_t length = 2 + 6 + b_.size();
        const auto hi = static_cast<uint8_t>(length >> 8), lo = static_cast<uint8_t>(length);
        return Cat(Cat({0xFF, 0xD8, 0xFF, 0xE1, hi, lo, 'E', 'x', 'i', 'f', 0, 0}, b_), after);
    }

private:
    void Put(uint8_t* p, uint32_t v, int n) const {
        for (int i = 0; i < n; ++i) p[big_ ? n - 1 - i : i] = static_cast<uint8_t>(v >> (8 * i));
    }
    Bytes Number(uint32_t v, int n) const {
        Bytes o(static_cast<std::size_t>(n));
        Put(o.data(), v, n);
        return o;
    }
    void Append(uint32_t v, int n) {
        b_.resize(b_.size() + static_cast<std::size_t>(n));
        Put(b_.data() + b_.size() - n, v, n);
    }

    bool big_;
    Bytes b_;
};

}  // namespace orva::testing
