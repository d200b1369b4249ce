#include "cli_session.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "cli_args.h"
#include "cli_ops.h"
#include "common/parallel.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "workspace/image_record.h"

namespace orva {

namespace {

constexpr const char* kUsage =
    "usage: orva-cli sample-session DIR [--size W H] [--lights N] [--bias N] [--darks N]\n"
    "                 [--flats N] [--shift PX] [--rotate DEGREES] [--seed S]\n"
    "      a synthetic session for calibrated stacking: one star field seen through one\n"
    "      sensor (bias level and column pattern, read noise, dark current with hot pixels,\n"
    "      vignetting and pixel response in the flats, photon noise). Writes one-plane\n"
    "      16-bit FITS frames to DIR/lights, DIR/bias, DIR/darks and DIR/flats, and each\n"
    "      light's true offset and angle to DIR/session.txt. Defaults: 4000 x 3000, 20\n"
    "      lights, 10 of each calibration frame, lights moved up to 8 pixels each way and\n"
    "      not rotated, seed 1. The same arguments always give the same files.\n";

int Usage(const std::string& problem) {
    return CliUsage(problem, kUsage);
}

struct Options {
    std::string dir;
    int width = 4000, height = 3000;
    int lights = 20, bias = 10, darks = 10, flats = 10;
    int shift = 8;
    double rotate = 0;  // largest angle of a light against the first, degrees
    uint64_t seed = 1;
};

// Counter-based randomness: every value is a hash of what it belongs to (sensor, frame,
// pixel), so a pixel comes out the same whichever band or thread computes it.
uint64_t Mix(uint64_t v) {
    v += 0x9E3779B97F4A7C15ull;
    v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ull;
    v = (v ^ (v >> 27)) * 0x94D049BB133111EBull;
    return v ^ (v >> 31);
}
uint64_t Key(uint64_t a, uint64_t b, uint64_t c = 0, uint64_t d = 0) {
    return Mix(Mix(Mix(Mix(a) ^ b) ^ c) ^ d);
}
double Uniform(uint64_t h) {
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}
// About normal with mean 0 and deviation 1: the sum of four uniforms of one hash, which is
// cheap and close enough for sensor noise (its tails stop at 3.5 deviations).
float Normal(uint64_t h) {
    const uint32_t s = static_cast<uint32_t>(h & 0xFFFF) +
                       static_cast<uint32_t>((h >> 16) & 0xFFFF) +
                       static_cast<uint32_t>((h >> 32) & 0xFFFF) + static_cast<uint32_t>(h >> 48);
    return (static_cast<float>(s) * (1.0f / 65536.0f) - 2.0f) * 1.7320508f;
}

enum Kind : uint64_t { kLight = 1, kBias, kDark, kFlat };

// The sensor and optics every frame shares.
struct Sensor {
    uint64_t seed;
    int width, height;
    static constexpr float kBiasLevel = 1000, kReadNoise = 6, kDarkRate = 0.05f;
    static constexpr float kSky = 250, kFlatLevel = 22000;
    static constexpr float kLightSeconds = 120, kFlatSeconds = 2;

    float ColumnPattern(int x) const {
        return static_cast<float>(Uniform(Key(seed, 11, static_cast<uint64_t>(x))) - 0.5) * 8;
    }
    // Dark current in ADU per second: a low floor and one hot pixel in about 2,500.
    float DarkRate(int x, int y) const {
        const uint64_t h = Key(seed, 12, static_cast<uint64_t>(x), static_cast<uint64_t>(y));
        if (h % 2500 != 0) return kDarkRate;
        return 2.0f + static_cast<float>(Uniform(Mix(h))) * 98.0f;
    }
    // Light reaching a pixel against the centre: vignetting falling to about 0.55 in the
    // corners, times a pixel response of 1 +- 1 %.
    float Flat(int x, int y) const {
        const double cx = 0.5 * (width - 1), cy = 0.5 * (height - 1);
        const double r2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (cx * cx + cy * cy + 1);
        const double v = 1.0 / ((1 + 0.35 * r2) * (1 + 0.35 * r2));
        const float prnu = 1.0f + 0.01f * Normal(Key(seed, 13, static_cast<uint64_t>(x),
                                                     static_cast<uint64_t>(y)));
        return static_cast<float>(v) * prnu;
    }
};

struct Star {
    double x, y;  // on the sky, or in a frame once placed
    float peak, sigma;
};

// The sky: stars over the frame plus a margin wide enough for every light's offset and
// angle, about one per 5,000 square pixels. Brightness follows a power law (many faint
// stars, a few saturated ones); widths vary by +-15 % around a seeing of 3 pixels FWHM.
std::vector<Star> MakeSky(const Options& o) {
    const double diag = std::hypot(o.width, o.height);
    const double margin = o.shift + diag * std::sin(o.rotate * std::numbers::pi / 180) + 32;
    const double w = o.width + 2 * margin, h = o.height + 2 * margin;
    const auto count = static_cast<std::size_t>(w * h / 5000);
    std::vector<Star> sky(count);
    for (std::size_t i = 0; i < count; ++i) {
        const uint64_t k = Key(o.seed, 21, i);
        const double u = 1.0 - Uniform(Mix(k ^ 3));  // (0, 1]
        sky[i].x = Uniform(Mix(k ^ 1)) * w - margin;
        sky[i].y = Uniform(Mix(k ^ 2)) * h - margin;
        sky[i].peak = static_cast<float>(std::min(200000.0, 60.0 / u));
        sky[i].sigma = static_cast<float>(1.3 * (0.85 + 0.3 * Uniform(Mix(k ^ 4))));
    }
    return sky;
}

// Where light `index` points: a whole-pixel offset and a small angle, none for the first.
struct Pointing {
    int dx = 0, dy = 0;
    double degrees = 0;
};
Pointing LightPointing(const Options& o, int index) {
    Pointing p;
    if (index == 0) return p;
    const uint64_t k = Key(o.seed, 31, static_cast<uint64_t>(index));
    const int span = 2 * o.shift + 1;
    p.dx = static_cast<int>(Mix(k ^ 1) % static_cast<uint64_t>(span)) - o.shift;
    p.dy = static_cast<int>(Mix(k ^ 2) % static_cast<uint64_t>(span)) - o.shift;
    if (o.rotate > 0) p.degrees = (2 * Uniform(Mix(k ^ 3)) - 1) * o.rotate;
    return p;
}

// The sky's stars as a light sees them: a sky point s lands on pixel
// R(-angle) (s - centre - offset) + centre, with this light's seeing. Sorted by row.
std::vector<Star> PlaceStars(const std::vector<Star>& sky, const Options& o, const Pointing& p,
                             float seeing) {
    const double a = -p.degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    const double cx = 0.5 * (o.width - 1), cy = 0.5 * (o.height - 1);
    std::vector<Star> placed;
    for (const Star& star : sky) {
        const double u = star.x - cx - p.dx, v = star.y - cy - p.dy;
        Star f = star;
        f.x = c * u - s * v + cx;
        f.y = s * u + c * v + cy;
        f.sigma *= seeing;
        if (f.x > -40 && f.y > -40 && f.x < o.width + 40 && f.y < o.height + 40)
            placed.push_back(f);
    }
    std::sort(placed.begin(), placed.end(), [](const Star& l, const Star& r) { return l.y < r.y; });
    return placed;
}

// Half the size of the square a star is drawn in: out to where it falls below half a unit.
int Reach(const Star& s) {
    return std::min(30, static_cast<int>(std::ceil(s.sigma * std::sqrt(2 * std::log(2 * s.peak)))));
}

// One frame of a kind into `out` (width x height, rows bottom first).
void RenderFrame(const Sensor& sensor, Kind kind, int index, const std::vector<Star>& stars,
                 Plane& out) {
    const int w = sensor.width;
    const uint64_t frame = Key(sensor.seed, kind, static_cast<uint64_t>(index));
    const float seconds = kind == kLight || kind == kDark ? Sensor::kLightSeconds
                          : kind == kFlat                 ? Sensor::kFlatSeconds
                                                          : 0.0f;
    // Flats are taken at slightly different brightness, as a real sky or panel gives.
    const float flat_level =
        Sensor::kFlatLevel * static_cast<float>(0.95 + 0.1 * Uniform(Mix(frame ^ 5)));
    ForEachRowBand(sensor.height, [&](int y0, int y1) {
        // What reaches the sensor above the sky, for this band's rows.
        std::vector<float> light(static_cast<std::size_t>(y1 - y0) * static_cast<std::size_t>(w),
                                 0.0f);
        if (kind == kLight) {
            const auto first = std::lower_bound(stars.begin(), stars.end(), y0 - 31.0,
                                                [](const Star& s, double y) { return s.y < y; });
            for (auto it = first; it != stars.end() && it->y < y1 + 31.0; ++it) {
                const int r = Reach(*it);
                const int sx = static_cast<int>(std::lround(it->x)),
                          sy = static_cast<int>(std::lround(it->y));
                const double k = -0.5 / (double{it->sigma} * it->sigma);
                for (int y = std::max(y0, sy - r); y <= std::min(y1 - 1, sy + r); ++y)
                    for (int x = std::max(0, sx - r); x <= std::min(w - 1, sx + r); ++x) {
                        const double ddx = x - it->x, ddy = y - it->y;
                        light[static_cast<std::size_t>(y - y0) * static_cast<std::size_t>(w) +
                              static_cast<std::size_t>(x)] +=
                            static_cast<float>(it->peak * std::exp(k * (ddx * ddx + ddy * ddy)));
                    }
            }
        }
        for (int y = y0; y < y1; ++y) {
            uint16_t* row = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
            const float* l =
                light.data() + static_cast<std::size_t>(y - y0) * static_cast<std::size_t>(w);
            for (int x = 0; x < w; ++x) {
                float signal = 0;
                if (kind == kLight) signal = sensor.Flat(x, y) * (Sensor::kSky + l[x]);
                if (kind == kFlat) signal = sensor.Flat(x, y) * flat_level;
                const float dark = seconds > 0 ? sensor.DarkRate(x, y) * seconds : 0.0f;
                const float mean = Sensor::kBiasLevel + sensor.ColumnPattern(x) + dark + signal;
                const float deviation =
                    std::sqrt(signal + dark + Sensor::kReadNoise * Sensor::kReadNoise);
                const float v = mean + deviation * Normal(Key(frame, static_cast<uint64_t>(x),
                                                              static_cast<uint64_t>(y)));
                row[x] = static_cast<uint16_t>(std::clamp(std::lround(v), 0l, 65535l));
            }
        }
    });
}

// An 80-character header card with a number or a quoted text.
std::string Card(const char* key, const std::string& value, bool text) {
    char buf[96];
    if (text)
        std::snprintf(buf, sizeof buf, "%-8s= %-20s", key, ("'" + value + "'").c_str());
    else
        std::snprintf(buf, sizeof buf, "%-8s= %20s", key, value.c_str());
    std::string card = buf;
    card.resize(80, ' ');
    return card;
}

bool WriteFrame(const Sensor& sensor, Kind kind, int index, const std::vector<Star>& stars,
                const std::string& path, ImageRecord& rec, std::string* error) {
    RenderFrame(sensor, kind, index, stars, rec.red);
    const char* type = kind == kLight  ? "Light Frame"
                       : kind == kBias ? "Bias Frame"
                       : kind == kDark ? "Dark Frame"
                                       : "Flat Field";
    const float seconds = kind == kLight || kind == kDark ? Sensor::kLightSeconds
                          : kind == kFlat                 ? Sensor::kFlatSeconds
                                                          : 0.0f;
    char exposure[32];
    std::snprintf(exposure, sizeof exposure, "%.1f", static_cast<double>(seconds));
    rec.fits_cards = {Card("IMAGETYP", type, true), Card("EXPTIME", exposure, false),
                      Card("OBJECT", "ORVA synthetic field", true)};
    const IoResult r = WriteFits(path, rec);
    if (!r.ok()) *error = path + ": " + IoStatusName(r.status);
    return r.ok();
}

}  // namespace

int SampleSessionMain(int argc, char** argv) {
    Options o;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--size") {
            if (!ParseWhole(next(), 64, 20000, o.width) || !ParseWhole(next(), 64, 20000, o.height))
                return Usage("--size needs W H from 64 to 20000");
        } else if (a == "--lights" || a == "--bias" || a == "--darks" || a == "--flats") {
            int& n = a == "--lights"  ? o.lights
                     : a == "--bias"  ? o.bias
                     : a == "--darks" ? o.darks
                                      : o.flats;
            if (!ParseWhole(next(), a == "--lights" ? 1 : 0, 1000, n))
                return Usage(a + " needs a count up to 1000");
        } else if (a == "--shift") {
            if (!ParseWhole(next(), 0, 200, o.shift)) return Usage("--shift needs 0 to 200 pixels");
        } else if (a == "--rotate") {
            if (!ParseDecimal(next(), 0, 45, o.rotate))
                return Usage("--rotate needs 0 to 45 degrees");
        } else if (a == "--seed") {
            long long seed = 0;
            if (!ParseWhole(next(), 0, INT64_MAX, seed))
                return Usage("--seed needs a whole number from 0");
            o.seed = static_cast<uint64_t>(seed);
        } else if (LooksLikeOption(a)) {
            return Usage(UnknownOption(a));
        } else if (o.dir.empty()) {
            o.dir = a;
        } else {
            return Usage("sample-session takes one folder");
        }
    }
    if (o.dir.empty()) return Usage("sample-session needs DIR");

    namespace fs = std::filesystem;
    std::error_code ec;
    for (const char* sub : {"lights", "bias", "darks", "flats"}) {
        fs::create_directories(fs::path(o.dir) / sub, ec);
        if (ec) return CliFail(o.dir + "/" + sub + ": " + ec.message());
    }
    const Sensor sensor{o.seed, o.width, o.height};
    ImageRecord rec;
    rec.width = o.width;
    rec.height = o.height;
    rec.single_plane = 1;
    if (!rec.red.Allocate(rec.pixels())) return CliFail("not enough memory");

    const std::string truth_path = (fs::path(o.dir) / "session.txt").string();
    FileSink truth;
    if (const IoResult r = truth.Open(truth_path); !r.ok())
        return CliFail(truth_path + ": " + r.detail);
    truth.PutText(
        "# light dx dy degrees: sky point s is seen at R(-degrees) (s - c - (dx, dy)) "
        "+ c,\n# c the frame's centre, x to the right, y rows from the bottom\n");
    const std::vector<Star> sky = MakeSky(o);
    std::string error;
    char name[64];
    for (int i = 0; i < o.lights; ++i) {
        const Pointing p = LightPointing(o, i);
        const float seeing =
            static_cast<float>(0.9 + 0.2 * Uniform(Key(o.seed, 32, static_cast<uint64_t>(i))));
        std::snprintf(name, sizeof name, "light_%04d.fits", i + 1);
        char line[128];
        std::snprintf(line, sizeof line, "%s %d %d %.6f\n", name, p.dx, p.dy, p.degrees);
        truth.PutText(line);
        if (!WriteFrame(sensor, kLight, i, PlaceStars(sky, o, p, seeing),
                        (fs::path(o.dir) / "lights" / name).string(), rec, &error))
            break;
    }
    if (const IoResult r = truth.Commit(); !r.ok() && error.empty())
        error = truth_path + ": " + r.detail;
    const struct {
        Kind kind;
        int count;
        const char *folder, *stem;
    } calibration[] = {{kBias, o.bias, "bias", "bias"},
                       {kDark, o.darks, "darks", "dark"},
                       {kFlat, o.flats, "flats", "flat"}};
    for (const auto& c : calibration)
        for (int i = 0; i < c.count && error.empty(); ++i) {
            std::snprintf(name, sizeof name, "%s_%04d.fits", c.stem, i + 1);
            WriteFrame(sensor, c.kind, i, {}, (fs::path(o.dir) / c.folder / name).string(), rec,
                       &error);
        }
    return error.empty() ? 0 : CliFail(error);
}

}  // namespace orva
