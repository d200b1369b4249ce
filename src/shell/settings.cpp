#include "shell/settings.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <system_error>

namespace orva {

void ResetSettings(Settings& s) {
    s = Settings{};
}

void RestoreRawDefaults(RawSettings& raw) {
    const int algorithm = raw.algorithm;
    raw = RawSettings{};
    raw.algorithm = algorithm;
}

namespace {

constexpr double kAnyMin = std::numeric_limits<int>::min();
constexpr double kAnyMax = std::numeric_limits<int>::max();

SettingField IntField(const char* name, int& v, double lo, double hi, int step = 1) {
    return SettingField{name, &v, nullptr, lo, hi, step};
}

SettingField RealField(const char* name, double& v, double lo, double hi) {
    return SettingField{name, nullptr, &v, lo, hi, 1};
}

constexpr const char* kSetNames[4] = {"all", "red", "green", "blue"};

// Field names built from a set prefix and a field suffix ("red_in1"); made once and kept for
// the life of the program, since SettingField holds plain pointers.
template <std::size_t Sets, std::size_t Fields>
struct NameGrid {
    std::array<std::array<std::string, Fields>, Sets> names;
    NameGrid(const char* const (&prefixes)[Sets], const char* const (&suffixes)[Fields]) {
        for (std::size_t k = 0; k < Sets; ++k)
            for (std::size_t f = 0; f < Fields; ++f)
                names[k][f] = std::string(prefixes[k]) + "_" + suffixes[f];
    }
    const char* operator()(std::size_t k, std::size_t f) const { return names[k][f].c_str(); }
};

const NameGrid<4, 6>& GammaNames() {
    static constexpr const char* kFields[6] = {"in0", "out0", "in1", "out1", "in2", "out2"};
    static const NameGrid<4, 6> grid(kSetNames, kFields);
    return grid;
}

const NameGrid<4, 7>& LevelNames() {
    static constexpr const char* kFields[7] = {"input_min", "input_max",  "brightness", "contrast",
                                               "gamma",     "output_min", "output_max"};
    static const NameGrid<4, 7> grid(kSetNames, kFields);
    return grid;
}

const NameGrid<4, 4>& PointNames() {
    static constexpr const char* kImages[4] = {"image1", "image2", "image3", "image4"};
    static constexpr const char* kFields[4] = {"ax", "ay", "bx", "by"};
    static const NameGrid<4, 4> grid(kImages, kFields);
    return grid;
}

void AddFile(std::vector<SettingKeyword>& t, const char* keyword, const char* help,
             std::vector<SettingField> fields, std::vector<int> lines) {
    t.push_back(SettingKeyword{keyword, help, std::move(fields), true, std::move(lines)});
}

void AddExtra(std::vector<SettingKeyword>& t, const char* keyword, const char* help,
              std::vector<SettingField> fields) {
    t.push_back(SettingKeyword{keyword, help, std::move(fields), false, {}});
}

}  // namespace

std::vector<SettingKeyword> BindSettings(Settings& s) {
    std::vector<SettingKeyword> t;
    t.reserve(48);
    auto& sh = s.sharpen;
    auto& ed = s.edge;
    auto& ga = s.gamma;
    auto& lv = s.level;
    auto& co = s.composite;
    auto& bg = s.background;
    auto& raw = s.raw;
    auto& mf = s.multi_file;
    auto& cl = s.colour;

    // The settings file keywords, in the order they are written.
    AddFile(
        t, "sharp",
        "sharpen/smooth: radius, smoothing range (16-bit units), "
        "smoothing strength, emphasis strength",
        {IntField("radius", sh.radius, 1, 10), IntField("smooth_range", sh.smooth_range, 0, 65535),
         IntField("smooth_strength", sh.smooth_strength, 0, 50),
         IntField("emphasis", sh.emphasis, 0, 50)},
        {4});
    AddFile(t, "sharp_flt", "sharpen/smooth blunting (tenths)",
            {IntField("blunting", sh.blunting, 10, 50)}, {1});
    {
        std::vector<SettingField> f{IntField("curve_mode", ga.curve_mode, 0, 1)};
        for (std::size_t k = 0; k < 4; ++k)
            for (std::size_t j = 0; j < 6; ++j)
                f.push_back(IntField(GammaNames()(k, j), ga.points[k][j], 0, 255));
        AddFile(t, "gamma",
                "gamma: curve mode, then for all/red/green/blue the three points "
                "(input, output)",
                std::move(f), {1, 6, 6, 6, 6});
    }
    {
        std::vector<SettingField> f{IntField("channel_set", lv.channel_set, 0, 3)};
        for (std::size_t k = 0; k < 4; ++k) {
            LevelSet& ls = lv.sets[k];
            const auto& n = LevelNames();
            f.push_back(IntField(n(k, 0), ls.input_min, 0, 255));
            f.push_back(IntField(n(k, 1), ls.input_max, 0, 255));
            f.push_back(IntField(n(k, 2), ls.brightness, -255, 255));
            f.push_back(IntField(n(k, 3), ls.contrast, -100, 100));
            f.push_back(IntField(n(k, 4), ls.gamma, 1, 400));
            f.push_back(IntField(n(k, 5), ls.output_min, 0, 255));
            f.push_back(IntField(n(k, 6), ls.output_max, 0, 255));
        }
        AddFile(t, "lvl",
                "level: channel set, then for all/red/green/blue input min, input max, "
                "brightness, contrast, gamma (hundredths), output min, output max",
                std::move(f), {1, 7, 7, 7, 7});
    }
    AddFile(
        t, "composite",
        "compositing: method, comparison range, comparison method, normalisation, "
        "noise level, noise mode",
        {IntField("method", co.method, 0, 4), IntField("compare_range", co.compare_range, 0, 10000),
         IntField("compare_method", co.compare_method, 0, 2),
         IntField("normalise", co.normalise, 0, 1), IntField("noise_level", co.noise_level, 0, 255),
         IntField("noise_mode", co.noise_mode, 0, 2)},
        {6});
    AddFile(t, "edge",
            "edge enhancement: range (16-bit units), emphasis strength, threshold (percent)",
            {IntField("range", ed.range, 0, 65535), IntField("emphasis", ed.emphasis, 0, 50),
             IntField("threshold", ed.threshold, 0, 100)},
            {3});
    AddFile(t, "resize", "resize: keep aspect, method",
            {IntField("keep_aspect", s.resize.keep_aspect, 0, 1),
             IntField("method", s.resize.method, 0, 3)},
            {2});
    AddFile(t, "back1",
            "background image correction: mode (3 multiply, 4 subtract), "
            "background slot, shift",
            {IntField("mode", bg.image_mode, 3, 4), IntField("slot", bg.image_slot, 0, 255),
             IntField("shift", bg.image_shift, -255, 255)},
            {3});
    AddFile(t, "back2",
            "pseudo-function background: mode (0 multiply, 1 subtract), centre and edge "
            "level of red, green, blue",
            {IntField("mode", bg.pseudo_mode, 0, 1), IntField("centre_r", bg.centre[0], 0, 255),
             IntField("edge_r", bg.edge[0], 0, 255), IntField("centre_g", bg.centre[1], 0, 255),
             IntField("edge_g", bg.edge[1], 0, 255), IntField("centre_b", bg.centre[2], 0, 255),
             IntField("edge_b", bg.edge[2], 0, 255)},
            {7});
    AddFile(
        t, "back3",
        "background generator: detection area, averaging area, use (0 none, 1 multiply, "
        "2 subtract), shift, two-part processing",
        {IntField("detect_area", bg.detect_area, 8, 256),
         IntField("average_area", bg.average_area, 2, 16), IntField("use", bg.generated_use, 0, 2),
         IntField("shift", bg.generated_shift, -255, 255), IntField("two_part", bg.two_part, 0, 1)},
        {5});
    AddFile(
        t, "round", "rotate: mode, angle (hundredths of a degree)",
        {IntField("mode", s.rotate.mode, 0, 5), IntField("angle", s.rotate.angle, -36000, 36000)},
        {2});
    AddFile(t, "gray", "black and white: mode, weights R, G, B",
            {IntField("mode", s.grey.mode, 0, 3), IntField("weight_r", s.grey.weight_r, 0, 65535),
             IntField("weight_g", s.grey.weight_g, 0, 65535),
             IntField("weight_b", s.grey.weight_b, 0, 65535)},
            {4});
    AddFile(t, "color", "saturation (100 = unchanged), hue (180 = unchanged)",
            {IntField("saturation", cl.saturation, 0, 200), IntField("hue", cl.hue, 0, 360)}, {2});
    AddFile(t, "level", "a value no operation reads",
            {IntField("value", s.unused_level, kAnyMin, kAnyMax)}, {1});
    AddFile(t, "dark", "RAW algorithm, RAW quality, dark defect handling, defect judgement level",
            {IntField("algorithm", raw.algorithm, 0, 1), IntField("quality", raw.quality, 0, 3),
             IntField("defect_handling", s.dark.defect_handling, 0, 2),
             IntField("defect_level", s.dark.defect_level, 0, 1024)},
            {4});
    AddFile(t, "waikyoku", "distortion correction amount (pixels)",
            {IntField("amount", s.distortion.amount, -10000, 10000)}, {1});
    AddFile(t, "display", "read-out divisor (2^(16 - display bits))",
            {IntField("readout_divisor", s.display.readout_divisor, 1, 1024)}, {1});
    AddFile(
        t, "raw",
        "RAW development: gamma R, G, B; black R, white R, black G, white G, black B, "
        "white B; sharpness, radius, false-colour reduction, saturation, hue slider; "
        "quality",
        {RealField("gamma_r", raw.gamma[0], 1.0, 4.0), RealField("gamma_g", raw.gamma[1], 1.0, 4.0),
         RealField("gamma_b", raw.gamma[2], 1.0, 4.0), IntField("black_r", raw.black[0], 0, 32),
         IntField("white_r", raw.white[0], 128, 255), IntField("black_g", raw.black[1], 0, 32),
         IntField("white_g", raw.white[1], 128, 255), IntField("black_b", raw.black[2], 0, 32),
         IntField("white_b", raw.white[2], 128, 255), IntField("sharpness", raw.sharpness, 0, 8),
         IntField("radius", raw.sharp_radius, 0, 1),
         IntField("false_colour", raw.false_colour, 0, 4),
         IntField("saturation", raw.saturation, 0, 4), IntField("hue", raw.hue, 0, 36),
         IntField("quality", raw.quality, 0, 3)},
        {3, 6, 5, 1});
    AddFile(t, "VER264", "background generator exclude luminance 0; compositing extra shift X, Y",
            {IntField("exclude_zero", bg.exclude_zero, 0, 1),
             IntField("extra_shift_x", co.extra_shift_x, -10000, 10000),
             IntField("extra_shift_y", co.extra_shift_y, -10000, 10000)},
            {3});
    {
        static constexpr const char* kGainNames[6] = {"gain0", "gain1", "gain2",
                                                      "gain3", "gain4", "gain5"};
        std::vector<SettingField> f;
        for (std::size_t k = 0; k < 6; ++k)
            f.push_back(IntField(kGainNames[k], s.wavelet.gains[k], 0, 500));
        AddFile(t, "wavelet", "wavelet gains 0 to 5 (tenths; 5 is the finest band)", std::move(f),
                {6});
    }
    AddFile(t, "filter", "wavelet filter order, wavelet enlargement",
            {IntField("order", s.wavelet.filter_order, 1, 10),
             IntField("enlarge", s.wavelet.enlarge, 0, 1)},
            {2});
    AddFile(
        t, "edgearea", "edge enhancement: area, smoothing strength",
        {IntField("area", ed.area, 1, 3), IntField("smooth_strength", ed.smooth_strength, 0, 50)},
        {2});
    AddFile(t, "restore",
            "blur restoration: spread (tenths), blunting (tenths), iterations, emphasis",
            {IntField("spread", s.restore.spread, 1, 100),
             IntField("blunting", s.restore.blunting, 10, 50),
             IntField("iterations", s.restore.iterations, 1, 5),
             IntField("emphasis", s.restore.emphasis, 0, 3)},
            {4});
    AddFile(
        t, "noise", "noise reduction: area (3 or 5), tolerance, strength",
        {IntField("area", s.noise.area, 3, 5, 2), IntField("tolerance", s.noise.tolerance, 0, 10),
         IntField("strength", s.noise.strength, 1, 5)},
        {3});
    AddFile(t, "cut",
            "crop: anchor, width, height; output mode (0 size, 1 magnification), output "
            "width, output height, magnification (percent)",
            {IntField("anchor", s.crop.anchor, 0, 8), IntField("width", s.crop.width, 1, kAnyMax),
             IntField("height", s.crop.height, 1, kAnyMax),
             IntField("output_mode", s.crop.output_mode, 0, 1),
             IntField("output_width", s.crop.output_width, 1, 10000),
             IntField("output_height", s.crop.output_height, 1, 10000),
             IntField("magnification", s.crop.magnification, 1, 10000)},
            {3, 4});
    AddFile(t, "hdr", "dynamic range: radius, tone difference, strength",
            {IntField("radius", s.dynamic_range.radius, 4, 32, 4),
             IntField("tone_difference", s.dynamic_range.tone_difference, 0, 128),
             IntField("strength", s.dynamic_range.strength, 1, 10)},
            {3});
    AddFile(t, "VER560", "compositing: shift by at least one pixel",
            {IntField("shift_one_pixel", co.shift_one_pixel, 0, 1)}, {1});
    AddFile(
        t, "compfile",
        "multi-file compositing: method, comparison range, comparison method, "
        "normalisation, noise level, noise mode, shift by at least one pixel",
        {IntField("method", mf.method, 0, 4), IntField("compare_range", mf.compare_range, 0, 10000),
         IntField("compare_method", mf.compare_method, 0, 2),
         IntField("normalise", mf.normalise, 0, 1), IntField("noise_level", mf.noise_level, 0, 255),
         IntField("noise_mode", mf.noise_mode, 0, 2),
         IntField("shift_one_pixel", mf.shift_one_pixel, 0, 1)},
        {7});

    // Settings the file does not hold.
    AddExtra(t, "sharp_channel", "sharpen/smooth channel flags R, G, B",
             {IntField("r", sh.channels[0], 0, 1), IntField("g", sh.channels[1], 0, 1),
              IntField("b", sh.channels[2], 0, 1)});
    AddExtra(t, "edge_channel", "edge enhancement channel flags R, G, B",
             {IntField("r", ed.channels[0], 0, 1), IntField("g", ed.channels[1], 0, 1),
              IntField("b", ed.channels[2], 0, 1)});
    AddExtra(t, "gamma_channel", "gamma channel set (0 all, 1 red, 2 green, 3 blue)",
             {IntField("channel_set", ga.channel_set, 0, 3)});
    AddExtra(t, "gamma_per_channel", "gamma per-channel option",
             {IntField("per_channel", ga.per_channel, 0, 1)});
    AddExtra(
        t, "composite_weight", "compositing weights of images 1 to 4 (percent)",
        {IntField("weight1", co.weights[0], 0, 100), IntField("weight2", co.weights[1], 0, 100),
         IntField("weight3", co.weights[2], 0, 100), IntField("weight4", co.weights[3], 0, 100)});
    {
        std::vector<SettingField> f;
        for (std::size_t k = 0; k < 4; ++k)
            for (std::size_t j = 0; j < 4; ++j)
                f.push_back(IntField(PointNames()(k, j), co.points[k][j], 0, 16383));
        AddExtra(t, "composite_points",
                 "point-aligned compositing: A x, A y, B x, B y of images 1 to 4 "
                 "(y from the top)",
                 std::move(f));
    }
    AddExtra(t, "compare_level", "two-image comparison reference level",
             {IntField("level", co.compare_level, 0, 255)});
    AddExtra(t, "pseudo_curve", "pseudo-function background curve parameter (hundredths)",
             {IntField("curve", bg.pseudo_curve, 100, 300)});
    AddExtra(t, "pseudo_shift", "pseudo-function background shift (subtract mode)",
             {IntField("shift", bg.pseudo_shift, -255, 255)});
    AddExtra(t, "resize_size",
             "resize: source width, source height, target width, "
             "target height",
             {IntField("source_width", s.resize.source_width, 0, 10000),
              IntField("source_height", s.resize.source_height, 0, 10000),
              IntField("target_width", s.resize.target_width, 0, 10000),
              IntField("target_height", s.resize.target_height, 0, 10000)});
    AddExtra(t, "chgrgb", "colour change (RGB): source R, G, B, target R, G, B, tolerance",
             {IntField("source_r", cl.rgb_source[0], 0, 255),
              IntField("source_g", cl.rgb_source[1], 0, 255),
              IntField("source_b", cl.rgb_source[2], 0, 255),
              IntField("target_r", cl.rgb_target[0], 0, 255),
              IntField("target_g", cl.rgb_target[1], 0, 255),
              IntField("target_b", cl.rgb_target[2], 0, 255),
              IntField("tolerance", cl.rgb_tolerance, 0, 255)});
    AddExtra(t, "chghsv",
             "colour change (HSV): source hue, saturation, value, target hue, saturation, "
             "value, tolerance (quarter degrees)",
             {IntField("source_h", cl.hsv_source[0], 0, 359),
              IntField("source_s", cl.hsv_source[1], 0, 255),
              IntField("source_v", cl.hsv_source[2], 0, 255),
              IntField("target_h", cl.hsv_target[0], 0, 359),
              IntField("target_s", cl.hsv_target[1], 0, 255),
              IntField("target_v", cl.hsv_target[2], 0, 255),
              IntField("tolerance", cl.hsv_tolerance, 0, 255)});
    AddExtra(t, "info_overlay", "show the camera information over the image",
             {IntField("info_overlay", s.display.info_overlay, 0, 1)});
    AddExtra(t, "batch_time", "batch: measure and report the processing time",
             {IntField("time_measurement", s.batch.time_measurement, 0, 1)});
    return t;
}

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (LowerAscii(a[k]) != LowerAscii(b[k])) return false;
    return true;
}

std::string_view Trim(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    return v;
}

std::string FormatNumber(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string FormatRange(const SettingField& f) {
    if (f.i != nullptr && f.min > kAnyMin && f.max >= kAnyMax)
        return FormatNumber(f.min) + " or more";
    std::string r = FormatNumber(f.min) + ".." + FormatNumber(f.max);
    if (f.step > 1) r += " in steps of " + std::to_string(f.step);
    return r;
}

// A leading '+' is accepted like a '-', but not both.
bool StripPlus(std::string_view& v) {
    if (v.empty() || v.front() != '+') return !v.empty();
    v.remove_prefix(1);
    return !v.empty() && v.front() != '+' && v.front() != '-';
}

// A whole number, optionally signed; the entire text must be the number.
bool ParseWhole(std::string_view v, long long& out) {
    if (!StripPlus(v)) return false;
    const auto r = std::from_chars(v.data(), v.data() + v.size(), out);
    return r.ec == std::errc() && r.ptr == v.data() + v.size();
}

// A finite decimal number; the entire text must be the number.
bool ParseReal(std::string_view v, double& out) {
    if (!StripPlus(v)) return false;
    const auto r = std::from_chars(v.data(), v.data() + v.size(), out);
    return r.ec == std::errc() && r.ptr == v.data() + v.size() && std::isfinite(out);
}

}  // namespace

SettingKeyword* FindSettingKeyword(std::vector<SettingKeyword>& table, std::string_view keyword) {
    for (SettingKeyword& k : table)
        if (EqualNoCase(k.keyword, keyword)) return &k;
    return nullptr;
}

bool ApplySettingAssignment(Settings& s, std::string_view assignment, std::string* error) {
    auto fail = [error](std::string message) {
        if (error != nullptr) *error = std::move(message);
        return false;
    };
    const std::size_t eq = assignment.find('=');
    if (eq == std::string_view::npos)
        return fail("expected KEYWORD=VALUE[,VALUE...], got '" + std::string(assignment) + "'");
    const std::string_view keyword = Trim(assignment.substr(0, eq));
    std::vector<SettingKeyword> table = BindSettings(s);
    const SettingKeyword* k = FindSettingKeyword(table, keyword);
    if (k == nullptr) return fail("unknown setting '" + std::string(keyword) + "'");

    std::vector<std::string_view> values;
    std::string_view rest = assignment.substr(eq + 1);
    for (;;) {
        const std::size_t comma = rest.find(',');
        values.push_back(Trim(rest.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    const std::string name = k->keyword;
    if (values.size() > k->fields.size()) {
        return fail(name + " takes at most " + std::to_string(k->fields.size()) +
                    (k->fields.size() == 1 ? " value" : " values") + ", got " +
                    std::to_string(values.size()));
    }

    // Check everything first, so that a refused assignment changes nothing.
    std::vector<double> parsed(values.size());
    for (std::size_t n = 0; n < values.size(); ++n) {
        const SettingField& f = k->fields[n];
        const std::string where = name + " " + f.name;
        if (values[n].empty()) return fail(where + ": missing value");
        if (f.i != nullptr) {
            long long v = 0;
            if (!ParseWhole(values[n], v))
                return fail(where + ": '" + std::string(values[n]) + "' is not a whole number");
            if (static_cast<double>(v) < f.min || static_cast<double>(v) > f.max ||
                (f.step > 1 && (v - static_cast<long long>(f.min)) % f.step != 0)) {
                return fail(where + " must be " + FormatRange(f) + ", got " + std::to_string(v));
            }
            parsed[n] = static_cast<double>(v);
        } else {
            double v = 0;
            if (!ParseReal(values[n], v))
                return fail(where + ": '" + std::string(values[n]) + "' is not a number");
            if (v < f.min || v > f.max)
                return fail(where + " must be " + FormatRange(f) + ", got " + FormatNumber(v));
            parsed[n] = v;
        }
    }
    for (std::size_t n = 0; n < values.size(); ++n) {
        const SettingField& f = k->fields[n];
        if (f.i != nullptr) {
            *f.i = static_cast<int>(parsed[n]);
        } else {
            *f.d = parsed[n];
        }
    }
    return true;
}

}  // namespace orva
