// The portable anymap family: reading of P1 to P6, writing of 16-bit P6 and P3.
//
// The file's rows run top row first and are stored bottom row first. Grey and bitmap files
// fill all three planes with the same samples. Sample scaling differs by kind, and stored
// files rely on each rule:
// - ASCII values v (P2, P3) become v * 65536 / (maxval + 1), v held to 0..maxval;
// - binary bytes (P5, P6 with maxval < 256) become v * 256, whatever the maxval;
// - binary 16-bit values (maxval >= 256) are stored unchanged;
// - bitmaps (P1, P4) give 0 for black (bit 1) and 255 * 256 for white.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "common/parallel.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "imageio/reader_support.h"

namespace orva {

namespace {

constexpr uint16_t kBitmapWhite = 255 << 8;

bool IsBlank(uint8_t c) {
    return c == ' ' || static_cast<uint8_t>(c - '\t') <= '\r' - '\t';
}
bool IsDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}

// Header numbers: blanks and '#' comments (up to the end of the line) may stand before a
// number, and a blank, a comment or the end of the file must follow it. Anything else (a
// sign, a letter) makes the header damaged: skipping it would read "-2" as 2 and "10abc" as
// 10. Values saturate far above any accepted size.
IoResult ReadHeaderNumber(std::span<const uint8_t> f, std::size_t& p, uint64_t& value) {
    const std::size_t n = f.size();
    while (p < n && !IsDigit(f[p])) {
        if (f[p] == '#') {
            while (p < n && f[p] != '\n') ++p;
        } else if (IsBlank(f[p])) {
            ++p;
        } else {
            return Fail(IoStatus::Damaged, "header number is not a whole number of digits");
        }
    }
    if (p >= n) return Fail(IoStatus::Damaged, "header ends early");
    value = 0;
    while (p < n && IsDigit(f[p])) {
        value = std::min<uint64_t>(value * 10 + (f[p] - '0'), uint64_t{1} << 40);
        ++p;
    }
    if (p < n && !IsBlank(f[p]) && f[p] != '#')
        return Fail(IoStatus::Damaged, "header number is not a whole number of digits");
    return IoResult::Ok();
}

// Moves to the next ASCII token, past blanks and '#' comments. False at the end of the file.
bool SkipToToken(const uint8_t* d, std::size_t n, std::size_t& p) {
    for (;;) {
        while (p < n && IsBlank(d[p])) ++p;
        if (p >= n) return false;
        if (d[p] != '#') return true;
        while (p < n && d[p] != '\n') ++p;
    }
}

// Reads the token at p as a whole number (an optional sign, then digits up to the first
// non-digit; 0 when there are none), held to 0..65536, and moves past the whole token.
uint32_t ReadToken(const uint8_t* d, std::size_t n, std::size_t& p) {
    bool negative = false;
    if (d[p] == '-' || d[p] == '+') {
        negative = d[p] == '-';
        ++p;
    }
    uint32_t v = 0;
    while (p < n && IsDigit(d[p])) {
        v = std::min<uint32_t>(v * 10 + static_cast<uint32_t>(d[p] - '0'), 65536);
        ++p;
    }
    while (p < n && !IsBlank(d[p])) ++p;
    return negative ? 0 : v;
}

struct PnmLayout {
    int kind = 0;  // the digit of the magic
    int width = 0, height = 0;
    uint32_t maxval = 1;
    std::size_t data = 0;  // offset of the first raster byte
};

IoResult ReadHeader(std::span<const uint8_t> f, uint64_t max_pixels, PnmLayout& lay) {
    if (f.size() < 2 || f[0] != 'P' || f[1] < '1' || f[1] > '6')
        return Fail(IoStatus::NotThisFormat, "not a PBM, PGM or PPM file");
    lay.kind = f[1] - '0';
    std::size_t p = 2;
    uint64_t w = 0, h = 0, maxval = 1;
    if (IoResult r = ReadHeaderNumber(f, p, w); !r.ok()) return r;
    if (IoResult r = ReadHeaderNumber(f, p, h); !r.ok()) return r;
    const bool bitmap = lay.kind == 1 || lay.kind == 4;
    if (!bitmap)
        if (IoResult r = ReadHeaderNumber(f, p, maxval); !r.ok()) return r;
    // Header numbers saturate at 2^40, so they convert exactly.
    if (IoResult r = CheckImageSize(static_cast<int64_t>(w), static_cast<int64_t>(h), max_pixels);
        !r.ok())
        return r;
    if (maxval < 1 || maxval > 65535)
        return Fail(IoStatus::Damaged, "maximum value is not 1 to 65535");
    lay.width = static_cast<int>(w);
    lay.height = static_cast<int>(h);
    lay.maxval = static_cast<uint32_t>(maxval);
    if (lay.kind >= 4) {
        // Binary raster: it begins after exactly one blank, so a first byte that happens to
        // be a blank is not lost. A comment may stand in front of that blank.
        if (p < f.size() && f[p] == '#') {
            while (p < f.size() && f[p] != '\n') ++p;
        } else if (p < f.size() && !IsBlank(f[p])) {
            return Fail(IoStatus::Damaged, "no blank after the header");
        }
        ++p;
    }
    lay.data = std::min(p, f.size());
    return IoResult::Ok();
}

// Memory row of the file's row `file_row`.
std::size_t RowStart(const PnmLayout& lay, int file_row) {
    return static_cast<std::size_t>(lay.height - 1 - file_row) *
           static_cast<std::size_t>(lay.width);
}

void DecodeBinary(const PnmLayout& lay, const uint8_t* src, DecodedImage& out) {
    const auto w = static_cast<std::size_t>(lay.width);
    const std::size_t channels = lay.kind == 6 ? 3 : 1;
    const std::size_t bytes = lay.kind == 4 ? 0 : lay.maxval < 256 ? 1 : 2;
    const std::size_t stride = lay.kind == 4 ? (w + 7) / 8 : w * channels * bytes;
    const PlaneView red = out.red.view(lay.width, lay.height);
    const PlaneView green = out.green.view(lay.width, lay.height);
    const PlaneView blue = out.blue.view(lay.width, lay.height);
    ForEachRowBand(lay.height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* s = src + static_cast<std::size_t>(y) * stride;
            uint16_t* r = red.row_from_top(y);
            uint16_t* g = green.row_from_top(y);
            uint16_t* b = blue.row_from_top(y);
            if (lay.kind == 4) {
                for (std::size_t x = 0; x < w; ++x)
                    r[x] = (s[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : kBitmapWhite;
            } else if (channels == 3 && bytes == 1) {
                for (std::size_t x = 0; x < w; ++x, s += 3) {
                    r[x] = static_cast<uint16_t>(s[0] << 8);
                    g[x] = static_cast<uint16_t>(s[1] << 8);
                    b[x] = static_cast<uint16_t>(s[2] << 8);
                }
            } else if (channels == 3) {
                for (std::size_t x = 0; x < w; ++x, s += 6) {
                    r[x] = Be16(s);
                    g[x] = Be16(s + 2);
                    b[x] = Be16(s + 4);
                }
            } else if (bytes == 1) {
                for (std::size_t x = 0; x < w; ++x) r[x] = static_cast<uint16_t>(s[x] << 8);
            } else {
                for (std::size_t x = 0; x < w; ++x) r[x] = Be16(s + 2 * x);
            }
            if (channels == 1) {
                std::memcpy(g, r, w * sizeof(uint16_t));
                std::memcpy(b, r, w * sizeof(uint16_t));
            }
        }
    });
}

// Plain bitmap: one '0' or '1' per pixel, blanks and comments anywhere between them.
IoResult DecodePlainBitmap(std::span<const uint8_t> f, const PnmLayout& lay, DecodedImage& out) {
    const uint8_t* d = f.data();
    const std::size_t n = f.size();
    std::size_t p = lay.data;
    const auto w = static_cast<std::size_t>(lay.width);
    for (int y = 0; y < lay.height; ++y) {
        uint16_t* r = out.red.data() + RowStart(lay, y);
        for (std::size_t x = 0; x < w; ++x) {
            if (!SkipToToken(d, n, p)) return Fail(IoStatus::Damaged, "pixel values end early");
            if (d[p] != '0' && d[p] != '1')
                return Fail(IoStatus::Damaged, "bitmap value is not 0 or 1");
            r[x] = d[p++] == '1' ? 0 : kBitmapWhite;
        }
        std::memcpy(out.green.data() + RowStart(lay, y), r, w * sizeof(uint16_t));
        std::memcpy(out.blue.data() + RowStart(lay, y), r, w * sizeof(uint16_t));
    }
    return IoResult::Ok();
}

// Where ASCII values go: value number t is channel t % channels of pixel t / channels, the
// pixels running along the file's rows, top row first.
struct AsciiTarget {
    const PnmLayout* lay;
    std::size_t channels;
    uint16_t* planes[3];
    const uint16_t* scale;  // value 0..maxval to sample
};

// Parses the values numbered [first, last) from the text d[p, end), which begins at or
// before the first of them. Returns how many were found.
uint64_t ParseValues(const uint8_t* d, std::size_t p, std::size_t end, uint64_t first,
                     uint64_t last, const AsciiTarget& t) {
    const auto w = static_cast<uint64_t>(t.lay->width);
    const uint64_t pixel = first / t.channels;
    std::size_t c = first % t.channels;
    int y = static_cast<int>(pixel / w);
    std::size_t x = pixel % w;
    std::size_t row = RowStart(*t.lay, y);
    const uint32_t top = t.lay->maxval;
    uint64_t done = first;
    while (done < last && SkipToToken(d, end, p)) {
        t.planes[c][row + x] = t.scale[std::min(ReadToken(d, end, p), top)];
        ++done;
        if (++c == t.channels) {
            c = 0;
            if (++x == w) {
                x = 0;
                if (++y < t.lay->height) row = RowStart(*t.lay, y);
            }
        }
    }
    return done - first;
}

// Values in d[b, e), where b follows a blank or is the start of the raster; `comment` is set
// when a '#' occurs.
uint64_t CountValues(const uint8_t* d, std::size_t b, std::size_t e, bool& comment) {
    if (b >= e) return 0;
    uint64_t count = !IsBlank(d[b]);
    unsigned hash = d[b] == '#';
    for (std::size_t i = b + 1; i < e; ++i) {
        count += static_cast<unsigned>(IsBlank(d[i - 1])) & static_cast<unsigned>(!IsBlank(d[i]));
        hash |= d[i] == '#';
    }
    comment = hash != 0;
    return count;
}

// ASCII grey or colour values, scaled by 65536 / (maxval + 1). Large rasters are cut into
// chunks at blanks, the values of each chunk counted, then all chunks parsed in parallel.
// Comments can hide blanks and digits, so a raster with a '#' is parsed in one piece.
IoResult DecodeAscii(std::span<const uint8_t> f, const PnmLayout& lay, DecodedImage& out) {
    std::vector<uint16_t> scale(lay.maxval + 1);
    for (uint32_t v = 0; v <= lay.maxval; ++v)
        scale[v] = static_cast<uint16_t>((uint64_t{v} << 16) / (lay.maxval + 1));
    const AsciiTarget target{&lay,
                             lay.kind == 3 ? 3u : 1u,
                             {out.red.data(), out.green.data(), out.blue.data()},
                             scale.data()};
    const uint64_t total =
        static_cast<uint64_t>(lay.width) * static_cast<uint64_t>(lay.height) * target.channels;
    const uint8_t* d = f.data();
    const std::size_t n = f.size();

    constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
    const std::size_t raster = n - lay.data;
    const int chunks = static_cast<int>(std::min<std::size_t>(256, raster / kChunkBytes + 1));
    std::vector<std::size_t> bound(static_cast<std::size_t>(chunks) + 1);
    bound[0] = lay.data;
    for (int k = 1; k <= chunks; ++k) {
        std::size_t b = k == chunks ? n : lay.data + raster / static_cast<std::size_t>(chunks) * k;
        b = std::max(b, bound[static_cast<std::size_t>(k) - 1]);
        while (b < n && !IsBlank(d[b - 1])) ++b;
        bound[static_cast<std::size_t>(k)] = b;
    }
    std::vector<uint64_t> first(static_cast<std::size_t>(chunks) + 1, 0);
    std::vector<uint8_t> comment(static_cast<std::size_t>(chunks), 0);
    bool serial = chunks == 1;
    if (!serial) {
        RunBands(chunks, [&](int k) {
            const auto i = static_cast<std::size_t>(k);
            bool hash = false;
            first[i + 1] = CountValues(d, bound[i], bound[i + 1], hash);
            comment[i] = hash;
        });
        for (std::size_t i = 0; i < static_cast<std::size_t>(chunks); ++i) {
            first[i + 1] += first[i];
            serial = serial || comment[i];
        }
    }
    uint64_t found;
    if (serial) {
        found = ParseValues(d, lay.data, n, 0, total, target);
    } else {
        std::vector<uint64_t> got(static_cast<std::size_t>(chunks), 0);
        RunBands(chunks, [&](int k) {
            const auto i = static_cast<std::size_t>(k);
            if (first[i] < total)
                got[i] = ParseValues(d, bound[i], bound[i + 1], first[i],
                                     std::min(first[i + 1], total), target);
        });
        found = 0;
        for (const uint64_t g : got) found += g;
    }
    if (found < total) return Fail(IoStatus::Damaged, "pixel values end early");
    if (target.channels == 1) {
        const auto w = static_cast<std::size_t>(lay.width);
        ForEachRowBand(lay.height, [&](int y0, int y1) {
            const std::size_t at = static_cast<std::size_t>(y0) * w;
            const std::size_t count = static_cast<std::size_t>(y1 - y0) * w;
            std::memcpy(out.green.data() + at, out.red.data() + at, count * sizeof(uint16_t));
            std::memcpy(out.blue.data() + at, out.red.data() + at, count * sizeof(uint16_t));
        });
    }
    return IoResult::Ok();
}

// Two decimal digits for each of 0..99.
constexpr std::array<char, 200> MakeDigitPairs() {
    std::array<char, 200> t{};
    for (int i = 0; i < 100; ++i) {
        t[2 * i] = static_cast<char>('0' + i / 10);
        t[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return t;
}
constexpr std::array<char, 200> kDigitPairs = MakeDigitPairs();

// Writes v (0..65535) in decimal followed by a blank; returns the end.
char* PutSample(char* o, unsigned v) {
    const char* pairs = kDigitPairs.data();
    if (v >= 10000) {
        const unsigned high = v / 10000;
        const unsigned low = v - high * 10000;
        *o++ = static_cast<char>('0' + high);
        std::memcpy(o, pairs + 2 * (low / 100), 2);
        std::memcpy(o + 2, pairs + 2 * (low % 100), 2);
        o += 4;
    } else if (v >= 1000) {
        std::memcpy(o, pairs + 2 * (v / 100), 2);
        std::memcpy(o + 2, pairs + 2 * (v % 100), 2);
        o += 4;
    } else if (v >= 100) {
        *o++ = static_cast<char>('0' + v / 100);
        std::memcpy(o, pairs + 2 * (v % 100), 2);
        o += 2;
    } else if (v >= 10) {
        std::memcpy(o, pairs + 2 * v, 2);
        o += 2;
    } else {
        *o++ = static_cast<char>('0' + v);
    }
    *o++ = ' ';
    return o;
}

// Longest text of one pixel: three times "65535 ".
constexpr std::size_t kMaxAsciiPixel = 18;

}  // namespace

IoResult DecodePnm(std::span<const uint8_t> file, DecodedImage& out) {
    PnmLayout lay;
    if (IoResult r = ReadHeader(file, out.max_pixels, lay); !r.ok()) return r;
    const uint64_t pixels = static_cast<uint64_t>(lay.width) * static_cast<uint64_t>(lay.height);
    const uint64_t available = file.size() - lay.data;
    const bool ascii = lay.kind <= 3;
    if (ascii) {
        // Values are at least one byte each, and P2/P3 values need a blank between them.
        const uint64_t values = pixels * (lay.kind == 3 ? 3 : 1);
        const uint64_t least = lay.kind == 1 ? values : 2 * values - 1;
        if (least > available) return Fail(IoStatus::Damaged, "pixel values end early");
    } else {
        const auto w = static_cast<uint64_t>(lay.width);
        const uint64_t stride =
            lay.kind == 4 ? (w + 7) / 8 : w * (lay.kind == 6 ? 3 : 1) * (lay.maxval < 256 ? 1 : 2);
        if (stride * static_cast<uint64_t>(lay.height) > available)
            return Fail(IoStatus::Damaged, "pixel data runs past the end of the file");
    }
    if (StopAtHeader(out, lay.width, lay.height)) return IoResult::Ok();
    if (IoResult r = AllocateImage(out, lay.width, lay.height); !r.ok()) return r;
    IoResult r;
    if (!ascii) {
        DecodeBinary(lay, file.data() + lay.data, out);
    } else if (lay.kind == 1) {
        r = DecodePlainBitmap(file, lay, out);
    } else {
        r = DecodeAscii(file, lay, out);
    }
    if (!r.ok()) Abandon(out);
    return r;
}

IoResult WritePnm(const std::string& path, const ImageRecord& rec, bool ascii) {
    const std::size_t pixels = rec.pixels();
    if (pixels == 0 || rec.red.size() < pixels || rec.green.size() < pixels ||
        rec.blue.size() < pixels)
        return Fail(IoStatus::Unsupported, "no image to write");
    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;
    const std::string header = std::string(ascii ? "P3" : "P6") + "\n" + std::to_string(rec.width) +
                               " " + std::to_string(rec.height) + "\n65535\n";
    sink.Write(header.data(), header.size());

    const auto w = static_cast<std::size_t>(rec.width);
    const std::size_t row_max = w * (ascii ? kMaxAsciiPixel : 6);
    // Rows go out top row first, formatted in blocks of a few MiB, the bands of a block in
    // parallel. Two blocks take turns, so that one is written out while the next is formatted.
    const int block_rows =
        static_cast<int>(std::max<std::size_t>(1, (std::size_t{8} << 20) / row_max));
    const int blocks = (rec.height + block_rows - 1) / block_rows;
    const auto bands = static_cast<std::size_t>(RowBandCount(std::min(block_rows, rec.height)));
    std::vector<std::vector<char>> text[2] = {std::vector<std::vector<char>>(bands),
                                              std::vector<std::vector<char>>(bands)};
    std::vector<std::size_t> used[2] = {std::vector<std::size_t>(bands),
                                        std::vector<std::size_t>(bands)};
    int count[2] = {0, 0};
    const uint16_t* red = rec.red.data();
    const uint16_t* green = rec.green.data();
    const uint16_t* blue = rec.blue.data();
    auto format = [&](int block, int band) {
        const int first = block * block_rows;
        const int rows = std::min(block_rows, rec.height - first);
        const int y0 = first + BandStart(rows, band, count[block & 1]);
        const int y1 = first + BandStart(rows, band + 1, count[block & 1]);
        std::vector<char>& buf = text[block & 1][static_cast<std::size_t>(band)];
        buf.resize(static_cast<std::size_t>(y1 - y0) * row_max);
        char* o = buf.data();
        for (int y = y0; y < y1; ++y) {
            const std::size_t at = static_cast<std::size_t>(rec.height - 1 - y) * w;
            if (ascii) {
                for (std::size_t x = 0; x < w; ++x) {
                    o = PutSample(o, red[at + x]);
                    o = PutSample(o, green[at + x]);
                    o = PutSample(o, blue[at + x]);
                }
            } else {
                for (std::size_t x = 0; x < w; ++x, o += 6) {
                    o[0] = static_cast<char>(red[at + x] >> 8);
                    o[1] = static_cast<char>(red[at + x]);
                    o[2] = static_cast<char>(green[at + x] >> 8);
                    o[3] = static_cast<char>(green[at + x]);
                    o[4] = static_cast<char>(blue[at + x] >> 8);
                    o[5] = static_cast<char>(blue[at + x]);
                }
            }
        }
        used[block & 1][static_cast<std::size_t>(band)] = static_cast<std::size_t>(o - buf.data());
    };
    auto write = [&](int block) {
        for (int band = 0; band < count[block & 1]; ++band)
            sink.Write(text[block & 1][static_cast<std::size_t>(band)].data(),
                       used[block & 1][static_cast<std::size_t>(band)]);
    };
    // Step i formats block i and writes block i - 1.
    for (int block = 0; block <= blocks; ++block) {
        const bool formats = block < blocks;
        const bool writes = block > 0;
        if (formats)
            count[block & 1] = RowBandCount(std::min(block_rows, rec.height - block * block_rows));
        const int tasks = (formats ? count[block & 1] : 0) + (writes ? 1 : 0);
        RunBands(tasks, [&](int task) {
            if (writes && task == 0) {
                write(block - 1);
            } else {
                format(block, task - (writes ? 1 : 0));
            }
        });
    }
    return sink.Commit();
}

}  // namespace orva
