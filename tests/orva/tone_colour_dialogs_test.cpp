// The tone, wavelet, restoration, colour and noise dialogs driven as a user would: typing,
// scrolling, clicking and dragging, then OK or Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "dialogs/dialog_kit.h"
#include "dialogs/dialogs.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;

// A dialog shown without a modal loop, so that a test can drive it and then press a button.
struct Open {
    Harness h;
    std::unique_ptr<QDialog> dialog;

    explicit Open(const char* name) { Show(name); }
    void Show(const char* name) {
        dialog = gui::CreateNamedDialog(name, *h.ctx, nullptr);
        ASSERT_NE(dialog, nullptr) << name;
        dialog->show();
    }
    Settings& settings() { return h.ctx->settings; }

    template <typename W>
    W* Find(const char* name) {
        W* w = dialog->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Replaces the edit's text key by key.
    void Type(const char* edit, const QString& text) {
        QLineEdit* e = Find<QLineEdit>(edit);
        e->selectAll();
        QTest::keyClicks(e, text);
        Q_EMIT e->editingFinished();
    }
    QString Text(const char* edit) { return Find<QLineEdit>(edit)->text(); }
    void Click(const char* button) { Find<QAbstractButton>(button)->click(); }
    void Scroll(const char* bar, QAbstractSlider::SliderAction action) {
        Find<QScrollBar>(bar)->triggerAction(action);
    }
    bool Press(QDialogButtonBox::StandardButton which) {
        Find<QDialogButtonBox>("buttonBox")->button(which)->click();
        return dialog->result() == QDialog::Accepted;
    }
};

TEST(ToneColourDialogs, EveryDialogOpensPaintsAndAnswersOkAndCancel) {
    for (const char* name :
         {"GAMMA", "LEVEL", "WAVELET", "RESTORE", "GRAY", "COLORUP", "CHGRGB", "CHGHSV", "LV"}) {
        Open d(name);
        MakeImage(d.h.ctx->ws, 0, 30, 20,
                  [](int c, int x, int y) { return static_cast<uint16_t>(c * 9000 + x * y * 50); });
        EXPECT_FALSE(d.dialog->grab().isNull()) << name;  // every painter runs
        EXPECT_TRUE(d.Press(QDialogButtonBox::Ok)) << name;
        d.Show(name);
        EXPECT_FALSE(d.Press(QDialogButtonBox::Cancel)) << name;
    }
    Harness h;
    EXPECT_EQ(gui::CreateNamedDialog("NO SUCH", *h.ctx, nullptr), nullptr);
}

TEST(ToneColourDialogs, GammaPointsAreDraggedWithinTheirNeighboursAndTypedValuesClamped) {
    Open d("GAMMA");
    QWidget* graph = d.Find<QWidget>("graph");
    const QPoint origin = static_cast<gui::PaintArea*>(graph)->origin();
    auto at = [&](int x, int y) { return QPoint(x, y) - origin; };
    EXPECT_EQ(d.Text("edit_input"), "128");  // the middle point is selected at first
    // Point 0 sits at client (10, 320): pick it 3 pixels off and drag it right and up.
    QTest::mousePress(graph, Qt::LeftButton, {}, at(13, 317));
    EXPECT_EQ(d.Text("edit_input"), "0");
    QTest::mouseMove(graph, at(60, 250));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, at(60, 250));
    EXPECT_EQ(d.settings().gamma.points[0], (std::array<int, 6>{50, 70, 128, 128, 255, 255}));
    EXPECT_EQ(d.Text("edit_output"), "70");
    // Dragged past point 1 it stops at point 1's input; below the graph, at output 0.
    QTest::mousePress(graph, Qt::LeftButton, {}, at(60, 250));
    QTest::mouseMove(graph, at(250, 400));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, at(250, 400));
    EXPECT_EQ(d.settings().gamma.points[0], (std::array<int, 6>{128, 0, 128, 128, 255, 255}));
    // A click away from every point keeps the selection and moves nothing.
    QTest::mousePress(graph, Qt::LeftButton, {}, at(200, 100));
    QTest::mouseMove(graph, at(210, 110));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, at(210, 110));
    EXPECT_EQ(d.settings().gamma.points[0], (std::array<int, 6>{128, 0, 128, 128, 255, 255}));

    // Another set keeps the selected index; typed values are held like dragged ones.
    d.Click("radio_green");
    EXPECT_EQ(d.settings().gamma.channel_set, 2);
    EXPECT_EQ(d.Text("edit_input"), "0");
    d.Type("edit_input", "300");
    EXPECT_EQ(d.Text("edit_input"), "128");
    d.Type("edit_output", "-4");
    EXPECT_EQ(d.settings().gamma.points[2], (std::array<int, 6>{128, 0, 128, 128, 255, 255}));
    d.Click("radio_straight");
    EXPECT_EQ(d.settings().gamma.curve_mode, 0);
    d.Click("button_reset");
    EXPECT_EQ(d.settings().gamma.points, GammaSettings{}.points);
    EXPECT_EQ(d.Text("edit_input"), "0");
    // Cancel keeps what was changed.
    d.Type("edit_output", "33");
    EXPECT_FALSE(d.Press(QDialogButtonBox::Cancel));
    EXPECT_EQ(d.settings().gamma.points[2][1], 33);
}

TEST(ToneColourDialogs, LevelEditsTheShownSetWithSignedScrollsAndHundredths) {
    Open d("LEVEL");
    EXPECT_EQ(d.Find<QScrollBar>("scroll_brightness")->minimum(), 0);
    EXPECT_EQ(d.Find<QScrollBar>("scroll_brightness")->maximum(), 510);
    EXPECT_EQ(d.Find<QScrollBar>("scroll_brightness")->value(), 255);
    EXPECT_EQ(d.Find<QScrollBar>("scroll_contrast")->maximum(), 200);
    EXPECT_EQ(d.Text("edit_gamma"), "1.00");
    d.Click("radio_blue");
    d.Type("edit_gamma", "2.3");
    d.Type("edit_input_max", "300");
    d.Type("edit_brightness", "-300");
    d.Scroll("scroll_contrast", QAbstractSlider::SliderPageStepSub);
    const LevelSet& blue = d.settings().level.sets[3];
    EXPECT_EQ(blue.gamma, 230);
    EXPECT_EQ(blue.input_max, 255);
    EXPECT_EQ(blue.brightness, -255);
    EXPECT_EQ(blue.contrast, -10);
    EXPECT_EQ(d.Text("edit_gamma"), "2.30");
    EXPECT_EQ(d.Text("edit_contrast"), "-10");
    EXPECT_EQ(d.settings().level.sets[0], LevelSet{});
    // The controls follow the set shown.
    d.Click("radio_all");
    EXPECT_EQ(d.Text("edit_gamma"), "1.00");
    d.Type("edit_output_max", "200");
    EXPECT_EQ(d.settings().level.sets[0].output_max, 200);
    d.Click("button_reset");
    EXPECT_EQ(d.Text("edit_output_max"), "255");
    EXPECT_EQ(d.settings().level.sets[3], LevelSet{});
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.settings().level.channel_set, 0);
}

TEST(ToneColourDialogs, WaveletPresetsSetTheSixGainsAndTypedGainsAreClamped) {
    Open d("WAVELET");
    d.Click("button_preset2");  // "中"
    EXPECT_EQ(d.settings().wavelet.gains, (std::array<int, 6>{10, 12, 15, 20, 30, 50}));
    EXPECT_EQ(d.Text("edit_gain1"), "1.2");
    EXPECT_EQ(d.Text("edit_gain5"), "5.0");
    d.Click("button_preset3");  // "強"
    EXPECT_EQ(d.settings().wavelet.gains, (std::array<int, 6>{10, 15, 20, 30, 50, 90}));
    d.Type("edit_gain5", "2.3");
    d.Type("edit_gain4", "77");
    d.Type("edit_gain3", "-1");
    EXPECT_EQ(d.settings().wavelet.gains, (std::array<int, 6>{10, 15, 20, 0, 500, 23}));
    EXPECT_EQ(d.Text("edit_gain4"), "50.0");
    // Steps stop at the ends of 0..500.
    QScrollBar* bar = d.Find<QScrollBar>("scroll_gain3");
    EXPECT_EQ(bar->maximum(), 500);
    d.Scroll("scroll_gain3", QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(d.settings().wavelet.gains[3], 0);
    d.Scroll("scroll_gain4", QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(d.settings().wavelet.gains[4], 500);
    d.Click("button_preset0");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.settings().wavelet.gains, WaveletSettings{}.gains);
}

TEST(ToneColourDialogs, RestoreListsAndTenths) {
    Open d("RESTORE");
    QComboBox* iterations = d.Find<QComboBox>("combo_iterations");
    QComboBox* emphasis = d.Find<QComboBox>("combo_emphasis");
    EXPECT_EQ(iterations->count(), 5);
    EXPECT_EQ(iterations->currentText(), "3");
    EXPECT_EQ(emphasis->count(), 4);
    EXPECT_EQ(emphasis->currentText(), "1");
    Q_EMIT iterations->activated(4);
    Q_EMIT emphasis->activated(0);
    d.Type("edit_spread", "0.05");
    d.Type("edit_blunting", "7");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.settings().restore,
              (RestoreSettings{.spread = 1, .blunting = 50, .iterations = 5, .emphasis = 0}));
    d.Show("RESTORE");
    d.Type("edit_spread", "12.5");
    d.Type("edit_blunting", "0");
    EXPECT_EQ(d.settings().restore.spread, 100);
    EXPECT_EQ(d.settings().restore.blunting, 10);
    EXPECT_EQ(d.Text("edit_spread"), "10.0");
}

TEST(ToneColourDialogs, GreyModesAndWeights) {
    Open d("GRAY");
    EXPECT_TRUE(d.Find<QRadioButton>("radio_standard")->isChecked());
    d.Click("radio_manual");
    d.Type("edit_r", "-5");
    d.Type("edit_g", "700");
    d.Type("edit_b", "99999");
    EXPECT_EQ(d.settings().grey,
              (GreySettings{.mode = 3, .weight_r = 0, .weight_g = 700, .weight_b = 65535}));
    d.Click("radio_max");
    EXPECT_EQ(d.settings().grey.weight_g, 700);
    d.Click("radio_standard");
    EXPECT_EQ(d.settings().grey, GreySettings{});
    EXPECT_EQ(d.Text("edit_g"), "587");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
}

TEST(ToneColourDialogs, SaturationAndHueShowSignedChanges) {
    Open d("COLORUP");
    EXPECT_EQ(d.Text("edit_saturation"), "0");
    EXPECT_EQ(d.Find<QScrollBar>("scroll_hue")->maximum(), 360);
    d.Type("edit_saturation", "-20");
    d.Type("edit_hue", "200");
    EXPECT_EQ(d.settings().colour.saturation, 80);
    EXPECT_EQ(d.settings().colour.hue, 360);
    EXPECT_EQ(d.Text("edit_hue"), "180");
    d.Scroll("scroll_hue", QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(d.settings().colour.hue, 350);
    EXPECT_EQ(d.Text("edit_hue"), "170");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
}

TEST(ToneColourDialogs, ColourChangesEditSourceTargetAndTolerance) {
    Open d("CHGRGB");
    d.Type("edit_source_r", "300");
    d.Type("edit_target_b", "40");
    d.Scroll("scroll_tolerance", QAbstractSlider::SliderPageStepAdd);
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.settings().colour.rgb_source, (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(d.settings().colour.rgb_target, (std::array<int, 3>{0, 0, 40}));
    EXPECT_EQ(d.settings().colour.rgb_tolerance, 5);

    d.Show("CHGHSV");
    d.Type("edit_source_hue", "400");
    d.Type("edit_target_saturation", "128");
    d.Type("edit_tolerance", "-3");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.settings().colour.hsv_source, (std::array<int, 3>{359, 0, 0}));
    EXPECT_EQ(d.settings().colour.hsv_target, (std::array<int, 3>{0, 128, 0}));
    EXPECT_EQ(d.settings().colour.hsv_tolerance, 0);
    EXPECT_EQ(d.settings().colour.rgb_source, (std::array<int, 3>{255, 0, 0}));
}

TEST(ToneColourDialogs, NoiseAreaCountsOnlyOnOkWhichAlsoSetsTheTolerance) {
    Open d("LV");
    d.settings().noise.tolerance = 4;
    EXPECT_EQ(d.Text("edit_area"), "5");
    d.Type("edit_area", "4");  // (4 - 3) / 2 = 0: the 3 x 3 window
    EXPECT_EQ(d.Text("edit_area"), "3");
    d.Type("edit_strength", "9");
    EXPECT_EQ(d.settings().noise.strength, 5);  // the strength is edited at once
    EXPECT_EQ(d.settings().noise.area, 5);
    EXPECT_FALSE(d.Press(QDialogButtonBox::Cancel));
    EXPECT_EQ(d.settings().noise, (NoiseSettings{.area = 5, .tolerance = 4, .strength = 5}));

    d.Show("LV");
    d.Type("edit_area", "3");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.settings().noise, (NoiseSettings{.area = 3, .tolerance = 10, .strength = 5}));

    d.Show("LV");
    EXPECT_EQ(d.Text("edit_area"), "3");
    d.Scroll("scroll_area", QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(d.Text("edit_area"), "5");
    d.Type("edit_area", "99");
    EXPECT_EQ(d.Text("edit_area"), "5");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.settings().noise.area, 5);
}

TEST(ToneColourDialogs, ModalRunAnswersOk) {
    Harness h;
    h.ctx->settings.noise.tolerance = 0;
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        modal->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    });
    EXPECT_TRUE(gui::RunNamedDialog("LV", *h.ctx, nullptr));
    EXPECT_EQ(h.ctx->settings.noise.tolerance, 10);
}

}  // namespace
}  // namespace orva
