// The operation dialogs driven through their widgets: what typing, scrolling and clicking
// store in the settings, and what OK and Cancel leave behind.
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
#include <string>

#include "dialogs/dialog_kit.h"
#include "dialogs/dialogs.h"
#include "shell/commands.h"
#include "support/scripted_ui.h"

namespace orva::gui {
namespace {

using testing::Harness;
using testing::MakeImage;

const char* const kMyDialogs[] = {"DISPCONF", "SELECT", "SHARP",    "EDGE", "RESIZE",
                                  "CUT",      "ROUND",  "WAIKYOKU", "HDR"};

template <class W>
W* Child(QWidget* parent, const char* name) {
    W* w = parent->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Replaces the edit's text as a user would, one key at a time.
void Type(QLineEdit* edit, const char* text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromUtf8(text));
}

void Finish(QLineEdit* edit) {
    Q_EMIT edit->editingFinished();
}

QAbstractButton* Button(QDialog* d, QDialogButtonBox::StandardButton which) {
    return Child<QDialogButtonBox>(d, "buttonBox")->button(which);
}

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

struct DialogsTest : ::testing::Test {
    Harness h;
    AppContext& ctx = *h.ctx;
    void SetUp() override {
        MakeImage(ctx.ws, 0, 100, 50, [](int, int, int) { return 0; });
    }
    std::unique_ptr<QDialog> Open(const char* name) {
        std::unique_ptr<QDialog> d = CreateNamedDialog(name, ctx, nullptr);
        EXPECT_NE(d, nullptr) << name;
        return d;
    }
};

TEST_F(DialogsTest, EveryDialogAnswersOkAndCancel) {
    for (const char* name : kMyDialogs) {
        const Settings before = ctx.settings;
        EXPECT_TRUE(RunAnswering(name, ctx, [](QDialog* d) {
            Button(d, QDialogButtonBox::Ok)->click();
        })) << name;
        EXPECT_FALSE(RunAnswering(name, ctx, [](QDialog* d) {
            Button(d, QDialogButtonBox::Cancel)->click();
        })) << name;
        // Opening and confirming changes nothing by itself (resize takes the image size).
        Settings expected = before;
        if (std::string(name) == "RESIZE") expected.resize = ctx.settings.resize;
        EXPECT_EQ(ctx.settings, expected) << name;
    }
    EXPECT_EQ(CreateNamedDialog("NO_SUCH", ctx, nullptr), nullptr);
    EXPECT_FALSE(RunNamedDialog("NO_SUCH", ctx, nullptr));
}

TEST_F(DialogsTest, SharpTypedValuesAreConvertedAndClamped) {
    auto d = Open("SHARP");
    SharpenSettings& s = ctx.settings.sharpen;
    EXPECT_EQ(Child<QLineEdit>(d.get(), "edit_blunting")->text(), "5.0");
    EXPECT_EQ(Child<QLineEdit>(d.get(), "edit_smooth_range")->text(), "10.0");
    Type(Child<QLineEdit>(d.get(), "edit_blunting"), "2.57");
    EXPECT_EQ(s.blunting, 25);
    Type(Child<QLineEdit>(d.get(), "edit_blunting"), "7");
    EXPECT_EQ(s.blunting, 50);
    Type(Child<QLineEdit>(d.get(), "edit_smooth_range"), "20");
    EXPECT_EQ(s.smooth_range, 5122);  // (20 + 0.01) * 256
    EXPECT_EQ(Child<QScrollBar>(d.get(), "scroll_smooth_range")->value(), 20);
    Type(Child<QLineEdit>(d.get(), "edit_radius"), "12");
    EXPECT_EQ(s.radius, 10);
    QLineEdit* strength = Child<QLineEdit>(d.get(), "edit_smooth_strength");
    Type(strength, "99");
    EXPECT_EQ(s.smooth_strength, 50);
    EXPECT_EQ(strength->text(), "99");  // kept while typing
    Finish(strength);
    EXPECT_EQ(strength->text(), "50");
    Child<QCheckBox>(d.get(), "check_g")->click();
    EXPECT_EQ(s.channels, (std::array<int, 3>{1, 0, 1}));
    // Cancel keeps what was changed.
    d->reject();
    EXPECT_EQ(s.blunting, 50);
    EXPECT_EQ(s.radius, 10);
}

TEST_F(DialogsTest, SharpScrollStepsInSettingUnits) {
    auto d = Open("SHARP");
    SharpenSettings& s = ctx.settings.sharpen;
    QScrollBar* range = Child<QScrollBar>(d.get(), "scroll_smooth_range");
    EXPECT_EQ(range->minimum(), 0);
    EXPECT_EQ(range->maximum(), 255);
    range->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.smooth_range, 2586);
    EXPECT_EQ(Child<QLineEdit>(d.get(), "edit_smooth_range")->text(), "10.1");
    range->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(s.smooth_range, 3866);
    EXPECT_EQ(range->value(), 15);
    range->triggerAction(QAbstractSlider::SliderToMaximum);
    range->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.smooth_range, 65535);
    QScrollBar* radius = Child<QScrollBar>(d.get(), "scroll_radius");
    EXPECT_EQ(radius->minimum(), 1);
    EXPECT_EQ(radius->maximum(), 10);
    radius->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(s.radius, 5);
    EXPECT_EQ(Child<QLineEdit>(d.get(), "edit_radius")->text(), "5");
    QScrollBar* blunting = Child<QScrollBar>(d.get(), "scroll_blunting");
    EXPECT_EQ(blunting->minimum(), 10);
    EXPECT_EQ(blunting->maximum(), 50);
    blunting->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(s.blunting, 40);
    EXPECT_EQ(Child<QLineEdit>(d.get(), "edit_blunting")->text(), "4.0");
    // A dragged thumb stores the value of its position.
    blunting->setSliderPosition(23);
    EXPECT_EQ(s.blunting, 23);
}

TEST_F(DialogsTest, SharpPaintsTheProfileAtItsCoordinates) {
    auto d = Open("SHARP");
    d->resize(d->sizeHint());
    auto* area = Child<PaintArea>(d.get(), "profile");
    const QImage img = area->grab().toImage();
    // Radius 1, blunting 5.0: the peak (310, 10) and the half-height point (320, 60) of the
    // curve, a tick below the axis y = 110 and the axis x = 310, in an area whose origin is
    // (200, 0).
    EXPECT_EQ(QColor(img.pixel(110, 10)), QColor(Qt::red));
    EXPECT_EQ(QColor(img.pixel(120, 60)), QColor(Qt::red));
    EXPECT_EQ(QColor(img.pixel(60, 113)), QColor(Qt::black));
    EXPECT_EQ(QColor(img.pixel(110, 80)), QColor(Qt::black));
}

TEST_F(DialogsTest, EdgeRangesAndSteps) {
    auto d = Open("EDGE");
    EdgeSettings& s = ctx.settings.edge;
    QScrollBar* range = Child<QScrollBar>(d.get(), "scroll_range");
    EXPECT_EQ(range->maximum(), 255);
    range->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(s.range, 0);
    range->triggerAction(QAbstractSlider::SliderPageStepAdd);
    range->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.range, 2586);
    QScrollBar* threshold = Child<QScrollBar>(d.get(), "scroll_threshold");
    EXPECT_EQ(threshold->maximum(), 100);
    threshold->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(s.threshold, 60);
    Type(Child<QLineEdit>(d.get(), "edit_threshold"), "150");
    EXPECT_EQ(s.threshold, 100);
    EXPECT_EQ(threshold->value(), 100);
    Type(Child<QLineEdit>(d.get(), "edit_emphasis"), "-3");
    EXPECT_EQ(s.emphasis, 0);
    Child<QCheckBox>(d.get(), "check_r")->click();
    EXPECT_EQ(s.channels[0], 0);
}

TEST_F(DialogsTest, HdrRadiusMovesInBlocksOfFour) {
    auto d = Open("HDR");
    DynamicRangeSettings& s = ctx.settings.dynamic_range;
    QScrollBar* radius = Child<QScrollBar>(d.get(), "scroll_radius");
    EXPECT_EQ(radius->minimum(), 1);
    EXPECT_EQ(radius->maximum(), 8);
    EXPECT_EQ(radius->value(), 2);
    QLineEdit* edit = Child<QLineEdit>(d.get(), "edit_radius");
    EXPECT_EQ(edit->text(), "8");
    radius->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.radius, 12);
    EXPECT_EQ(edit->text(), "12");
    Type(edit, "23");
    EXPECT_EQ(s.radius, 20);
    Finish(edit);
    EXPECT_EQ(edit->text(), "20");
    Type(edit, "100");
    EXPECT_EQ(s.radius, 32);
    QScrollBar* tone = Child<QScrollBar>(d.get(), "scroll_tone_difference");
    EXPECT_EQ(tone->maximum(), 128);
    tone->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(s.tone_difference, 40);
    Type(Child<QLineEdit>(d.get(), "edit_strength"), "0");
    EXPECT_EQ(s.strength, 1);
}

TEST_F(DialogsTest, ResizeStartsFromTheImageAndKeepsTheAspect) {
    ctx.settings.resize.target_width = 7;
    auto d = Open("RESIZE");
    ResizeSettings& s = ctx.settings.resize;
    EXPECT_EQ(s.source_width, 100);
    EXPECT_EQ(s.source_height, 50);
    EXPECT_EQ(s.target_width, 100);
    EXPECT_EQ(s.target_height, 50);
    EXPECT_TRUE(Child<QLineEdit>(d.get(), "edit_source_width")->isReadOnly());
    QLineEdit* width = Child<QLineEdit>(d.get(), "edit_target_width");
    QLineEdit* height = Child<QLineEdit>(d.get(), "edit_target_height");
    Type(width, "201");
    EXPECT_EQ(s.target_height, 100);  // (50 * 201 + 1) / 100
    EXPECT_EQ(height->text(), "100");
    Type(height, "33");
    EXPECT_EQ(s.target_width, 66);  // (33 * 100 + 1) / 50
    Type(width, "-5");
    EXPECT_EQ(s.target_width, 0);
    EXPECT_EQ(s.target_height, 0);  // (50 * 0 + 1) / 100
    Child<QCheckBox>(d.get(), "check_keep_aspect")->click();
    EXPECT_EQ(s.keep_aspect, 0);
    Type(width, "300");
    EXPECT_EQ(s.target_height, 0);
    Child<QRadioButton>(d.get(), "radio_lanczos")->click();
    EXPECT_EQ(s.method, 3);
    EXPECT_TRUE(Child<QRadioButton>(d.get(), "radio_lanczos")->isChecked());
}

TEST_F(DialogsTest, CutTakesValuesAsTyped) {
    auto d = Open("CUT");
    CropSettings& s = ctx.settings.crop;
    EXPECT_TRUE(Child<QRadioButton>(d.get(), "radio_anchor_4")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(d.get(), "radio_output_scale")->isChecked());
    Child<QRadioButton>(d.get(), "radio_anchor_8")->click();
    EXPECT_EQ(s.anchor, 8);
    Child<QRadioButton>(d.get(), "radio_output_size")->click();
    EXPECT_EQ(s.output_mode, 0);
    Type(Child<QLineEdit>(d.get(), "edit_crop_width"), "-3");
    EXPECT_EQ(s.width, -3);
    Type(Child<QLineEdit>(d.get(), "edit_output_height"), "20000");
    EXPECT_EQ(s.output_height, 20000);
    Type(Child<QLineEdit>(d.get(), "edit_magnification"), "12x");
    EXPECT_EQ(s.magnification, 0);
}

TEST_F(DialogsTest, RoundAngleAndQuarterTurns) {
    ctx.settings.rotate.angle = -150;
    auto d = Open("ROUND");
    RotateSettings& s = ctx.settings.rotate;
    QLineEdit* angle = Child<QLineEdit>(d.get(), "edit_angle");
    EXPECT_EQ(angle->text(), "-1.50");
    EXPECT_TRUE(Child<QRadioButton>(d.get(), "radio_angle")->isChecked());
    Type(angle, "12.345");
    EXPECT_EQ(s.angle, 1234);
    Type(angle, "1x");
    EXPECT_EQ(s.angle, 0);
    Type(angle, "-30.5");
    EXPECT_EQ(s.angle, -3050);
    d->accept();
    EXPECT_EQ(s.angle, -3050);  // the angle mode keeps the typed angle

    d = Open("ROUND");
    Child<QRadioButton>(d.get(), "radio_right90")->click();
    EXPECT_EQ(s.mode, 1);
    d->accept();
    EXPECT_EQ(s.angle, -9000);
    d = Open("ROUND");
    Child<QRadioButton>(d.get(), "radio_180")->click();
    d->reject();  // Cancel leaves the angle alone
    EXPECT_EQ(s.mode, 2);
    EXPECT_EQ(s.angle, -9000);
    d = Open("ROUND");
    d->accept();
    EXPECT_EQ(s.angle, 18000);
    d = Open("ROUND");
    Child<QRadioButton>(d.get(), "radio_flip")->click();
    d->accept();
    EXPECT_EQ(s.mode, 5);
    EXPECT_EQ(s.angle, 18000);
}

TEST_F(DialogsTest, WaikyokuStoresTheTypedAmount) {
    auto d = Open("WAIKYOKU");
    QLineEdit* amount = Child<QLineEdit>(d.get(), "edit_amount");
    EXPECT_EQ(amount->text(), "0");
    Type(amount, "-12");
    EXPECT_EQ(ctx.settings.distortion.amount, -12);
    Type(amount, "abc");
    EXPECT_EQ(ctx.settings.distortion.amount, 0);
}

TEST_F(DialogsTest, DispconfBitsAndOverlay) {
    DisplaySettings& s = ctx.settings.display;
    auto d = Open("DISPCONF");
    QComboBox* bits = Child<QComboBox>(d.get(), "combo_bits");
    ASSERT_EQ(bits->count(), 11);
    EXPECT_EQ(bits->itemText(0), "6");
    EXPECT_EQ(bits->itemText(10), "16");
    EXPECT_EQ(bits->currentText(), "8");
    bits->setCurrentIndex(4);
    d->reject();
    EXPECT_EQ(s.readout_divisor, 256);

    d = Open("DISPCONF");
    bits = Child<QComboBox>(d.get(), "combo_bits");
    bits->setCurrentText("10");
    d->accept();
    EXPECT_EQ(s.readout_divisor, 64);

    d = Open("DISPCONF");
    EXPECT_EQ(Child<QComboBox>(d.get(), "combo_bits")->currentText(), "10");
    QCheckBox* info = Child<QCheckBox>(d.get(), "check_info");
    EXPECT_TRUE(info->isChecked());
    info->click();
    EXPECT_EQ(s.info_overlay, 0);
    info->click();
    info->click();
    d->reject();  // the toggle happened at the click
    EXPECT_EQ(s.info_overlay, 0);

    // A divisor with no entry selects none, and OK keeps it.
    s.readout_divisor = 2048;
    d = Open("DISPCONF");
    EXPECT_EQ(Child<QComboBox>(d.get(), "combo_bits")->currentIndex(), -1);
    d->accept();
    EXPECT_EQ(s.readout_divisor, 2048);
    s.readout_divisor = 1;
    d = Open("DISPCONF");
    EXPECT_EQ(Child<QComboBox>(d.get(), "combo_bits")->currentText(), "16");
}

TEST_F(DialogsTest, SelectListsOpenImagesAndAnswersTheChosenSlot) {
    ctx.ws.at(0).name = "a.bmp";
    MakeImage(
        ctx.ws, 3, 2, 2, [](int, int, int) { return 0; }, "/tmp/b.png");
    MakeImage(
        ctx.ws, 120, 2, 2, [](int, int, int) { return 0; }, "c.tif");
    ctx.shell.selected_slot = 3;
    auto d = Open("SELECT");
    QListWidget* list = Child<QListWidget>(d.get(), "list_images");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "000(a.bmp)");
    EXPECT_EQ(list->item(1)->text(), "003(/tmp/b.png)");
    EXPECT_EQ(list->item(2)->text(), "120(c.tif)");
    EXPECT_EQ(list->currentRow(), 1);
    d->reject();
    EXPECT_EQ(ctx.shell.selected_slot, 3);

    EXPECT_TRUE(RunAnswering("SELECT", ctx, [](QDialog* dialog) {
        Child<QListWidget>(dialog, "list_images")->setCurrentRow(2);
        Button(dialog, QDialogButtonBox::Ok)->click();
    }));
    EXPECT_EQ(ctx.shell.selected_slot, 120);
}

// The commands that run these dialogs read what OK left behind.
TEST_F(DialogsTest, CommandsReadWhatTheDialogsAnswer) {
    MakeImage(
        ctx.ws, 5, 2, 2, [](int, int, int) { return 0; }, "five.bmp");
    ctx.ws.current = 0;
    h.ui.dialog_handlers["SELECT"] = [](AppContext& c) {
        return RunAnswering("SELECT", c, [](QDialog* d) {
            Child<QListWidget>(d, "list_images")->setCurrentRow(1);
            Button(d, QDialogButtonBox::Ok)->click();
        });
    };
    EXPECT_TRUE(ExecuteCommand(ctx, 421));
    EXPECT_EQ(ctx.ws.current, 5);

    h.ui.dialog_handlers["DISPCONF"] = [](AppContext& c) {
        return RunAnswering("DISPCONF", c, [](QDialog* d) {
            Child<QComboBox>(d, "combo_bits")->setCurrentText("10");
            Button(d, QDialogButtonBox::Ok)->click();
        });
    };
    EXPECT_TRUE(ExecuteCommand(ctx, 422));
    EXPECT_EQ(ctx.settings.display.readout_divisor, 64);

    ctx.ws.current = 0;
    h.ui.dialog_handlers["RESIZE"] = [](AppContext& c) {
        return RunAnswering("RESIZE", c, [](QDialog* d) {
            Type(Child<QLineEdit>(d, "edit_target_width"), "50");
            Button(d, QDialogButtonBox::Ok)->click();
        });
    };
    EXPECT_TRUE(ExecuteCommand(ctx, 304));
    EXPECT_EQ(ctx.ws.at(0).width, 50);
    EXPECT_EQ(ctx.ws.at(0).height, 25);  // (50 * 50 + 1) / 100
}

}  // namespace
}  // namespace orva::gui
