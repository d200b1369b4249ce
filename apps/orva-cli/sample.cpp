#include "sample.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

#include "imageio/formats.h"

namespace orva {

namespace {

// SplitMix64: small, fast and the same sequence on every machine, so the samples are too.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n).
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    // Roughly Gaussian with a standard deviation of about 74: the sum of four uniform whole
    // numbers, so no floating point is involved and every machine agrees on it.
    int Noise() {
        int sum = 0;
        for (int i = 0; i < 4; ++i) sum += Below(129) - 64;
        return sum;
    }

private:
    uint64_t state_;
};

// Fixed seeds: the sky and the sensor are the same in every sample set of a given size.
constexpr uint64_t kStarSeed = 0x4F52564153544152ull;
constexpr uint64_t kSensorSeed = 0x4F52564153454E53ull;
constexpr uint64_t kNoiseSeed = 0x4F5256414E4F4953ull;

constexpr int kBias = 1000;      // the sensor's offset, in every frame
constexpr int kSkyLow = 1500;    // sky at the upper right corner
constexpr int kSkyRise = 2500;   // added once along each axis: the lower left is 5000 brighter
constexpr int kDriftMargin = 8;  // stars are placed this far beyond the edges so drift brings
                                 // new ones in, as it does on a real sky

// Hot pixels: positions on the sensor (column, row from the top) and the extra signal.
struct HotPixel {
    int x, y, extra;
};

std::vector<HotPixel> SensorHotPixels(int width, int height) {
    Random rng(kSensorSeed);
    const int count = std::max(8, static_cast<int>(static_cast<int64_t>(width) * height / 6000));
    std::vector<HotPixel> hot;
    hot.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int x = rng.Below(width), y = rng.Below(height);
        hot.push_back({x, y, 6000 + rng.Below(50000)});
    }
    return hot;
}

// Star light in picture coordinates (row 0 at the top), before sky, sensor and noise.
std::vector<double> StarLight(int width, int height, int shift_x, int shift_y) {
    std::vector<double> light(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    Random rng(kStarSeed);
    const int span_x = width + 2 * kDriftMargin, span_y = height + 2 * kDriftMargin;
    const int count = std::max(12, static_cast<int>(static_cast<int64_t>(span_x) * span_y / 1500));
    for (int i = 0; i < count; ++i) {
        const double x = rng.Unit() * span_x - kDriftMargin + shift_x;
        const double y = rng.Unit() * span_y - kDriftMargin + shift_y;
        const double u = rng.Unit();
        // Many faint stars and a few bright ones; one in forty saturates its core.
        const bool bright = i % 40 == 0;
        const double peak = bright ? 120000.0 : 250.0 + 30000.0 * std::pow(u, 5.0);
        const double sigma = bright ? 2.4 : 1.0 + 1.2 * u;
        const int radius = static_cast<int>(std::ceil(sigma * std::sqrt(2.0 * std::log(peak)))) + 1;
        const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
        for (int py = std::max(0, cy - radius); py <= std::min(height - 1, cy + radius); ++py) {
            for (int px = std::max(0, cx - radius); px <= std::min(width - 1, cx + radius); ++px) {
                const double dx = px - x, dy = py - y;
                light[static_cast<std::size_t>(py) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(px)] +=
                    peak * std::exp(-(dx * dx + dy * dy) / (2.0 * sigma * sigma));
            }
        }
    }
    return light;
}

// The working picture of doubles and the record's three planes, with room for the planes of
// the record being replaced. Checked beforehand: with overcommit a bare allocation succeeds
// and the system ends the process once the pages are touched.
bool WorkFits(int width, int height) {
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    return pixels * (sizeof(double) + 6 * sizeof(uint16_t)) <= SystemAvailableMemory();
}

uint16_t Clamp16(double v) {
    return static_cast<uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
}

// Fills a single-plane record from picture-order values (row 0 at the top).
bool StoreGrey(ImageRecord& rec, int width, int height, const std::vector<double>& picture) {
    DecodedImage img;
    if (!img.Allocate(width, height)) return false;
    for (int y = 0; y < height; ++y) {
        const std::size_t from = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const std::size_t to =
            static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            const uint16_t v = Clamp16(picture[from + static_cast<std::size_t>(x)]);
            img.red[to + static_cast<std::size_t>(x)] = v;
            img.green[to + static_cast<std::size_t>(x)] = v;
            img.blue[to + static_cast<std::size_t>(x)] = v;
        }
    }
    StoreDecoded(rec, std::move(img), "");
    rec.single_plane = 1;
    return true;
}

// Bias, hot pixels and noise: what the sensor adds to every frame, light or dark.
void AddSensor(std::vector<double>& picture, int width, int height, uint32_t noise_seed) {
    Random noise(kNoiseSeed ^ (uint64_t{noise_seed} * 0x9E3779B97F4A7C15ull));
    for (auto& v : picture) v += kBias + noise.Noise();
    for (const HotPixel& h : SensorHotPixels(width, height))
        picture[static_cast<std::size_t>(h.y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(h.x)] += h.extra;
}

}  // namespace

bool MakeStarField(ImageRecord& rec, int width, int height, const StarFieldShot& shot) {
    if (width < 1 || height < 1 || !WorkFits(width, height)) return false;
    std::vector<double> picture = StarLight(width, height, shot.shift_x, shot.shift_y);
    const int wx = std::max(width - 1, 1), hy = std::max(height - 1, 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)] +=
                kSkyLow + kSkyRise * (wx - x) / wx + kSkyRise * y / hy;
    AddSensor(picture, width, height, shot.noise_seed);
    return StoreGrey(rec, width, height, picture);
}

bool MakeDarkFrame(ImageRecord& rec, int width, int height, uint32_t noise_seed) {
    if (width < 1 || height < 1 || !WorkFits(width, height)) return false;
    std::vector<double> picture(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    AddSensor(picture, width, height, noise_seed);
    return StoreGrey(rec, width, height, picture);
}

std::string WriteSampleSet(const std::string& dir, int width, int height) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return dir + ": " + ec.message();
    auto write = [&](const std::string& name, const ImageRecord& rec) -> std::string {
        const std::string path = (std::filesystem::path(dir) / name).string();
        WriteOptions binary;
        binary.ppm_ascii = false;
        const IoResult r = WriteImageFile(path, DetectFormat(path), rec, binary);
        if (r.ok()) return {};
        return path + ": " + IoStatusName(r.status) + (r.detail.empty() ? "" : ": " + r.detail);
    };
    ImageRecord rec;
    // Noise seeds: 0 for the star field, 1..4 for the exposures, 100 for the dark.
    if (!MakeStarField(rec, width, height, {})) return "out of memory";
    if (std::string e = write("starfield.fits", rec); !e.empty()) return e;
    for (int i = 0; i < kSampleExposures; ++i) {
        const StarFieldShot shot{kSampleShifts[i][0], kSampleShifts[i][1],
                                 static_cast<uint32_t>(i + 1)};
        if (!MakeStarField(rec, width, height, shot)) return "out of memory";
        const std::string name = "exposure-" + std::to_string(i + 1) + ".fits";
        if (std::string e = write(name, rec); !e.empty()) return e;
    }
    if (!MakeDarkFrame(rec, width, height, 100)) return "out of memory";
    if (std::string e = write("dark.fits", rec); !e.empty()) return e;
    if (!MakeColourTestPicture(rec, width, height)) return "out of memory";
    return write("colour-test.ppm", rec);
}

bool MakeColourTestPicture(ImageRecord& rec, int width, int height) {
    DecodedImage img;
    if (!img.Allocate(width, height)) return false;
    // Top half: hue bands at full saturation fading to black; bottom half: a 16-bit grey
    // ramp, so both the colour handling and the full sample range can be seen.
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;  // from the top
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(row) * width + x;
            uint32_t r, g, b;
            if (y < height / 2) {
                const uint32_t h = static_cast<uint32_t>(x) * 6u * 65535u / width;  // 0..6*65535
                const uint32_t f = h % 65535u, sector = h / 65535u;
                const uint32_t up = f, down = 65535u - f;
                switch (sector) {
                    case 0:
                        r = 65535;
                        g = up;
                        b = 0;
                        break;
                    case 1:
                        r = down;
                        g = 65535;
                        b = 0;
                        break;
                    case 2:
                        r = 0;
                        g = 65535;
                        b = up;
                        break;
                    case 3:
                        r = 0;
                        g = down;
                        b = 65535;
                        break;
                    case 4:
                        r = up;
                        g = 0;
                        b = 65535;
                        break;
                    default:
                        r = 65535;
                        g = 0;
                        b = down;
                        break;
                }
                const uint32_t scale = static_cast<uint32_t>(height / 2 - y) * 65535u /
                                       static_cast<uint32_t>(std::max(height / 2, 1));
                r = r * scale / 65535u;
                g = g * scale / 65535u;
                b = b * scale / 65535u;
            } else {
                r = g = b = static_cast<uint32_t>(x) * 65535u /
                            static_cast<uint32_t>(std::max(width - 1, 1));
            }
            img.red[i] = static_cast<uint16_t>(r);
            img.green[i] = static_cast<uint16_t>(g);
            img.blue[i] = static_cast<uint16_t>(b);
        }
    }
    StoreDecoded(rec, std::move(img), "");
    return true;
}

}  // namespace orva
