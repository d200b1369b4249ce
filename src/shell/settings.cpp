#include "shell/settings.h"

#include <algorithm>
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

// A value bound to its field: name, range and step come from the field table; `name`
// overrides the field's name where one field serves several values ("centre_r").
SettingField Bind(const FieldDecl& f, int& v, const char* name = nullptr) {
    return SettingField{name != nullptr ? name : f.name, &v,    nullptr, static_cast<double>(f.min),
                        static_cast<double>(f.max),      f.step};
}

SettingField Bind(const RealFieldDecl& f, double& v, const char* name) {
    return SettingField{name, nullptr, &v, f.min, f.max, 1};
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

namespace {

using Keywords = std::vector<SettingKeyword>;

void BindSharpenEdge(Settings& s, Keywords& t) {
    auto& sh = s.sharpen;
    auto& ed = s.edge;
    const auto& SH = kSharpenFields;
    const auto& ED = kEdgeFields;
    AddFile(t, "sharp",
            "sharpen/smooth: radius, smoothing range (16-bit units), "
            "smoothing strength, emphasis strength",
            {Bind(SH.radius, sh.radius), Bind(SH.smooth_range, sh.smooth_range),
             Bind(SH.smooth_strength, sh.smooth_strength), Bind(SH.emphasis, sh.emphasis)},
            {4});
    AddFile(t, "sharp_flt", "sharpen/smooth blunting (tenths)", {Bind(SH.blunting, sh.blunting)},
            {1});
    AddFile(t, "edge",
            "edge enhancement: range (16-bit units), emphasis strength, threshold (percent)",
            {Bind(ED.range, ed.range), Bind(ED.emphasis, ed.emphasis),
             Bind(ED.threshold, ed.threshold)},
            {3});
    AddFile(t, "edgearea", "edge enhancement: area, smoothing strength",
            {Bind(ED.area, ed.area), Bind(ED.smooth_strength, ed.smooth_strength)}, {2});
    AddExtra(t, "sharp_channel", "sharpen/smooth channel flags R, G, B",
             {Bind(SH.channel, sh.channels[0], "r"), Bind(SH.channel, sh.channels[1], "g"),
              Bind(SH.channel, sh.channels[2], "b")});
    AddExtra(t, "edge_channel", "edge enhancement channel flags R, G, B",
             {Bind(ED.channel, ed.channels[0], "r"), Bind(ED.channel, ed.channels[1], "g"),
              Bind(ED.channel, ed.channels[2], "b")});
}

void BindTone(Settings& s, Keywords& t) {
    auto& ga = s.gamma;
    auto& lv = s.level;
    std::vector<SettingField> gamma{Bind(kGammaFields.curve_mode, ga.curve_mode)};
    for (std::size_t k = 0; k < 4; ++k)
        for (std::size_t j = 0; j < 6; ++j)
            gamma.push_back(Bind(kGammaFields.point, ga.points[k][j], GammaNames()(k, j)));
    AddFile(t, "gamma",
            "gamma: curve mode, then for all/red/green/blue the three points "
            "(input, output)",
            std::move(gamma), {1, 6, 6, 6, 6});
    const auto& LV = kLevelFields;
    std::vector<SettingField> level{Bind(LV.channel_set, lv.channel_set)};
    for (std::size_t k = 0; k < 4; ++k) {
        LevelSet& ls = lv.sets[k];
        const auto& n = LevelNames();
        level.push_back(Bind(LV.input_min, ls.input_min, n(k, 0)));
        level.push_back(Bind(LV.input_max, ls.input_max, n(k, 1)));
        level.push_back(Bind(LV.brightness, ls.brightness, n(k, 2)));
        level.push_back(Bind(LV.contrast, ls.contrast, n(k, 3)));
        level.push_back(Bind(LV.gamma, ls.gamma, n(k, 4)));
        level.push_back(Bind(LV.output_min, ls.output_min, n(k, 5)));
        level.push_back(Bind(LV.output_max, ls.output_max, n(k, 6)));
    }
    AddFile(t, "lvl",
            "level: channel set, then for all/red/green/blue input min, input max, "
            "brightness, contrast, gamma (hundredths), output min, output max",
            std::move(level), {1, 7, 7, 7, 7});
    AddFile(t, "hdr", "dynamic range: radius, tone difference, strength",
            {Bind(kDynamicRangeFields.radius, s.dynamic_range.radius),
             Bind(kDynamicRangeFields.tone_difference, s.dynamic_range.tone_difference),
             Bind(kDynamicRangeFields.strength, s.dynamic_range.strength)},
            {3});
    AddExtra(t, "gamma_channel", "gamma channel set (0 all, 1 red, 2 green, 3 blue)",
             {Bind(kGammaFields.channel_set, ga.channel_set)});
    AddExtra(t, "gamma_per_channel", "gamma per-channel option",
             {Bind(kGammaFields.per_channel, ga.per_channel)});
}

void BindComposite(Settings& s, Keywords& t) {
    auto& co = s.composite;
    auto& mf = s.multi_file;
    const auto& CO = kCompositeFields;
    AddFile(t, "composite",
            "compositing: method, comparison range, comparison method, normalisation, "
            "noise level, noise mode",
            {Bind(CO.method, co.method), Bind(CO.compare_range, co.compare_range),
             Bind(CO.compare_method, co.compare_method), Bind(CO.normalise, co.normalise),
             Bind(CO.noise_level, co.noise_level), Bind(CO.noise_mode, co.noise_mode)},
            {6});
    // One line shared with the background generator's option.
    AddFile(t, "VER264", "background generator exclude luminance 0; compositing extra shift X, Y",
            {Bind(kBackgroundFields.exclude_zero, s.background.exclude_zero),
             Bind(CO.extra_shift, co.extra_shift_x, "extra_shift_x"),
             Bind(CO.extra_shift, co.extra_shift_y, "extra_shift_y")},
            {3});
    AddFile(t, "VER560", "compositing: shift by at least one pixel",
            {Bind(CO.shift_one_pixel, co.shift_one_pixel)}, {1});
    AddFile(t, "compfile",
            "multi-file compositing: method, comparison range, comparison method, "
            "normalisation, noise level, noise mode, shift by at least one pixel",
            {Bind(CO.method, mf.method), Bind(CO.compare_range, mf.compare_range),
             Bind(CO.compare_method, mf.compare_method), Bind(CO.normalise, mf.normalise),
             Bind(CO.noise_level, mf.noise_level), Bind(CO.noise_mode, mf.noise_mode),
             Bind(CO.shift_one_pixel, mf.shift_one_pixel)},
            {7});
    AddExtra(
        t, "composite_weight", "compositing weights of images 1 to 4 (percent)",
        {Bind(CO.weight, co.weights[0], "weight1"), Bind(CO.weight, co.weights[1], "weight2"),
         Bind(CO.weight, co.weights[2], "weight3"), Bind(CO.weight, co.weights[3], "weight4")});
    std::vector<SettingField> points;
    for (std::size_t k = 0; k < 4; ++k)
        for (std::size_t j = 0; j < 4; ++j)
            points.push_back(Bind(CO.point, co.points[k][j], PointNames()(k, j)));
    AddExtra(t, "composite_points",
             "point-aligned compositing: A x, A y, B x, B y of images 1 to 4 "
             "(y from the top)",
             std::move(points));
    AddExtra(t, "compare_level", "two-image comparison reference level",
             {Bind(CO.compare_level, co.compare_level)});
}

void BindBackground(Settings& s, Keywords& t) {
    auto& bg = s.background;
    const auto& BG = kBackgroundFields;
    AddFile(t, "back1",
            "background image correction: mode (3 multiply, 4 subtract), "
            "background slot, shift",
            {Bind(BG.image_mode, bg.image_mode), Bind(BG.image_slot, bg.image_slot),
             Bind(BG.shift, bg.image_shift)},
            {3});
    AddFile(t, "back2",
            "pseudo-function background: mode (0 multiply, 1 subtract), centre and edge "
            "level of red, green, blue",
            {Bind(BG.pseudo_mode, bg.pseudo_mode), Bind(BG.level, bg.centre[0], "centre_r"),
             Bind(BG.level, bg.edge[0], "edge_r"), Bind(BG.level, bg.centre[1], "centre_g"),
             Bind(BG.level, bg.edge[1], "edge_g"), Bind(BG.level, bg.centre[2], "centre_b"),
             Bind(BG.level, bg.edge[2], "edge_b")},
            {7});
    AddFile(t, "back3",
            "background generator: detection area, averaging area, use (0 none, 1 multiply, "
            "2 subtract), shift, two-part processing",
            {Bind(BG.detect_area, bg.detect_area), Bind(BG.average_area, bg.average_area),
             Bind(BG.generated_use, bg.generated_use), Bind(BG.shift, bg.generated_shift),
             Bind(BG.two_part, bg.two_part)},
            {5});
    AddExtra(t, "pseudo_curve", "pseudo-function background curve parameter (hundredths)",
             {Bind(BG.pseudo_curve, bg.pseudo_curve)});
    AddExtra(t, "pseudo_shift", "pseudo-function background shift (subtract mode)",
             {Bind(BG.shift, bg.pseudo_shift)});
}

void BindGeometry(Settings& s, Keywords& t) {
    const auto& RS = kResizeFields;
    const auto& CR = kCropFields;
    AddFile(t, "resize", "resize: keep aspect, method",
            {Bind(RS.keep_aspect, s.resize.keep_aspect), Bind(RS.method, s.resize.method)}, {2});
    AddFile(t, "round", "rotate: mode, angle (hundredths of a degree)",
            {Bind(kRotateFields.mode, s.rotate.mode), Bind(kRotateFields.angle, s.rotate.angle)},
            {2});
    AddFile(t, "waikyoku", "distortion correction amount (pixels)",
            {Bind(kDistortionFields.amount, s.distortion.amount)}, {1});
    AddFile(
        t, "cut",
        "crop: anchor, width, height; output mode (0 size, 1 magnification), output "
        "width, output height, magnification (percent)",
        {Bind(CR.anchor, s.crop.anchor), Bind(CR.width, s.crop.width),
         Bind(CR.height, s.crop.height), Bind(CR.output_mode, s.crop.output_mode),
         Bind(CR.output_width, s.crop.output_width), Bind(CR.output_height, s.crop.output_height),
         Bind(CR.magnification, s.crop.magnification)},
        {3, 4});
    AddExtra(t, "resize_size",
             "resize: source width, source height, target width, "
             "target height",
             {Bind(RS.size, s.resize.source_width, "source_width"),
              Bind(RS.size, s.resize.source_height, "source_height"),
              Bind(RS.size, s.resize.target_width, "target_width"),
              Bind(RS.size, s.resize.target_height, "target_height")});
}

void BindColour(Settings& s, Keywords& t) {
    auto& cl = s.colour;
    const auto& CL = kColourFields;
    AddFile(
        t, "gray", "black and white: mode, weights R, G, B",
        {Bind(kGreyFields.mode, s.grey.mode), Bind(kGreyFields.weight_r, s.grey.weight_r),
         Bind(kGreyFields.weight_g, s.grey.weight_g), Bind(kGreyFields.weight_b, s.grey.weight_b)},
        {4});
    AddFile(t, "color", "saturation (100 = unchanged), hue (180 = unchanged)",
            {Bind(CL.saturation, cl.saturation), Bind(CL.hue, cl.hue)}, {2});
    AddFile(t, "noise", "noise reduction: area (3 or 5), tolerance, strength",
            {Bind(kNoiseFields.area, s.noise.area), Bind(kNoiseFields.tolerance, s.noise.tolerance),
             Bind(kNoiseFields.strength, s.noise.strength)},
            {3});
    AddExtra(
        t, "chgrgb", "colour change (RGB): source R, G, B, target R, G, B, tolerance",
        {Bind(CL.level, cl.rgb_source[0], "source_r"), Bind(CL.level, cl.rgb_source[1], "source_g"),
         Bind(CL.level, cl.rgb_source[2], "source_b"), Bind(CL.level, cl.rgb_target[0], "target_r"),
         Bind(CL.level, cl.rgb_target[1], "target_g"), Bind(CL.level, cl.rgb_target[2], "target_b"),
         Bind(CL.rgb_tolerance, cl.rgb_tolerance)});
    AddExtra(
        t, "chghsv",
        "colour change (HSV): source hue, saturation, value, target hue, saturation, "
        "value, tolerance (quarter degrees)",
        {Bind(CL.hue_degrees, cl.hsv_source[0], "source_h"),
         Bind(CL.level, cl.hsv_source[1], "source_s"), Bind(CL.level, cl.hsv_source[2], "source_v"),
         Bind(CL.hue_degrees, cl.hsv_target[0], "target_h"),
         Bind(CL.level, cl.hsv_target[1], "target_s"), Bind(CL.level, cl.hsv_target[2], "target_v"),
         Bind(CL.hsv_tolerance, cl.hsv_tolerance)});
}

void BindWaveletRestore(Settings& s, Keywords& t) {
    static constexpr const char* kGainNames[6] = {"gain0", "gain1", "gain2",
                                                  "gain3", "gain4", "gain5"};
    std::vector<SettingField> gains;
    for (std::size_t k = 0; k < 6; ++k)
        gains.push_back(Bind(kWaveletFields.gain, s.wavelet.gains[k], kGainNames[k]));
    AddFile(t, "wavelet", "wavelet gains 0 to 5 (tenths; 5 is the finest band)", std::move(gains),
            {6});
    AddFile(t, "filter", "wavelet filter order, wavelet enlargement",
            {Bind(kWaveletFields.filter_order, s.wavelet.filter_order),
             Bind(kWaveletFields.enlarge, s.wavelet.enlarge)},
            {2});
    AddFile(t, "restore",
            "blur restoration: spread (tenths), blunting (tenths), iterations, emphasis",
            {Bind(kRestoreFields.spread, s.restore.spread),
             Bind(kRestoreFields.blunting, s.restore.blunting),
             Bind(kRestoreFields.iterations, s.restore.iterations),
             Bind(kRestoreFields.emphasis, s.restore.emphasis)},
            {4});
}

void BindRaw(Settings& s, Keywords& t) {
    auto& raw = s.raw;
    const auto& RAW = kRawFields;
    AddFile(t, "dark", "RAW algorithm, RAW quality, dark defect handling, defect judgement level",
            {Bind(RAW.algorithm, raw.algorithm), Bind(RAW.quality, raw.quality),
             Bind(RAW.defect_handling, s.dark.defect_handling),
             Bind(RAW.defect_level, s.dark.defect_level)},
            {4});
    AddFile(t, "raw",
            "RAW development: gamma R, G, B; black R, white R, black G, white G, black B, "
            "white B; sharpness, radius, false-colour reduction, saturation, hue slider; "
            "quality",
            {Bind(RAW.gamma, raw.gamma[0], "gamma_r"), Bind(RAW.gamma, raw.gamma[1], "gamma_g"),
             Bind(RAW.gamma, raw.gamma[2], "gamma_b"), Bind(RAW.black, raw.black[0], "black_r"),
             Bind(RAW.white, raw.white[0], "white_r"), Bind(RAW.black, raw.black[1], "black_g"),
             Bind(RAW.white, raw.white[1], "white_g"), Bind(RAW.black, raw.black[2], "black_b"),
             Bind(RAW.white, raw.white[2], "white_b"), Bind(RAW.sharpness, raw.sharpness),
             Bind(RAW.sharp_radius, raw.sharp_radius), Bind(RAW.false_colour, raw.false_colour),
             Bind(RAW.saturation, raw.saturation), Bind(RAW.hue, raw.hue),
             Bind(RAW.quality, raw.quality)},
            {3, 6, 5, 1});
}

void BindProgram(Settings& s, Keywords& t) {
    AddFile(t, "level", "a value no operation reads",
            {SettingField{"value", &s.unused_level, nullptr, kAnyMin, kAnyMax, 1}}, {1});
    AddFile(t, "display", "read-out divisor (2^(16 - display bits))",
            {Bind(kDisplayFields.readout_divisor, s.display.readout_divisor)}, {1});
    // Ours: read from the file, but written only when changed, so that the files of a
    // record at its defaults stay as they always were.
    AddFile(t, "max_pixels",
            "largest picture read, in pixels (width x height); larger files are refused",
            {Bind(kReadingFields.max_pixels, s.reading.max_pixels)}, {1});
    t.back().only_if_changed = true;
    AddFile(t, "language", "language of the desktop (0 Japanese, 1 English)",
            {Bind(kLanguageFields.language, s.language)}, {1});
    t.back().only_if_changed = true;
    AddExtra(t, "info_overlay", "show the camera information over the image",
             {Bind(kDisplayFields.info_overlay, s.display.info_overlay)});
    AddExtra(t, "batch_time", "batch: measure and report the processing time",
             {Bind(kDisplayFields.time_measurement, s.batch.time_measurement)});
}

// The order of the keywords: the settings file writes its own in this order, and listings
// show every keyword in it.
constexpr const char* kKeywordOrder[] = {
    // The settings file.
    "sharp", "sharp_flt", "gamma", "lvl", "composite", "edge", "resize", "back1", "back2", "back3",
    "round", "gray", "color", "level", "dark", "waikyoku", "display", "raw", "VER264", "wavelet",
    "filter", "edgearea", "restore", "noise", "cut", "hdr", "VER560", "compfile", "max_pixels",
    "language",
    // Settings the file does not hold.
    "sharp_channel", "edge_channel", "gamma_channel", "gamma_per_channel", "composite_weight",
    "composite_points", "compare_level", "pseudo_curve", "pseudo_shift", "resize_size", "chgrgb",
    "chghsv", "info_overlay", "batch_time"};

std::size_t KeywordRank(const SettingKeyword& k) {
    const std::size_t n = std::size(kKeywordOrder);
    for (std::size_t i = 0; i < n; ++i)
        if (std::string_view(k.keyword) == kKeywordOrder[i]) return i;
    return n;  // a keyword missing from the order goes last, where a test notices it
}

}  // namespace

std::span<const char* const> KeywordOrder() {
    return kKeywordOrder;
}

std::vector<SettingKeyword> BindSettings(Settings& s) {
    Keywords t;
    t.reserve(std::size(kKeywordOrder));
    for (void (*bind)(Settings&, Keywords&) :
         {BindSharpenEdge, BindTone, BindComposite, BindBackground, BindGeometry, BindColour,
          BindWaveletRestore, BindRaw, BindProgram})
        bind(s, t);
    std::stable_sort(t.begin(), t.end(), [](const SettingKeyword& a, const SettingKeyword& b) {
        return KeywordRank(a) < KeywordRank(b);
    });
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
