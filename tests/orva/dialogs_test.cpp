// The operation dialogs driven through their widgets. The shared binding kit is exercised once,
// on the sharpen dialog; every dialog is then checked for its wiring (each edit writes its own
// field under its own rule) and for the rules it adds of its own.
#include "dialogs/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "dialog_driver.h"
#include "dialogs/dialog_kit.h"
#include "shell/commands.h"
#include "support/scripted_ui.h"

namespace orva::gui {
namespace {

using testing::Harness;
using testing::MakeImage;

const char* const kAllDialogs[] = {
    "DISPCONF", "SELECT", "SHARP",   "EDGE",    "RESIZE",  "CUT",      "ROUND",    "WAIKYOKU",
    "HDR",      "GAMMA",  "LEVEL",   "WAVELET", "RESTORE", "GRAY",     "COLORUP",  "CHGRGB",
    "CHGHSV",   "LV",     "COMPO",   "COMPO2",  "LRGB",    "LRGBCOMP", "COMPOMUL", "BACKG3",
    "MAKEBG",   "DIFF",   "RAWMODE", "DARK",    "CALSTACK"};
// BACKG (the centre level kept above the edge) and BACKG2 (the chosen image) store on OK by
// their own rules, tested with them; BATCH asks for a save folder first.

// Runs the named dialog modally; `act` gets the open dialog and ends it.
bool RunAnswering(std::string_view name, AppContext& ctx, std::function<void(QDialog*)> act) {
    QTimer::singleShot(0, [act] {
        QDialog* open = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (open == nullptr) {
            ADD_FAILURE() << "no modal dialog";
            return;
        }
        act(open);
        if (open->isVisible()) open->reject();
    });
    return RunNamedDialog(name, ctx, nullptr);
}

TEST(Dialogs, EveryDialogPaintsAndAnswersOkAndCancelWithoutChangingAnything) {
    for (const char* name : kAllDialogs) {
        SCOPED_TRACE(name);
        Harness h;
        AppContext& ctx = *h.ctx;
        MakeImage(ctx.ws, 0, 30, 20,
                  [](int c, int x, int y) { return static_cast<uint16_t>(c * 9000 + x * y * 50); });
        const Settings before = ctx.settings;
        EXPECT_TRUE(RunAnswering(name, ctx, [](QDialog* d) {
            EXPECT_FALSE(d->grab().isNull());  // every painter runs
            Button(d, QDialogButtonBox::Ok)->click();
        }));
        EXPECT_FALSE(RunAnswering(
            name, ctx, [](QDialog* d) { Button(d, QDialogButtonBox::Cancel)->click(); }));
        // Opening and confirming changes nothing by itself (resize takes the image size).
        Settings expected = before;
        if (std::string(name) == "RESIZE") expected.resize = ctx.settings.resize;
        EXPECT_EQ(ctx.settings, expected);
    }
    Harness h;
    EXPECT_EQ(CreateNamedDialog("NO_SUCH", *h.ctx, nullptr), nullptr);
    EXPECT_FALSE(RunNamedDialog("NO_SUCH", *h.ctx, nullptr));
}

// The binding kit (its value rules are pinned without widgets): typed text is stored at once
// while the edit keeps what was typed until editing ends; bars follow typing and their moves
// update the edit; check boxes store 0 or 1. Fields are written as they change, so Cancel
// keeps what was changed.
TEST(Dialogs, BindingKitOnTheSharpenDialog) {
    Open d("SHARP");
    SharpenSettings& s = d.settings.sharpen;
    EXPECT_EQ(d.Text("edit_blunting"), "5.0");
    d.Type("edit_blunting", "7", false);
    EXPECT_EQ(s.blunting, 50);
    EXPECT_EQ(d.Text("edit_blunting"), "7");  // kept while typing
    Q_EMIT d.Find<QLineEdit>("edit_blunting")->editingFinished();
    EXPECT_EQ(d.Text("edit_blunting"), "5.0");

    QScrollBar* range = d.Find<QScrollBar>("scroll_smooth_range");
    EXPECT_EQ(range->maximum(), 255);
    d.Type("edit_smooth_range", "20");
    EXPECT_EQ(s.smooth_range, 5122);  // (20 + 0.01) * 256
    EXPECT_EQ(range->value(), 20);
    range->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.smooth_range, 5148);
    EXPECT_EQ(d.Text("edit_smooth_range"), "20.1");
    QScrollBar* blunting = d.Find<QScrollBar>("scroll_blunting");
    blunting->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(s.blunting, 40);
    blunting->setSliderPosition(23);  // a dragged thumb stores the value of its position
    EXPECT_EQ(s.blunting, 23);

    d.Click("check_g");
    EXPECT_EQ(s.channels, (std::array<int, 3>{1, 0, 1}));
    EXPECT_FALSE(d.Press(QDialogButtonBox::Cancel));
    EXPECT_EQ(s.blunting, 23);
    EXPECT_EQ(s.channels[1], 0);
}

#define FIELD(expr) [](Settings& s) -> int& { return s.expr; }

// One or two edits of each dialog: the value rules themselves are pinned without widgets, so
// these check that an edit reaches its own field, under the rule of that field, and no other.
TEST(Dialogs, EachEditWritesItsOwnFieldUnderItsOwnRule) {
    struct Case {
        const char* dialog;
        const char* edit;
        const char* typed;
        int& (*field)(Settings&);
        int stored;
        const char* shown;  // after editing ends; nullptr: not checked
    };
    const Case cases[] = {
        {"SHARP", "edit_radius", "12", FIELD(sharpen.radius), 10, "10"},
        {"EDGE", "edit_range", "10", FIELD(edge.range), 2562, "10.0"},
        {"EDGE", "edit_threshold", "150", FIELD(edge.threshold), 100, nullptr},
        {"HDR", "edit_radius", "23", FIELD(dynamic_range.radius), 20, "20"},
        {"CUT", "edit_crop_width", "-3", FIELD(crop.width), -3, nullptr},
        {"CUT", "edit_magnification", "12x", FIELD(crop.magnification), 0, nullptr},
        {"WAIKYOKU", "edit_amount", "-12", FIELD(distortion.amount), -12, nullptr},
        {"ROUND", "edit_angle", "-30.5", FIELD(rotate.angle), -3050, "-30.50"},
        {"LEVEL", "edit_brightness", "-300", FIELD(level.sets[0].brightness), -255, nullptr},
        {"LEVEL", "edit_gamma", "2.3", FIELD(level.sets[0].gamma), 230, "2.30"},
        {"WAVELET", "edit_gain1", "2.3", FIELD(wavelet.gains[1]), 23, "2.3"},
        {"WAVELET", "edit_gain5", "77", FIELD(wavelet.gains[5]), 500, "50.0"},
        {"RESTORE", "edit_spread", "12.5", FIELD(restore.spread), 100, "10.0"},
        {"GRAY", "edit_b", "99999", FIELD(grey.weight_b), 65535, nullptr},
        {"COLORUP", "edit_saturation", "-20", FIELD(colour.saturation), 80, "-20"},
        {"COLORUP", "edit_hue", "200", FIELD(colour.hue), 360, "180"},
        {"CHGRGB", "edit_source_r", "300", FIELD(colour.rgb_source[0]), 255, nullptr},
        {"CHGHSV", "edit_source_hue", "400", FIELD(colour.hsv_source[0]), 359, nullptr},
        {"CHGHSV", "edit_tolerance", "-3", FIELD(colour.hsv_tolerance), 0, nullptr},
        {"LV", "edit_strength", "9", FIELD(noise.strength), 5, "5"},

    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.dialog << " " << c.edit << " '" << c.typed << "'");
        Open d(c.dialog);
        const Settings before = d.settings;
        d.Type(c.edit, c.typed);
        EXPECT_EQ(c.field(d.settings), c.stored);
        if (c.shown != nullptr) {
            EXPECT_EQ(d.Text(c.edit), c.shown);
        }
        // Nothing else moved.
        Settings expected = before;
        c.field(expected) = c.stored;
        EXPECT_EQ(d.settings, expected);
    }
}

#undef FIELD

// Picking and the neighbour limits are pinned without widgets; here a drag and the edits
// reach the selected point of the shown set.
TEST(Dialogs, GammaPointsAreDraggedAndTyped) {
    Open d("GAMMA");
    GammaSettings& g = d.settings.gamma;
    QWidget* graph = d.Find<QWidget>("graph");
    const QPoint origin = static_cast<PaintArea*>(graph)->origin();
    const QPoint from = QPoint(13, 317) - origin, to = QPoint(60, 250) - origin;
    EXPECT_EQ(d.Text("edit_input"), "128");  // the middle point is selected at first
    // Point 0 sits at client (10, 320): picked 3 pixels off and dragged right and up.
    QTest::mousePress(graph, Qt::LeftButton, {}, from);
    QTest::mouseMove(graph, to);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, to);
    EXPECT_EQ(g.points[0], (std::array<int, 6>{50, 70, 128, 128, 255, 255}));
    EXPECT_EQ(d.Text("edit_input"), "50");
    EXPECT_EQ(d.Text("edit_output"), "70");

    d.Click("radio_green");
    EXPECT_EQ(g.channel_set, 2);
    EXPECT_EQ(d.Text("edit_input"), "0");
    d.Click("button_reset");
    d.Type("edit_output", "33");
    EXPECT_FALSE(d.Press(QDialogButtonBox::Cancel));
    EXPECT_EQ(g.points[0], (std::array<int, 6>{0, 0, 128, 128, 255, 255}));
    EXPECT_EQ(g.points[2][1], 33);
}

TEST(Dialogs, LevelEditsTheShownSetWithSignedScrolls) {
    Open d("LEVEL");
    EXPECT_EQ(d.Find<QScrollBar>("scroll_brightness")->value(), 255);
    d.Click("radio_blue");
    d.Type("edit_gamma", "2.3");
    d.Scroll("scroll_contrast", QAbstractSlider::SliderPageStepSub);
    const LevelSet& blue = d.settings.level.sets[3];
    EXPECT_EQ(blue.gamma, 230);
    EXPECT_EQ(blue.contrast, -10);
    EXPECT_EQ(d.Text("edit_contrast"), "-10");
    EXPECT_EQ(d.settings.level.sets[0], LevelSet{});
    // The controls follow the set shown.
    d.Click("radio_all");
    EXPECT_EQ(d.Text("edit_gamma"), "1.00");
    d.Click("radio_blue");
    d.Click("button_reset");
    EXPECT_EQ(d.Text("edit_gamma"), "1.00");
    EXPECT_EQ(d.settings.level.sets[3], LevelSet{});
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.settings.level.channel_set, 3);
}

TEST(Dialogs, PresetsModesAndListsRefreshTheirEdits) {
    Open wavelet("WAVELET");
    wavelet.Click("button_preset2");  // "中"
    EXPECT_EQ(wavelet.settings.wavelet.gains[1], 12);
    EXPECT_EQ(wavelet.Text("edit_gain5"), "5.0");

    Open grey("GRAY");
    grey.Type("edit_g", "700");
    grey.Click("radio_standard");  // the standard mode puts the standard weights back
    EXPECT_EQ(grey.Text("edit_g"), "587");

    Open restore("RESTORE");
    QComboBox* iterations = restore.Find<QComboBox>("combo_iterations");
    QComboBox* emphasis = restore.Find<QComboBox>("combo_emphasis");
    Q_EMIT iterations->activated(4);
    Q_EMIT emphasis->activated(0);
    EXPECT_EQ(restore.settings.restore.iterations, 5);
    EXPECT_EQ(restore.settings.restore.emphasis, 0);

    // The hue bar runs over the stored 0..360 while its edit shows the change.
    Open hue("COLORUP");
    EXPECT_EQ(hue.Find<QScrollBar>("scroll_hue")->maximum(), 360);
    hue.Type("edit_hue", "200");
    hue.Scroll("scroll_hue", QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(hue.settings.colour.hue, 350);
    EXPECT_EQ(hue.Text("edit_hue"), "170");
}

TEST(Dialogs, NoiseAreaCountsOnlyOnOkWhichAlsoSetsTheTolerance) {
    Open d("LV");
    d.settings.noise.tolerance = 4;
    EXPECT_EQ(d.Text("edit_area"), "5");
    d.Type("edit_area", "4");  // (4 - 3) / 2 = 0: the 3 x 3 window
    EXPECT_EQ(d.Text("edit_area"), "3");
    EXPECT_EQ(d.settings.noise.area, 5);
    EXPECT_FALSE(d.Press(QDialogButtonBox::Cancel));
    EXPECT_EQ(d.settings.noise, (NoiseSettings{.area = 5, .tolerance = 4, .strength = 3}));

    d.Show("LV");
    d.Type("edit_area", "3");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.settings.noise, (NoiseSettings{.area = 3, .tolerance = 10, .strength = 3}));
}

TEST(Dialogs, ResizeStartsFromTheImageAndKeepsTheAspect) {
    Open d("RESIZE");
    d.settings.resize.target_width = 7;
    d.Show("RESIZE");
    ResizeSettings& s = d.settings.resize;
    EXPECT_EQ((std::array{s.source_width, s.source_height, s.target_width, s.target_height}),
              (std::array{100, 50, 100, 50}));
    EXPECT_TRUE(d.Find<QLineEdit>("edit_source_width")->isReadOnly());
    d.Type("edit_target_height", "33");
    EXPECT_EQ(s.target_width, 66);
    EXPECT_EQ(d.Text("edit_target_width"), "66");
    d.Click("check_keep_aspect");
    EXPECT_EQ(s.keep_aspect, 0);
    d.Type("edit_target_width", "300");
    EXPECT_EQ(s.target_height, 33);
    d.Click("radio_lanczos");
    EXPECT_EQ(s.method, 3);
}

TEST(Dialogs, RotateQuarterTurnsLeaveTheirAngleOnOk) {
    Open d("ROUND");
    RotateSettings& s = d.settings.rotate;
    EXPECT_TRUE(d.Find<QRadioButton>("radio_angle")->isChecked());
    d.Type("edit_angle", "-30.5");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(s.angle, -3050);  // the angle mode keeps the typed angle
    d.Show("ROUND");
    EXPECT_EQ(d.Text("edit_angle"), "-30.50");
    d.Click("radio_right90");
    EXPECT_EQ(s.mode, 1);
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(s.angle, -9000);
    d.Show("ROUND");
    d.Click("radio_180");
    EXPECT_FALSE(d.Press(QDialogButtonBox::Cancel));  // Cancel leaves the angle alone
    EXPECT_EQ(s.mode, 2);
    EXPECT_EQ(s.angle, -9000);
}

// The bits-to-divisor rule is pinned without widgets; here: only OK stores it, the check box
// stores at once, and a divisor with no entry survives OK.
TEST(Dialogs, DisplaySettingsTurnBitsIntoTheDivisorOnOk) {
    Open d("DISPCONF");
    DisplaySettings& s = d.settings.display;
    QComboBox* bits = d.Find<QComboBox>("combo_bits");
    ASSERT_EQ(bits->count(), 11);
    EXPECT_EQ(bits->currentText(), "8");
    bits->setCurrentText("10");
    d.Find<QCheckBox>("check_info")->click();
    EXPECT_FALSE(d.Press(QDialogButtonBox::Cancel));
    EXPECT_EQ(s.readout_divisor, 256);
    EXPECT_EQ(s.info_overlay, 0);

    d.Show("DISPCONF");
    d.Find<QComboBox>("combo_bits")->setCurrentText("10");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(s.readout_divisor, 64);

    s.readout_divisor = 2048;
    d.Show("DISPCONF");
    EXPECT_EQ(d.Find<QComboBox>("combo_bits")->currentIndex(), -1);
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(s.readout_divisor, 2048);
}

TEST(Dialogs, SelectListsOpenImagesAndAnswersTheChosenSlot) {
    Harness h;
    AppContext& ctx = *h.ctx;
    MakeImage(
        ctx.ws, 0, 2, 2, [](int, int, int) { return 0; }, "a.bmp");
    MakeImage(
        ctx.ws, 3, 2, 2, [](int, int, int) { return 0; }, "/tmp/b.png");
    MakeImage(
        ctx.ws, 120, 2, 2, [](int, int, int) { return 0; }, "c.tif");
    ctx.shell.selected_slot = 3;
    auto d = CreateNamedDialog("SELECT", ctx, nullptr);
    QListWidget* list = Child<QListWidget>(d.get(), "list_images");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "000(a.bmp)");
    EXPECT_EQ(list->item(1)->text(), "003(/tmp/b.png)");
    EXPECT_EQ(list->item(2)->text(), "120(c.tif)");
    EXPECT_EQ(list->currentRow(), 1);
    d->reject();
    EXPECT_EQ(ctx.shell.selected_slot, 3);

    // The select command makes the chosen image current.
    ctx.ws.current = 0;
    h.ui.dialog_handlers["SELECT"] = [](AppContext& c) {
        return RunAnswering("SELECT", c, [](QDialog* dialog) {
            Child<QListWidget>(dialog, "list_images")->setCurrentRow(2);
            Button(dialog, QDialogButtonBox::Ok)->click();
        });
    };
    EXPECT_TRUE(ExecuteCommand(ctx, 421));
    EXPECT_EQ(ctx.shell.selected_slot, 120);
    EXPECT_EQ(ctx.ws.current, 120);
}

}  // namespace
}  // namespace orva::gui
