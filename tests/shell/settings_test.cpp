#include "shell/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

// The file that start-up defaults produce, written out by hand from the file layout.
constexpr const char* kDefaultFile =
    "sharp\n1 2560 10 10\n"
    "sharp_flt\n50\n"
    "gamma\n1\n"
    "0 0 128 128 255 255\n0 0 128 128 255 255\n0 0 128 128 255 255\n0 0 128 128 255 255\n"
    "lvl\n0\n"
    "0 255 0 0 100 0 255\n0 255 0 0 100 0 255\n0 255 0 0 100 0 255\n0 255 0 0 100 0 255\n"
    "composite\n0 20 1 1 5 1\n"
    "edge\n2560 10 50\n"
    "resize\n1 1\n"
    "back1\n3 100 30\n"
    "back2\n0 0 0 0 0 0 0\n"
    "back3\n32 16 0 30 0\n"
    "round\n3 0\n"
    "gray\n2 299 587 114\n"
    "color\n100 180\n"
    "level\n10\n"
    "dark\n0 0 2 0\n"
    "waikyoku\n0\n"
    "display\n256\n"
    "raw\n2.200000 2.200000 2.200000\n5 180 3 160 0 130\n4 0 2 3 18\n0\n"
    "VER264\n1 0 0\n"
    "wavelet\n10 10 10 10 10 10\n"
    "filter\n2 0\n"
    "edgearea\n1 10\n"
    "restore\n10 20 3 1\n"
    "noise\n5 10 3\n"
    "cut\n4 1024 768\n1 1024 768 100\n"
    "hdr\n8 32 5\n"
    "VER560\n1\n"
    "compfile\n0 20 1 1 5 1 1\n";

// Every field moved away from its default, each to a value its dialog accepts.
Settings AllChanged() {
    Settings s;
    s.sharpen = {3, 25, 1280, 7, 22, {0, 1, 0}};
    s.edge = {5120, 11, 12, 60, 2, {1, 0, 0}};
    s.wavelet = {{11, 12, 13, 14, 15, 16}, 4, 1};
    s.restore = {15, 30, 5, 2};
    s.resize = {0, 3, 640, 480, 320, 240};
    s.crop = {8, 800, 600, 0, 400, 300, 50};
    s.rotate = {1, -4550};
    s.distortion = {-12};
    s.gamma.curve_mode = 0;
    s.gamma.channel_set = 2;
    s.gamma.per_channel = 1;
    for (int k = 0; k < 4; ++k) {
        s.gamma.points[k] = {k + 1, k + 2, 100 + k, 110 + k, 250 - k, 240 - k};
        s.level.sets[k] = {k + 1, 250 - k, -10 - k, 20 + k, 150 + k, 5 + k, 200 + k};
    }
    s.level.channel_set = 3;
    s.dynamic_range = {12, 64, 7};
    s.grey = {3, 1, 2, 3};
    s.colour = {150, 90, {10, 20, 30}, {40, 50, 60}, 7, {350, 100, 200}, {10, 90, 80}, 12};
    s.noise = {3, 4, 1};
    s.composite = {2, 33, 2, 0, 9, 2, 0, -3, 4};
    s.composite.weights = {90, 80, 70, 60};
    s.composite.compare_level = 64;
    s.composite.points = {{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}};
    s.multi_file = {4, 44, 0, 0, 11, 0, 0};
    s.background = {1, {100, 110, 120}, {50, 51, 52}, 250, 40, 4, 7, -5, 64, 8, 2, 20, 1, 0, 101};
    s.raw = {1, 3, {1.8, 2.45, 3.0}, {10, 11, 12}, {200, 210, 220}, 6, 1, 1, 0, 30};
    s.dark = {1, 256};
    s.display = {1024, 0};
    s.batch = {1};
    s.unused_level = -7;
    return s;
}

// The part of a record that the settings file does not carry, set back to the defaults.
Settings FilePart(Settings s) {
    const Settings d;
    s.sharpen.channels = d.sharpen.channels;
    s.edge.channels = d.edge.channels;
    s.gamma.channel_set = d.gamma.channel_set;
    s.gamma.per_channel = d.gamma.per_channel;
    s.composite.weights = d.composite.weights;
    s.composite.compare_level = d.composite.compare_level;
    s.composite.points = d.composite.points;
    s.background.pseudo_curve = d.background.pseudo_curve;
    s.background.pseudo_shift = d.background.pseudo_shift;
    s.background.sampling_mode = d.background.sampling_mode;
    s.resize.source_width = d.resize.source_width;
    s.resize.source_height = d.resize.source_height;
    s.resize.target_width = d.resize.target_width;
    s.resize.target_height = d.resize.target_height;
    s.colour.rgb_source = d.colour.rgb_source;
    s.colour.rgb_target = d.colour.rgb_target;
    s.colour.rgb_tolerance = d.colour.rgb_tolerance;
    s.colour.hsv_source = d.colour.hsv_source;
    s.colour.hsv_target = d.colour.hsv_target;
    s.colour.hsv_tolerance = d.colour.hsv_tolerance;
    s.display.info_overlay = d.display.info_overlay;
    s.batch = d.batch;
    return s;
}

Settings Loaded(std::string_view text, Settings start = Settings{}) {
    LoadSettings(text, start);
    return start;
}

TEST(SettingsDefaults, FileTextResetAndRawInitialSettings) {
    EXPECT_EQ(SaveSettings(Settings{}), kDefaultFile);
    Settings s = AllChanged();
    ResetSettings(s);
    EXPECT_EQ(s, Settings{});

    RawSettings raw = AllChanged().raw;
    RestoreRawDefaults(raw);
    RawSettings expected;
    expected.algorithm = 1;  // the algorithm choice is not part of the initial settings
    EXPECT_EQ(raw, expected);
}

TEST(SettingsTable, TheFilesKeywordsComeFirstAndEveryKeywordHasItsPlace) {
    Settings s;
    const auto table = BindSettings(s);
    EXPECT_TRUE(std::is_partitioned(table.begin(), table.end(),
                                    [](const SettingKeyword& k) { return k.in_file; }));
    // Each keyword stands in the order list, once, where the table puts it.
    ASSERT_EQ(table.size(), KeywordOrder().size());
    for (std::size_t i = 0; i < table.size(); ++i)
        EXPECT_STREQ(table[i].keyword, KeywordOrder()[i]) << i;
}

// Every setting except the sampling mode can be reached by keyword: copying each keyword's
// values from a changed record into a default one by assignment (the keyword in capitals,
// blanks around the signs) reproduces the record.
TEST(SettingsTable, EveryFieldIsReachableByKeyword) {
    Settings source = AllChanged();
    Settings target;
    for (const SettingKeyword& k : BindSettings(source)) {
        std::ostringstream assignment;
        for (const char* c = k.keyword; *c != '\0'; ++c)
            assignment << static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        assignment << " = ";
        for (std::size_t n = 0; n < k.fields.size(); ++n) {
            if (n > 0) assignment << " , ";
            if (k.fields[n].i != nullptr) {
                assignment << *k.fields[n].i;
            } else {
                assignment << *k.fields[n].d;
            }
        }
        std::string error;
        EXPECT_TRUE(ApplySettingAssignment(target, assignment.str(), &error)) << error;
    }
    target.background.sampling_mode = source.background.sampling_mode;
    EXPECT_EQ(target, source);
}

TEST(SettingsFile, RoundTripReproducesEverySavedSetting) {
    const Settings changed = AllChanged();
    const std::string text = SaveSettings(changed);
    EXPECT_NE(text.find("raw\n1.800000 2.450000 3.000000\n10 200 11 210 12 220\n6 1 1 0 30\n3\n"),
              std::string::npos);
    const Settings back = Loaded(text);
    EXPECT_EQ(back, FilePart(changed));
    EXPECT_EQ(back.raw.gamma[1], 2.45);
    // Settings outside the file keep what the record held before loading.
    EXPECT_EQ(Loaded(text, changed), changed);
}

TEST(SettingsFile, OneKeywordChangesOnlyItsFields) {
    Settings expected = AllChanged();
    expected.sharpen.radius = 3;
    expected.sharpen.smooth_range = 2560;
    expected.sharpen.smooth_strength = 10;
    expected.sharpen.emphasis = 10;
    for (const char* text : {"SHARP\n3 2560 10 10\n", "Sharp 3\r\n2560\r\n10 10\r\n"})
        EXPECT_EQ(Loaded(text, AllChanged()), expected) << text;
    // back2 has seven numbers and leaves the pseudo curve alone; the next keyword is read,
    // not taken as a number.
    const Settings s = Loaded("back2\n1 2 3 4 5 6 7\nsharp_flt\n33\n", AllChanged());
    EXPECT_EQ(s.background.pseudo_mode, 1);
    EXPECT_EQ(s.background.centre, (std::array<int, 3>{2, 4, 6}));
    EXPECT_EQ(s.background.edge, (std::array<int, 3>{3, 5, 7}));
    EXPECT_EQ(s.background.pseudo_curve, 250);
    EXPECT_EQ(s.sharpen.blunting, 33);
    // The raw quality is carried twice; the later occurrence wins.
    EXPECT_EQ(Loaded("dark 1 2 0 0\nraw 2 2 2 0 200 0 200 0 200 0 0 0 0 18 3\n").raw.quality, 3);
    EXPECT_EQ(Loaded("raw 2 2 2 0 200 0 200 0 200 0 0 0 0 18 3\ndark 1 2 0 0\n").raw.quality, 2);
}

TEST(SettingsFile, NumbersAreParsedSaturatedButNotRangeCheckedAndGammasAsRealNumbers) {
    // clang-format off
    struct Case { const char* text; std::array<int, 4> sharp; };
    const Case cases[] = {
        // A number stops at the first character that cannot belong to it; what follows
        // ends the keyword.
        {"sharp 4 12x 9 9\n", {4, 12, 10, 10}},
        {"sharp -5 70000 999 -1\n", {-5, 70000, 999, -1}},
        {"sharp 99999999999999999999999 -99999999999999999999999 2147483647 -2147483648",
         {INT_MAX, INT_MIN, INT_MAX, INT_MIN}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SharpenSettings& sh = Loaded(c.text).sharpen;
        EXPECT_EQ((std::array{sh.radius, sh.smooth_range, sh.smooth_strength, sh.emphasis}),
                  c.sharp);
    }
    // "abc" ends the sharpen numbers; it and the two 9s are then skipped as words.
    Settings expected;
    expected.sharpen.radius = 4;
    expected.edge.range = 100;
    expected.edge.emphasis = 20;
    expected.edge.threshold = 30;
    EXPECT_EQ(Loaded("sharp\n4 abc 9 9\nedge\n100 20 30\n"), expected);
    EXPECT_EQ(Loaded("waikyoku - 5").distortion.amount, 0);  // a sign without digits
    // Saturated values are written back as they stand and read back the same.
    const Settings huge = Loaded("edge 2147483648 -2147483649 0000000000000000000000012\n");
    EXPECT_EQ(huge.edge.range, INT_MAX);
    EXPECT_EQ(huge.edge.emphasis, INT_MIN);
    EXPECT_EQ(huge.edge.threshold, 12);
    EXPECT_EQ(Loaded(SaveSettings(huge)), huge);

    // The RAW gammas are real numbers. Numbers that are not finite are refused like malformed
    // ones: the gamma keeps its value and the keyword's later numbers are not read.
    // clang-format off
    const std::pair<const char*, std::array<double, 3>> gammas[] = {
        {"raw -1e1 +2.5 .5", {-10.0, 2.5, 0.5}}, {"raw 2. 25e-1 1E0", {2.0, 2.5, 1.0}},
        {"raw 1.5 nan 2.0 7 7 7 7 7 7 7 7 7 7 7 7", {1.5, 2.2, 2.2}},
        {"raw inf 1e999 -1e999", {2.2, 2.2, 2.2}},
    };
    // clang-format on
    for (const auto& [text, gamma] : gammas) EXPECT_EQ(Loaded(text).raw.gamma, gamma) << text;
    EXPECT_EQ(Loaded(gammas[2].first).raw.black, RawSettings{}.black);
}

TEST(SettingsFileOnDisk, SaveAndLoad) {
    const testing::TempDir dir;
    const std::string path = dir.Path("orva.ovg");
    ASSERT_TRUE(SaveSettingsFile(path, AllChanged()));
    const auto bytes = testing::ReadAll(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), SaveSettings(AllChanged()));

    Settings s;
    ASSERT_TRUE(LoadSettingsFile(path, s));
    EXPECT_EQ(s, FilePart(AllChanged()));

    // Saving again replaces the file and leaves no temporary file behind.
    ASSERT_TRUE(SaveSettingsFile(path, Settings{}));
    ASSERT_TRUE(LoadSettingsFile(path, s));
    EXPECT_EQ(s, Settings{});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.dir()),
                            std::filesystem::directory_iterator{}),
              1);

    // Failures leave things as they were.
    s = AllChanged();
    EXPECT_FALSE(LoadSettingsFile(dir.Path("missing.ovg"), s));
    EXPECT_FALSE(LoadSettingsFile(dir.dir(), s));  // a folder
    EXPECT_EQ(s, AllChanged());
    EXPECT_FALSE(SaveSettingsFile(dir.Path("no/such/orva.ovg"), s));

    // An empty file loads and changes nothing.
    const std::string empty = dir.Path("empty.ovg");
    std::ofstream(empty).close();
    EXPECT_TRUE(LoadSettingsFile(empty, s));
    EXPECT_EQ(s, AllChanged());
}

// What is not a settings file is refused, naming why; unknown keywords are reported.
TEST(SettingsFileOnDisk, ForeignFilesAreRefusedAndUnknownKeywordsReported) {
    const testing::TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
        bool loads;
        const char* why;
        std::vector<std::string> unknown;
    };
    const Case cases[] = {
        {"PNG bytes", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), false, "binary data", {}},
        {"text without a known keyword", "hello world\n", false, "no keyword in it is known", {}},
        {"unknown keywords among known ones",
         "sharp\n1 2 3 4 5 6 7\nsharpen 4\nfoo\n",
         true,
         "",
         {"sharpen", "foo"}},
        {"changed pixel limit", "max_pixels\n1000\n", true, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Path("x.ovg");
        std::ofstream(path, std::ios::binary) << c.bytes;
        Settings s = AllChanged();
        std::string why;
        std::vector<std::string> unknown;
        EXPECT_EQ(LoadSettingsFile(path, s, &why, &unknown), c.loads);
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        EXPECT_EQ(unknown, c.unknown);
        if (!c.loads) {
            EXPECT_EQ(s, AllChanged());
        }
    }
    Settings s;
    ASSERT_TRUE(LoadSettingsFile(dir.Path("x.ovg"), s));
    EXPECT_EQ(s.reading.max_pixels, 1000);
    // The pixel limit and the desktop's language (when English) are written only when changed,
    // after every other keyword, so the default file and files written in Japanese keep their
    // bytes.
    s.language = 1;
    EXPECT_EQ(SaveSettings(s), std::string(kDefaultFile) + "max_pixels\n1000\nlanguage\n1\n");
    EXPECT_EQ(Loaded(SaveSettings(s)), s);
}

TEST(SettingAssignment, SetsLeadingFields) {
    Settings s = AllChanged();
    std::string error;
    ASSERT_TRUE(ApplySettingAssignment(s, "sharp=5,1280", &error)) << error;
    EXPECT_EQ(s.sharpen.radius, 5);
    EXPECT_EQ(s.sharpen.smooth_range, 1280);
    EXPECT_EQ(s.sharpen.smooth_strength, 7);  // unchanged
    ASSERT_TRUE(ApplySettingAssignment(s, "raw=1.0,4,+2.45,0,255", &error)) << error;
    EXPECT_EQ(s.raw.gamma, (std::array<double, 3>{1.0, 4.0, 2.45}));
    EXPECT_EQ(s.raw.black[0], 0);
    EXPECT_EQ(s.raw.white[0], 255);
    ASSERT_TRUE(ApplySettingAssignment(s, "level=-2147483648", &error)) << error;
    EXPECT_EQ(s.unused_level, INT_MIN);
    ASSERT_TRUE(ApplySettingAssignment(s, "hdr=32", &error)) << error;  // on the step grid
    EXPECT_EQ(s.dynamic_range.radius, 32);
}

TEST(SettingAssignment, RefusalsChangeNothingAndSayWhy) {
    const Settings before = AllChanged();
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"sharp", "expected KEYWORD=VALUE"},
        {"nosuch=1", "unknown setting 'nosuch'"},
        {"sharp=1,2,3,4,5", "sharp takes at most 4 values, got 5"},
        {"sharp=11", "sharp radius must be 1..10, got 11"},
        {"sharp=2,abc", "sharp smooth_range: 'abc' is not a whole number"},
        {"sharp=", "sharp radius: missing value"},
        {"noise=4", "noise area must be 3..5 in steps of 2, got 4"},
        {"level=2147483648", "level value must be -2147483648..2147483647, got 2147483648"},
        {"cut=0,0", "cut width must be 1 or more, got 0"},
        {"raw=4.5", "raw gamma_r must be 1..4, got 4.5"},
        {"raw=nan", "raw gamma_r: 'nan' is not a number"},
    };
    for (const Case& c : cases) {
        Settings s = before;
        std::string error;
        EXPECT_FALSE(ApplySettingAssignment(s, c.text, &error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << " -> " << error;
        EXPECT_EQ(s, before) << c.text;
    }
    Settings s = before;
    EXPECT_FALSE(ApplySettingAssignment(s, "sharp=0", nullptr));  // no message wanted
}

}  // namespace
}  // namespace orva
