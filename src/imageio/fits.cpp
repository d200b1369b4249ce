// FITS: reading of the primary image, stretched channel by channel onto 0..65535, and writing
// of 16-bit unsigned images.
//
// Reading. The header is a run of 80-byte cards up to the END card. Only BITPIX, NAXIS,
// NAXIS1 to NAXIS3, BZERO and BSCALE matter; the last card of a keyword wins, and values are
// read as signed real numbers (a BSCALE of 0.5 or a negative BZERO is ordinary). Samples are
// big-endian: unsigned bytes, signed 16, 32 or 64-bit integers, or IEEE floats of 32 or 64
// bits, stored plane by plane. FITS rows run bottom row first, like our planes, so rows are
// copied straight. One plane feeds all three channels; otherwise planes 0, 1 and 2 feed red,
// green and blue (with only two planes blue stays 0) and further planes are ignored.
//
// Every channel is stretched from its own minimum to its own maximum (stretch.h), the value
// being raw * BSCALE + BZERO - dark: stored = trunc((value - min) * 65535 / (max - min)), a
// flat channel giving 0, NaN and infinite values left out of the range and stored as 0.
//
// Linear reading and writing (for calibrated stacking) keep the physical values as floats and
// carry the header cards that do not describe the data layout. The row reader also reports a
// colour sensor's mosaic: BAYERPAT names the 2x2 pattern from the first sample stored,
// XBAYROFF and YBAYROFF shift it, and ROWORDER says which way the stored rows run.
//
// Writing: BITPIX 16 with BZERO 32768, the FITS way of holding unsigned 16-bit samples; the
// red plane alone for a single-plane record, else NAXIS3 = 3 planes red, green, blue; rows
// bottom row first; header and data each padded to whole 2880-byte blocks.
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/parallel.h"
#include "common/text.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "imageio/reader_support.h"
#include "imageio/stretch.h"

namespace orva {

namespace {

constexpr std::size_t kCardBytes = 80;
constexpr std::size_t kBlockBytes = 2880;

bool IsDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}

// The card's keyword (its characters up to the first blank or '=') equals `name`, letters
// compared without regard to case.
bool KeywordIs(const uint8_t* card, std::string_view name) {
    std::size_t n = 0;
    while (n < kCardBytes && card[n] != ' ' && card[n] != '=') ++n;
    if (n != name.size()) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const uint8_t c = card[i];
        const auto upper = static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
        if (upper != name[i]) return false;
    }
    return true;
}

// The number after the card's '=': an optional sign, digits with an optional decimal point,
// and an optional exponent (E, or D as FITS writes double precision). Nothing for strings,
// logical values and empty values. A number beyond the range of a double gives NaN, which
// the callers refuse.
std::optional<double> CardNumber(const uint8_t* card) {
    const uint8_t* end = card + kCardBytes;
    const uint8_t* p = std::find(card, end, '=');
    if (p == end) return std::nullopt;
    ++p;
    while (p < end && *p == ' ') ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // from_chars, unlike strtod, does not depend on the locale's decimal point.
    char text[kCardBytes];
    std::size_t n = 0;
    while (p < end && (IsDigit(*p) || *p == '.' || *p == '+' || *p == '-' || *p == 'E' ||
                       *p == 'e' || *p == 'D' || *p == 'd')) {
        text[n++] = *p == 'D' || *p == 'd' ? 'e' : static_cast<char>(*p);
        ++p;
    }
    double v = 0.0;
    const auto [stop, error] = std::from_chars(text, text + n, v);
    if (stop == text) return std::nullopt;
    if (error != std::errc()) return std::numeric_limits<double>::quiet_NaN();
    return negative ? -v : v;
}

// The string after the card's '=', between single quotes (a doubled quote stands for one),
// trailing blanks removed; nothing when the value is not a string.
std::optional<std::string> CardText(const uint8_t* card) {
    const uint8_t* end = card + kCardBytes;
    const uint8_t* p = std::find(card, end, '=');
    if (p == end) return std::nullopt;
    ++p;
    while (p < end && *p == ' ') ++p;
    if (p == end || *p != '\'') return std::nullopt;
    std::string text;
    for (++p; p < end; ++p) {
        if (*p == '\'') {
            if (p + 1 < end && p[1] == '\'') {
                text += '\'';
                ++p;
                continue;
            }
            break;
        }
        text += static_cast<char>(*p);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

bool AllBlank(const uint8_t* record) {
    for (std::size_t i = 0; i < kCardBytes; ++i)
        if (record[i] != ' ') return false;
    return true;
}

bool IsWholeNumber(double v) {
    return v >= 0.0 && v == std::floor(v);  // false for NaN
}

struct FitsLayout {
    int bitpix = 0;
    int width = 0, height = 0;
    int planes = 1;  // planes read: 1, 2 or 3
    double bzero = 0.0, bscale = 1.0;
    std::size_t data = 0;  // offset of the first sample
};

IoResult ReadHeader(std::span<const uint8_t> f, FitsLayout& lay) {
    std::optional<double> bitpix, naxis, naxis1, naxis2, naxis3;
    double bzero = 0.0, bscale = 1.0;
    std::size_t p = 0;
    bool ended = false;
    for (; p + kCardBytes <= f.size(); p += kCardBytes) {
        const uint8_t* card = f.data() + p;
        if (KeywordIs(card, "END")) {
            ended = true;
            p += kCardBytes;
            break;
        }
        std::optional<double>* slot = KeywordIs(card, "BITPIX")   ? &bitpix
                                      : KeywordIs(card, "NAXIS")  ? &naxis
                                      : KeywordIs(card, "NAXIS1") ? &naxis1
                                      : KeywordIs(card, "NAXIS2") ? &naxis2
                                      : KeywordIs(card, "NAXIS3") ? &naxis3
                                                                  : nullptr;
        const bool is_bzero = KeywordIs(card, "BZERO");
        const bool is_bscale = KeywordIs(card, "BSCALE");
        if (slot == nullptr && !is_bzero && !is_bscale) continue;
        // A card without a number (a string, say) leaves the keyword as it was.
        const std::optional<double> v = CardNumber(card);
        if (!v) continue;
        if (slot != nullptr) *slot = v;
        if (is_bzero) bzero = *v;
        if (is_bscale) bscale = *v;
    }
    if (!ended) {
        if (f.size() < 6 || std::memcmp(f.data(), "SIMPLE", 6) != 0)
            return Fail(IoStatus::NotThisFormat, "not a FITS file");
        return Fail(IoStatus::Damaged, "the header has no END card");
    }

    // The data begins at the first record after END that is not all blanks. The skip stops
    // at the end of the header's block: there a standard file's data begins, even when its
    // first bytes happen to be blanks.
    const std::size_t block_end = (p + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
    while (p < block_end && p + kCardBytes <= f.size() && AllBlank(f.data() + p)) p += kCardBytes;
    lay.data = p;

    if (!bitpix) return Fail(IoStatus::Damaged, "the header has no BITPIX card");
    const double b = *bitpix;
    if (b != 8 && b != 16 && b != 32 && b != 64 && b != -32 && b != -64)
        return Fail(IoStatus::Damaged, "BITPIX is not 8, 16, 32, 64, -32 or -64");
    lay.bitpix = static_cast<int>(b);
    if (naxis && !(*naxis >= 2))
        return Fail(IoStatus::Damaged, "the primary header holds no image (NAXIS below 2)");
    if (!naxis1 || !naxis2) return Fail(IoStatus::Damaged, "the image width or height is missing");
    const double w = *naxis1, h = *naxis2;
    if (!IsWholeNumber(w) || !IsWholeNumber(h))
        return Fail(IoStatus::Damaged, "the image width or height is not a whole number");
    // Clamped so that the conversion is defined; a side past the limit stays past it.
    const auto side = [](double v) {
        return static_cast<int64_t>(std::clamp(v, 0.0, 2.0 * kMaxReadSide));
    };
    if (IoResult r = CheckImageSize(side(w), side(h)); !r.ok()) return r;
    // NAXIS3 counts only when NAXIS admits a third axis (or is missing).
    double planes = 1.0;
    if (naxis3 && (!naxis || *naxis >= 3)) planes = *naxis3;
    if (!IsWholeNumber(planes) || planes < 1)
        return Fail(IoStatus::Damaged, "the number of planes (NAXIS3) is not 1 or more");
    if (!std::isfinite(bzero) || !std::isfinite(bscale))
        return Fail(IoStatus::Damaged, "BZERO or BSCALE is out of range");

    // Exact while it fits the file: every factor and partial product is a whole number
    // below 2^53 then.
    const double need = w * h * planes * std::abs(b) / 8;
    if (need > static_cast<double>(f.size() - lay.data))
        return Fail(IoStatus::Damaged, "pixel data runs past the end of the file");
    lay.width = static_cast<int>(w);
    lay.height = static_cast<int>(h);
    lay.planes = static_cast<int>(std::min(planes, 3.0));
    lay.bzero = bzero;
    lay.bscale = bscale;
    return IoResult::Ok();
}

uint64_t Be64(const uint8_t* p) {
    return static_cast<uint64_t>(Be32(p)) << 32 | Be32(p + 4);
}

template <int kBitpix>
constexpr std::size_t kSampleBytes = static_cast<std::size_t>(kBitpix < 0 ? -kBitpix : kBitpix) / 8;

// Sample i of a plane as a number.
template <int kBitpix>
double Raw(const uint8_t* plane, std::size_t i) {
    const uint8_t* p = plane + i * kSampleBytes<kBitpix>;
    if constexpr (kBitpix == 8) {
        return p[0];
    } else if constexpr (kBitpix == 16) {
        return static_cast<int16_t>(Be16(p));
    } else if constexpr (kBitpix == 32) {
        return static_cast<int32_t>(Be32(p));
    } else if constexpr (kBitpix == 64) {
        return static_cast<double>(static_cast<int64_t>(Be64(p)));
    } else if constexpr (kBitpix == -32) {
        return std::bit_cast<float>(Be32(p));
    } else {
        return std::bit_cast<double>(Be64(p));
    }
}

// One channel of the picture: the plane of samples that feeds it and its dark plane.
struct Channel {
    const uint8_t* src = nullptr;
    const int32_t* dark = nullptr;
    uint16_t* out = nullptr;
};

// Any sample type, with or without a dark: the values are worked out in both passes.
template <int kBitpix, bool kDark>
void DecodeByValue(const FitsLayout& lay, const std::array<Channel, 3>& ch, int count) {
    const double bscale = lay.bscale, bzero = lay.bzero;
    const auto value = [&](int c, std::size_t i) {
        const Channel& chan = ch[static_cast<std::size_t>(c)];
        double v = Raw<kBitpix>(chan.src, i) * bscale + bzero;
        if constexpr (kDark) v -= chan.dark[i];
        return v;
    };
    StretchChannels(lay.width, lay.height, count, value, {ch[0].out, ch[1].out, ch[2].out});
}

// 8 and 16-bit samples without a dark: each raw value always gives the same result, so the
// first pass needs only the raw extremes and the second is a table look-up. Values depend on
// the raw value monotonically, so the extremes give the same range as the values would.
template <int kBitpix>
void DecodeByTable(const FitsLayout& lay, const std::array<Channel, 3>& ch, int count) {
    using RawInt = std::conditional_t<kBitpix == 8, uint8_t, int16_t>;
    const auto w = static_cast<std::size_t>(lay.width);
    const int bands = RowBandCount(lay.height);
    struct RawRange {
        RawInt min = std::numeric_limits<RawInt>::max();
        RawInt max = std::numeric_limits<RawInt>::min();
    };
    std::vector<std::array<RawRange, 3>> partials(static_cast<std::size_t>(bands));
    auto band_samples = [&](int band, std::size_t& i0, std::size_t& i1) {
        i0 = static_cast<std::size_t>(BandStart(lay.height, band, bands)) * w;
        i1 = static_cast<std::size_t>(BandStart(lay.height, band + 1, bands)) * w;
    };
    auto bits = [](const uint8_t* src, std::size_t i) -> RawInt {
        if constexpr (kBitpix == 8) {
            return src[i];
        } else {
            return static_cast<int16_t>(Be16(src + 2 * i));
        }
    };
    RunBands(bands, [&](int band) {
        std::size_t i0, i1;
        band_samples(band, i0, i1);
        for (int c = 0; c < count; ++c) {
            const uint8_t* src = ch[static_cast<std::size_t>(c)].src;
            RawInt lo = std::numeric_limits<RawInt>::max();
            RawInt hi = std::numeric_limits<RawInt>::min();
            for (std::size_t i = i0; i < i1; ++i) {
                const RawInt r = bits(src, i);
                lo = r < lo ? r : lo;
                hi = r > hi ? r : hi;
            }
            partials[static_cast<std::size_t>(band)][static_cast<std::size_t>(c)] = {lo, hi};
        }
    });

    constexpr std::size_t kEntries = std::size_t{1} << (8 * kSampleBytes<kBitpix>);
    std::vector<uint16_t> tables(kEntries * static_cast<std::size_t>(count));
    for (int c = 0; c < count; ++c) {
        RawRange r;
        for (const auto& band : partials) {
            r.min = std::min(r.min, band[static_cast<std::size_t>(c)].min);
            r.max = std::max(r.max, band[static_cast<std::size_t>(c)].max);
        }
        const double a = static_cast<double>(r.min) * lay.bscale + lay.bzero;
        const double b = static_cast<double>(r.max) * lay.bscale + lay.bzero;
        const Stretch s = Stretch::Of(std::min(a, b), std::max(a, b), true);
        uint16_t* table = tables.data() + kEntries * static_cast<std::size_t>(c);
        for (std::size_t e = 0; e < kEntries; ++e) {
            const auto raw = static_cast<RawInt>(e);
            table[e] = s(static_cast<double>(raw) * lay.bscale + lay.bzero);
        }
    }
    RunBands(bands, [&](int band) {
        std::size_t i0, i1;
        band_samples(band, i0, i1);
        for (int c = 0; c < count; ++c) {
            const Channel& chan = ch[static_cast<std::size_t>(c)];
            const uint16_t* table = tables.data() + kEntries * static_cast<std::size_t>(c);
            if constexpr (kBitpix == 8) {
                for (std::size_t i = i0; i < i1; ++i) chan.out[i] = table[chan.src[i]];
            } else {
                for (std::size_t i = i0; i < i1; ++i) chan.out[i] = table[Be16(chan.src + 2 * i)];
            }
        }
    });
}

template <bool kDark>
void DecodeByValue(const FitsLayout& lay, const std::array<Channel, 3>& ch, int count) {
    switch (lay.bitpix) {
        case 8: DecodeByValue<8, kDark>(lay, ch, count); break;
        case 16: DecodeByValue<16, kDark>(lay, ch, count); break;
        case 32: DecodeByValue<32, kDark>(lay, ch, count); break;
        case 64: DecodeByValue<64, kDark>(lay, ch, count); break;
        case -32: DecodeByValue<-32, kDark>(lay, ch, count); break;
        default: DecodeByValue<-64, kDark>(lay, ch, count); break;
    }
}

bool DarkFits(const FitsDark* dark, int width, int height) {
    if (dark == nullptr || dark->width != width || dark->height != height) return false;
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // A dark whose planes do not hold the picture is not used.
    return dark->red.size() >= n && dark->green.size() >= n && dark->blue.size() >= n;
}

// One header card in the fixed format: keyword in columns 1-8, "= " in 9-10, the value
// right-justified to column 30 (strings begin in column 11), then an optional comment.
std::string Card(const char* keyword, const std::string& value, const char* comment = nullptr) {
    std::string card = keyword;
    card.resize(8, ' ');
    if (!value.empty()) {
        card += "= ";
        if (value[0] != '\'' && value.size() < 20) card.append(20 - value.size(), ' ');
        card += value;
    }
    if (comment != nullptr) {
        card += " / ";
        card += comment;
    }
    card.resize(kCardBytes, ' ');
    return card;
}

// Cards that describe the data layout: written anew from the image, never copied.
bool LayoutCard(const uint8_t* card) {
    for (const char* k :
         {"SIMPLE", "BITPIX", "NAXIS", "NAXIS1", "NAXIS2", "NAXIS3", "EXTEND", "BZERO", "BSCALE",
          "BLANK", "DATAMIN", "DATAMAX", "CHECKSUM", "DATASUM", "END"})
        if (KeywordIs(card, k)) return true;
    return std::memcmp(card, "NAXIS", 5) == 0;
}

// The header's cards other than the layout and blank ones, up to END (the header ends
// before `data`), with anything unprintable turned into blanks.
std::vector<std::string> KeptCards(std::span<const uint8_t> file, std::size_t data) {
    std::vector<std::string> cards;
    for (std::size_t p = 0; p + kCardBytes <= data; p += kCardBytes) {
        const uint8_t* card = file.data() + p;
        if (KeywordIs(card, "END")) break;
        if (LayoutCard(card) || AllBlank(card)) continue;
        std::string text(reinterpret_cast<const char*>(card), kCardBytes);
        for (char& c : text)
            if (c < 32 || c > 126) c = ' ';
        cards.push_back(std::move(text));
    }
    return cards;
}

}  // namespace

IoResult DecodeFits(std::span<const uint8_t> file, DecodedImage& out, const FitsDark* dark) {
    FitsLayout lay;
    if (IoResult r = ReadHeader(file, lay); !r.ok()) return r;
    if (IoResult r = AllocateImage(out, lay.width, lay.height); !r.ok()) return r;
    out.fits_cards = KeptCards(file, lay.data);
    const bool dark_on = DarkFits(dark, lay.width, lay.height);
    const std::size_t n =
        static_cast<std::size_t>(lay.width) * static_cast<std::size_t>(lay.height);
    const std::size_t plane_bytes = n * static_cast<std::size_t>(std::abs(lay.bitpix) / 8);

    // Channels worked out separately: one plane without a dark feeds red alone, which is
    // then copied; with a dark each channel differs by its own dark plane.
    const int count = lay.planes == 1 ? (dark_on ? 3 : 1) : lay.planes;
    std::array<Channel, 3> ch{};
    for (int c = 0; c < count; ++c) {
        Channel& chan = ch[static_cast<std::size_t>(c)];
        chan.src = file.data() + lay.data +
                   (lay.planes == 1 ? 0 : plane_bytes * static_cast<std::size_t>(c));
        chan.out = c == 0 ? out.red.data() : c == 1 ? out.green.data() : out.blue.data();
        if (dark_on)
            chan.dark = c == 0 ? dark->red.data() : c == 1 ? dark->green.data() : dark->blue.data();
    }
    // Far beyond any real scale, the values could overflow; then they go the general way,
    // which leaves infinite values out of the range.
    const bool by_table = !dark_on && (lay.bitpix == 8 || lay.bitpix == 16) &&
                          std::abs(lay.bscale) * 65536.0 + std::abs(lay.bzero) < 1e300;
    if (by_table) {
        if (lay.bitpix == 8) {
            DecodeByTable<8>(lay, ch, count);
        } else {
            DecodeByTable<16>(lay, ch, count);
        }
    } else if (dark_on) {
        DecodeByValue<true>(lay, ch, count);
    } else {
        DecodeByValue<false>(lay, ch, count);
    }

    if (count == 1 || count == 2) {
        const auto w = static_cast<std::size_t>(lay.width);
        ForEachRowBand(lay.height, [&](int y0, int y1) {
            const std::size_t at = static_cast<std::size_t>(y0) * w;
            const std::size_t samples = static_cast<std::size_t>(y1 - y0) * w;
            if (count == 1) {
                std::memcpy(out.green.data() + at, out.red.data() + at, samples * sizeof(uint16_t));
                std::memcpy(out.blue.data() + at, out.red.data() + at, samples * sizeof(uint16_t));
            } else {
                std::memset(out.blue.data() + at, 0, samples * sizeof(uint16_t));
            }
        });
    }
    return IoResult::Ok();
}

namespace {

// True when green and blue repeat red: a grey picture whatever its single-plane flag says
// (a one-plane FITS file opens as three equal planes).
bool PlanesEqual(const ImageRecord& rec, std::size_t pixels) {
    if (pixels == 0 || rec.red.size() < pixels) return false;
    for (int c = 1; c < 3; ++c) {
        const Plane& p = rec.plane(c);
        if (p.size() < pixels || std::memcmp(p.data(), rec.red.data(), pixels * 2) != 0)
            return false;
    }
    return true;
}

}  // namespace

IoResult WriteFits(const std::string& path, const ImageRecord& rec) {
    const std::size_t pixels = rec.pixels();
    // A grey picture is one plane: three copies of it would only triple the file.
    const bool single = rec.single_plane != 0 || PlanesEqual(rec, pixels);
    const int planes = single ? 1 : 3;
    for (int c = 0; c < planes; ++c)
        if (pixels == 0 || rec.plane(c).size() < pixels)
            return Fail(IoStatus::Unsupported, "no image to write");
    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;

    std::string header;
    header += Card("SIMPLE", "T", "conforms to the FITS standard");
    header += Card("BITPIX", "16", "16-bit samples");
    header += Card("NAXIS", single ? "2" : "3");
    header += Card("NAXIS1", std::to_string(rec.width), "width");
    header += Card("NAXIS2", std::to_string(rec.height), "height");
    if (!single) header += Card("NAXIS3", "3", "planes red, green, blue");
    header += Card("BZERO", "32768", "samples are unsigned 16-bit");
    header += Card("BSCALE", "1");
    // The keys the picture came with (object, observation date, exposure, ...) go back out.
    bool origin = false;
    for (const std::string& card : rec.fits_cards) {
        std::string c = card;
        c.resize(kCardBytes, ' ');
        origin = origin || c.compare(0, 8, "ORIGIN  ") == 0;
        header += c;
    }
    if (!origin) header += Card("ORIGIN", "'ORVA    '");
    header += Card("END", "");
    header.resize((header.size() + kBlockBytes - 1) / kBlockBytes * kBlockBytes, ' ');
    sink.Write(header.data(), header.size());

    // Each sample less 32768 as a signed big-endian number: the high byte with its top bit
    // flipped, then the low byte. Converted in blocks, parts of a block in parallel.
    constexpr std::size_t kBlockSamples = std::size_t{1} << 20;
    constexpr int kParts = 8;
    std::vector<uint8_t> block(2 * std::min(kBlockSamples, pixels));
    for (int c = 0; c < planes; ++c) {
        const uint16_t* src = rec.plane(c).data();
        for (std::size_t at = 0; at < pixels; at += kBlockSamples) {
            const std::size_t n = std::min(kBlockSamples, pixels - at);
            RunBands(kParts, [&](int part) {
                const std::size_t i0 = n * static_cast<std::size_t>(part) / kParts;
                const std::size_t i1 = n * static_cast<std::size_t>(part + 1) / kParts;
                const uint16_t* s = src + at;
                uint8_t* o = block.data();
                for (std::size_t i = i0; i < i1; ++i) {
                    o[2 * i] = static_cast<uint8_t>((s[i] >> 8) ^ 0x80);
                    o[2 * i + 1] = static_cast<uint8_t>(s[i]);
                }
            });
            sink.Write(block.data(), 2 * n);
        }
    }
    const std::size_t data_bytes = 2 * pixels * static_cast<std::size_t>(planes);
    const std::size_t padding = (kBlockBytes - data_bytes % kBlockBytes) % kBlockBytes;
    for (std::size_t i = 0; i < padding; ++i) sink.Put(0);
    return sink.Commit();
}

IoResult FitsRows::Open(std::span<const uint8_t> file) {
    *this = FitsRows{};
    FitsLayout lay;
    if (IoResult r = ReadHeader(file, lay); !r.ok()) return r;
    cards = KeptCards(file, lay.data);
    file_ = file;
    width = lay.width;
    height = lay.height;
    planes = lay.planes == 1 ? 1 : 3;
    stored_planes_ = lay.planes;
    bitpix_ = lay.bitpix;
    bzero_ = lay.bzero;
    bscale_ = lay.bscale;
    data_ = lay.data;
    // The colour mosaic's keys; the last card of a key wins, as for the layout's.
    for (const std::string& text : cards) {
        const auto* card = reinterpret_cast<const uint8_t*>(text.data());
        if (KeywordIs(card, "BAYERPAT")) {
            bayer_pattern = ToUpperAscii(CardText(card).value_or(""));
        } else if (KeywordIs(card, "XBAYROFF") || KeywordIs(card, "YBAYROFF")) {
            // Only the offset's parity moves a 2x2 pattern; anything not a whole number is 0.
            const std::optional<double> v = CardNumber(card);
            const int parity = v && std::isfinite(*v) && *v == std::floor(*v)
                                   ? static_cast<int>(std::fmod(std::abs(*v), 2.0))
                                   : 0;
            (card[0] == 'X' || card[0] == 'x' ? bayer_x_offset : bayer_y_offset) = parity;
        } else if (KeywordIs(card, "ROWORDER")) {
            top_down = ToUpperAscii(CardText(card).value_or("")) == "TOP-DOWN";
        }
    }
    return IoResult::Ok();
}

std::pair<std::size_t, std::size_t> FitsRows::Bytes(int c, int y0, int count) const {
    const std::size_t sample = static_cast<std::size_t>(std::abs(bitpix_) / 8);
    const std::size_t row = static_cast<std::size_t>(width) * sample;
    if (c < 0 || c >= stored_planes_ || y0 < 0 || count < 0 || y0 + count > height) return {0, 0};
    return {data_ + row * static_cast<std::size_t>(height) * static_cast<std::size_t>(c) +
                row * static_cast<std::size_t>(y0),
            row * static_cast<std::size_t>(count)};
}

void FitsRows::Read(int c, int y0, int count, float* out) const {
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t n = static_cast<std::size_t>(count) * w;
    if (c < 0 || c >= planes || y0 < 0 || count < 0 || y0 + count > height) return;
    if (c >= stored_planes_) {
        std::fill(out, out + n, 0.0f);
        return;
    }
    const std::size_t plane_bytes =
        w * static_cast<std::size_t>(height) * static_cast<std::size_t>(std::abs(bitpix_) / 8);
    const uint8_t* src = file_.data() + data_ + plane_bytes * static_cast<std::size_t>(c);
    const std::size_t first = static_cast<std::size_t>(y0) * w;
    auto convert = [&]<int kBitpix>() {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<float>(Raw<kBitpix>(src, first + i) * bscale_ + bzero_);
    };
    switch (bitpix_) {
        case 8: convert.template operator()<8>(); break;
        case 16: convert.template operator()<16>(); break;
        case 32: convert.template operator()<32>(); break;
        case 64: convert.template operator()<64>(); break;
        case -32: convert.template operator()<-32>(); break;
        default: convert.template operator()<-64>(); break;
    }
}

IoResult DecodeFitsLinear(std::span<const uint8_t> file, LinearImage& out, uint64_t memory_budget) {
    out = LinearImage{};
    FitsRows rows;
    if (IoResult r = rows.Open(file); !r.ok()) return r;
    const std::size_t n =
        static_cast<std::size_t>(rows.width) * static_cast<std::size_t>(rows.height);
    const uint64_t bytes = uint64_t{n} * static_cast<uint64_t>(rows.planes) * sizeof(float);
    if (bytes > memory_budget) return Fail(IoStatus::TooLarge, "the image does not fit in memory");
    LinearImage img;
    img.width = rows.width;
    img.height = rows.height;
    img.planes = rows.planes;
    try {
        img.data.assign(n * static_cast<std::size_t>(rows.planes), 0.0f);
    } catch (const std::bad_alloc&) {
        return Fail(IoStatus::OutOfMemory, "no memory for the image");
    }
    img.cards = rows.cards;
    for (int c = 0; c < rows.planes; ++c) {
        float* dst = img.plane(c);
        ForEachRowBand(rows.height, [&](int y0, int y1) {
            rows.Read(c, y0, y1 - y0, dst + static_cast<std::size_t>(y0) * rows.width);
        });
    }
    out = std::move(img);
    return IoResult::Ok();
}

IoResult WriteFitsLinear(const std::string& path, const LinearImage& img, bool float32,
                         const std::vector<std::string>& history) {
    const std::size_t n = img.pixels();
    if (n == 0 || (img.planes != 1 && img.planes != 3) ||
        img.data.size() < n * static_cast<std::size_t>(img.planes))
        return Fail(IoStatus::Unsupported, "no image to write");
    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;
    std::string header;
    header += Card("SIMPLE", "T", "conforms to the FITS standard");
    header += Card("BITPIX", float32 ? "-32" : "16", float32 ? "32-bit floats" : "16-bit samples");
    header += Card("NAXIS", img.planes == 1 ? "2" : "3");
    header += Card("NAXIS1", std::to_string(img.width), "width");
    header += Card("NAXIS2", std::to_string(img.height), "height");
    if (img.planes == 3) header += Card("NAXIS3", "3", "planes red, green, blue");
    if (!float32) {
        header += Card("BZERO", "32768", "samples are unsigned 16-bit");
        header += Card("BSCALE", "1");
    }
    for (const std::string& card : img.cards) {
        std::string c = card;
        c.resize(kCardBytes, ' ');
        header += c;
    }
    for (const std::string& line : history) {
        for (std::size_t at = 0; at == 0 || at < line.size(); at += 72) {
            std::string c = "HISTORY " + line.substr(at, 72);
            for (char& ch : c)
                if (ch < 32 || ch > 126) ch = ' ';
            c.resize(kCardBytes, ' ');
            header += c;
        }
    }
    header += Card("END", "");
    header.resize((header.size() + kBlockBytes - 1) / kBlockBytes * kBlockBytes, ' ');
    sink.Write(header.data(), header.size());

    const std::size_t samples = n * static_cast<std::size_t>(img.planes);
    const std::size_t width = float32 ? 4 : 2;
    constexpr std::size_t kBlockSamples = std::size_t{1} << 20;
    std::vector<uint8_t> block(width * std::min(kBlockSamples, samples));
    for (std::size_t at = 0; at < samples; at += kBlockSamples) {
        const std::size_t count = std::min(kBlockSamples, samples - at);
        for (std::size_t i = 0; i < count; ++i) {
            const float v = img.data[at + i];
            uint8_t* o = block.data() + width * i;
            if (float32) {
                const uint32_t bits = std::bit_cast<uint32_t>(v);
                o[0] = static_cast<uint8_t>(bits >> 24);
                o[1] = static_cast<uint8_t>(bits >> 16);
                o[2] = static_cast<uint8_t>(bits >> 8);
                o[3] = static_cast<uint8_t>(bits);
            } else {
                const double r =
                    std::isnan(v) ? 0.0 : std::clamp(std::round(double{v}), 0.0, 65535.0);
                const auto s = static_cast<uint16_t>(r);
                o[0] = static_cast<uint8_t>((s >> 8) ^ 0x80);
                o[1] = static_cast<uint8_t>(s);
            }
        }
        sink.Write(block.data(), width * count);
    }
    const std::size_t data_bytes = width * samples;
    const std::size_t padding = (kBlockBytes - data_bytes % kBlockBytes) % kBlockBytes;
    for (std::size_t i = 0; i < padding; ++i) sink.Put(0);
    return sink.Commit();
}

IoResult DecodeFitsDark(std::span<const uint8_t> file, FitsDark& out, uint64_t memory_budget) {
    out = FitsDark{};
    FitsLayout lay;
    if (IoResult r = ReadHeader(file, lay); !r.ok()) return r;
    const std::size_t n =
        static_cast<std::size_t>(lay.width) * static_cast<std::size_t>(lay.height);
    if (n * 3 * sizeof(int32_t) > memory_budget)
        return Fail(IoStatus::OutOfMemory, "not enough memory for the dark frame");
    const std::size_t plane_bytes = n * static_cast<std::size_t>(std::abs(lay.bitpix) / 8);
    FitsDark d;
    d.width = lay.width;
    d.height = lay.height;
    std::vector<int32_t>* planes[3] = {&d.red, &d.green, &d.blue};
    for (int c = 0; c < lay.planes; ++c) {
        const uint8_t* src = file.data() + lay.data + plane_bytes * static_cast<std::size_t>(c);
        std::vector<int32_t>& dst = *planes[c];
        dst.resize(n);
        ForEachRowBand(lay.height, [&](int y0, int y1) {
            for (std::size_t i = static_cast<std::size_t>(y0) * lay.width;
                 i < static_cast<std::size_t>(y1) * lay.width; ++i) {
                double v = 0;
                switch (lay.bitpix) {
                    case 8: v = Raw<8>(src, i); break;
                    case 16: v = Raw<16>(src, i); break;
                    case 32: v = Raw<32>(src, i); break;
                    case 64: v = Raw<64>(src, i); break;
                    case -32: v = Raw<-32>(src, i); break;
                    default: v = Raw<-64>(src, i); break;
                }
                v = v * lay.bscale + lay.bzero;
                // Blank (NaN) samples subtract nothing; the rest are held within int32.
                dst[i] = std::isfinite(v)
                             ? static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0))
                             : 0;
            }
        });
    }
    // One plane darkens all three channels, as one plane feeds all three when read; with two
    // planes the third channel has no dark.
    if (lay.planes == 1) d.green = d.blue = d.red;
    if (lay.planes == 2) d.blue.assign(n, 0);
    out = std::move(d);
    return IoResult::Ok();
}

}  // namespace orva
