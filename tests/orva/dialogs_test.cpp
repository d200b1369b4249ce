// The dialogs driven through their widgets. The shared binding kit is exercised once, on the
// sharpen dialog; the value rules are pinned without widgets, so what follows is what lives only
// in the dialogs: what they store on OK alone, drags, lists; then the background, comparison,
// batch, RAW development, dark-file and stacking dialogs, and the live stacking window on a
// temporary folder.
#include "dialogs/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <string>

#include "batch/batch_steps.h"
#include "dialog_driver.h"
#include "dialogs/dialog_kit.h"
#include "language.h"
#include "qt_ui.h"
#include "shell/messages.h"
#include "stack/header.h"
#include "support/live_lights.h"
#include "support/scripted_ui.h"

namespace orva::gui {
namespace {

using testing::Harness;
using testing::MakeImage;

// Every dialog but BACKG (the centre level kept above the edge) and BACKG2 (the chosen image),
// which store on OK by their own rules, tested with them, BATCH, which asks for a save
// folder first, and LIVESTACK, a window closed by 閉じる alone, tested on its own.
bool OkLeavesSettingsAlone(DialogId id) {
    return id != DialogId::BackgroundLevels && id != DialogId::BackgroundImage &&
           id != DialogId::Batch && id != DialogId::LiveStack;
}

// Runs the named dialog modally; `act` gets the open dialog and ends it.
bool RunAnswering(DialogId id, AppContext& ctx, std::function<void(QDialog*)> act) {
    QTimer::singleShot(0, [act] {
        QDialog* open = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (open == nullptr) {
            ADD_FAILURE() << "no modal dialog";
            return;
        }
        act(open);
        if (open->isVisible()) open->reject();
    });
    return RunDialogOf(id, ctx, nullptr);
}

TEST(Dialogs, EveryDialogPaintsAndAnswersOkAndCancelWithoutChangingAnything) {
    for (int i = 0; i < kDialogCount; ++i) {
        const auto id = static_cast<DialogId>(i);
        if (!OkLeavesSettingsAlone(id)) continue;
        const std::string_view name = DialogName(id);
        SCOPED_TRACE(name);
        Harness h;
        AppContext& ctx = *h.ctx;
        MakeImage(ctx.ws, 0, 30, 20,
                  [](int c, int x, int y) { return static_cast<uint16_t>(c * 9000 + x * y * 50); });
        const Settings before = ctx.settings;
        EXPECT_TRUE(RunAnswering(id, ctx, [](QDialog* d) {
            EXPECT_FALSE(d->grab().isNull());  // every painter runs
            Button(d, QDialogButtonBox::Ok)->click();
        }));
        EXPECT_FALSE(RunAnswering(
            id, ctx, [](QDialog* d) { Button(d, QDialogButtonBox::Cancel)->click(); }));
        // Opening and confirming changes nothing by itself (resize takes the image size).
        Settings expected = before;
        if (id == DialogId::Resize) expected.resize = ctx.settings.resize;
        EXPECT_EQ(ctx.settings, expected);
    }
    Harness h;
    EXPECT_EQ(CreateNamedDialog("NO_SUCH", *h.ctx, nullptr), nullptr);
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

TEST(Dialogs, LevelEditsTheShownSetAndChoosesItOnOk) {
    Open d("LEVEL");
    d.Click("radio_blue");
    d.Type("edit_gamma", "2.3");
    EXPECT_EQ(d.settings.level.sets[3].gamma, 230);
    EXPECT_EQ(d.settings.level.sets[0], LevelSet{});
    // The controls follow the set shown.
    d.Click("radio_all");
    EXPECT_EQ(d.Text("edit_gamma"), "1.00");
    d.Click("radio_blue");
    EXPECT_EQ(d.Text("edit_gamma"), "2.30");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.settings.level.channel_set, 3);
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
    d.Type("edit_target_height", "33");
    EXPECT_EQ(d.Text("edit_target_width"), "66");
}

TEST(Dialogs, RotateQuarterTurnsLeaveTheirAngleOnOk) {
    Open d("ROUND");
    RotateSettings& s = d.settings.rotate;
    d.Type("edit_angle", "-30.5");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(s.angle, -3050);  // the angle mode keeps the typed angle
    d.Show("ROUND");
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
    d.Find<QComboBox>("combo_bits")->setCurrentText("10");
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
    Open d("SELECT", {});
    for (const auto& [slot, name] : {std::pair{0, "a.bmp"}, {3, "/tmp/b.png"}, {120, "c.tif"}})
        MakeImage(
            d.ctx.ws, slot, 2, 2, [](int, int, int) { return 0; }, name);
    d.ctx.shell.selected_slot = 3;
    d.Show("SELECT");
    QListWidget* list = d.Find<QListWidget>("list_images");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "000(a.bmp)");
    EXPECT_EQ(list->item(1)->text(), "003(/tmp/b.png)");
    EXPECT_EQ(list->item(2)->text(), "120(c.tif)");
    EXPECT_EQ(list->currentRow(), 1);
    list->setCurrentRow(2);
    d.dialog->reject();
    EXPECT_EQ(d.ctx.shell.selected_slot, 3);  // only OK answers the chosen slot
}

// On OK every centre level is raised above its edge level.
TEST(BackgroundDialogs, OkRaisesTheCentreAboveTheEdge) {
    Open d("BACKG");
    BackgroundSettings& s = d.ctx.settings.background;
    d.Type("edit_centre_r", "300");
    EXPECT_EQ(s.centre[0], 255);
    d.Type("edit_edge_g", "40");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(s.centre[0], 255);  // already above its edge
    EXPECT_EQ(s.centre[1], 41);
    EXPECT_EQ(s.centre[2], 1);
}

TEST(BackgroundDialogs, ImageListsNameEveryOtherPictureBySlot) {
    Open d("BACKG2", {0, 3, 120});
    QComboBox* combo = d.Find<QComboBox>("combo_background");
    ASSERT_EQ(combo->count(), 2);  // the current image is not offered
    EXPECT_TRUE(combo->itemText(0).startsWith("03("));
    combo->setCurrentIndex(1);
    d.Find<QAbstractButton>("radio_subtract")->click();
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    // Slot 120 is taken whole, not as the "12" of its first two digits.
    EXPECT_EQ(d.ctx.settings.background.image_slot, 120);
    EXPECT_EQ(d.ctx.settings.background.image_mode, 4);

    Open alone("DIFF");
    EXPECT_EQ(alone.Find<QComboBox>("combo_image")->count(), 0);
    EXPECT_TRUE(alone.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(alone.ctx.shell.selected_slot, kSlotCount);  // nothing to compare with
}

TEST(BatchDialog, CombosShowAndStoreTheStepCodes) {
    Open d("BATCH", {});
    BatchState& batch = d.ctx.batch;
    batch.steps[2].edited_code = 12;
    d.Show("BATCH");
    auto combo = [&](int step) {
        return d.dialog->findChild<QComboBox*>(QString("combo_step%1").arg(step));
    };
    EXPECT_EQ(combo(2)->currentText().toStdString(), " ");
    EXPECT_EQ(combo(3)->currentText().toStdString(), "ガンマ補正");
    EXPECT_EQ(combo(2)->count(), 1 + static_cast<int>(ProcessingStepCodes().size()));

    combo(2)->setCurrentText(QString::fromUtf8("シャープ/スムーズ"));
    combo(8)->setCurrentText(QString::fromUtf8("終了"));
    EXPECT_EQ(batch.steps[1].edited_code, 6);
    EXPECT_EQ(batch.steps[7].edited_code, kStepEnd);
    EXPECT_EQ(batch.steps[1].confirmed_code, 0);  // reassigned only on OK or details

    d.Click("check_time");
    EXPECT_EQ(d.settings.batch.time_measurement, 1);
    d.Click("button_details1");
    EXPECT_EQ(d.h.ui.Texts(msg::kTitleMessage), std::vector<std::string>{msg::kBatchOpenOneDetail});

    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(batch.steps[1].confirmed_code, 6);
    EXPECT_EQ(batch.steps[1].block[3], d.settings.sharpen.radius);
    EXPECT_EQ(batch.save_configured, 1);  // a sequence that ends needs no folder

    // In English the lines read otherwise and still store their codes (they were once matched
    // by their Japanese text, so an English choice was lost).
    InstallLanguage(Language::English);
    Open en("BATCH", {});
    auto* step3 = en.dialog->findChild<QComboBox*>("combo_step3");
    step3->setCurrentText("Sharpen/Smooth");
    InstallLanguage(Language::Japanese);
    EXPECT_EQ(step3->currentText().toStdString(), "Sharpen/Smooth");
    EXPECT_EQ(en.ctx.batch.steps[2].edited_code, kStepSharpen);
}

// The algorithm and the sharpening radius are two choices: each shows its setting, and
// choosing one leaves the other; the defaults leave the algorithm alone.
TEST(RawDialog, AlgorithmAndRadiusAreSeparateChoices) {
    struct Case {
        int algorithm, radius;
        const char* click;
        int algorithm_after, radius_after;
    };
    const Case cases[] = {
        {0, 1, "radio_reference", 1, 1},
        {1, 0, "radio_fast", 0, 0},
        {0, 0, "radio_radius2", 0, 1},
        {1, 1, "radio_radius1", 1, 0},
        {1, 1, "button_defaults", 1, RawSettings{}.sharp_radius},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.click);
        Open d("RAWMODE", {});
        RawSettings& raw = d.settings.raw;
        raw.algorithm = c.algorithm;
        raw.sharp_radius = c.radius;
        d.Show("RAWMODE");
        const auto checked = [&](const char* name) {
            return d.Find<QRadioButton>(name)->isChecked();
        };
        EXPECT_EQ(checked("radio_fast"), c.algorithm == 0);
        EXPECT_EQ(checked("radio_reference"), c.algorithm == 1);
        EXPECT_EQ(checked("radio_radius1"), c.radius == 0);
        EXPECT_EQ(checked("radio_radius2"), c.radius == 1);
        d.Click(c.click);
        EXPECT_EQ(raw.algorithm, c.algorithm_after);
        EXPECT_EQ(raw.sharp_radius, c.radius_after);
        EXPECT_EQ(checked("radio_fast"), c.algorithm_after == 0);
        EXPECT_EQ(checked("radio_radius1"), c.radius_after == 0);
        EXPECT_EQ(checked("radio_radius2"), c.radius_after == 1);
    }
}

TEST(DarkDialog, AddRemoveLevelAndOk) {
    Open d("DARK", {});
    for (const char* f : {"/x/1.dng", "/x/2.fits", "/x/3.nef"}) {
        d.h.ui.open_results.push_back(FileDialogResult{f, 1});
        d.Click("button_add");
    }
    ASSERT_FALSE(d.h.ui.open_requests.empty());
    const FileDialogRequest& req = d.h.ui.open_requests[0];
    EXPECT_EQ(req.filters[static_cast<std::size_t>(req.filter_index - 1)].label,
              "Digital camera RAW");
    auto* list = d.Find<QListWidget>("list_files");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text().toStdString(), "2 /x/2.fits");
    list->setCurrentRow(0);
    d.Click("button_remove");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text().toStdString(), "1 /x/2.fits");
    EXPECT_EQ(d.ctx.darks.files[0], "");  // nothing copied back before OK

    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(d.ctx.darks.files[0], "/x/2.fits");
    EXPECT_EQ(d.ctx.darks.files[1], "/x/3.nef");
    EXPECT_EQ(d.ctx.darks.files[2], "");
}

TEST(CompositeDialogs, ChoosingAnImageLoadsItsPointsAndOkStoresTheSlot) {
    Open d("COMPO2", {});
    ImageRecord& r = MakeImage(
        d.ctx.ws, 4, 30, 20, [](int, int, int) { return 100; }, "b.fits");
    r.point_a_x = 3;
    r.point_a_y = 15;  // stored row: 4 from the top
    d.Show("COMPO2");
    QComboBox* box = d.Find<QComboBox>("combo_image2");
    ASSERT_EQ(box->count(), 2);  // a blank entry first
    EXPECT_EQ(box->itemText(1), "04(b.fits)");
    box->setCurrentIndex(1);
    EXPECT_EQ(d.settings.composite.points[1], (std::array<int, 4>{3, 4, 0, 0}));
    EXPECT_EQ(d.Text("edit_ay2"), "4");
    d.Press(QDialogButtonBox::Ok);
    EXPECT_EQ(d.settings.composite.images, (std::array<int, 4>{-1, 4, -1, -1}));
}

TEST(CompositeDialogs, MoveModeImpliesNoiseRemovalAndTheLevelIsLimitedOnOk) {
    Open d("COMPO", {});
    auto& s = d.settings.composite;
    QCheckBox* noise = d.Find<QCheckBox>("check_noise");
    QCheckBox* move = d.Find<QCheckBox>("check_move");
    EXPECT_TRUE(noise->isChecked());
    move->click();
    EXPECT_EQ(s.noise_mode, 2);
    noise->click();
    EXPECT_EQ(s.noise_mode, 0);
    EXPECT_FALSE(move->isChecked());
    d.Type("edit_noise_level", "300", false);
    d.Press(QDialogButtonBox::Ok);
    EXPECT_EQ(s.noise_level, 255);
}

TEST(CompositeDialogs, DroppedFilesFillTheListUpToSixteen) {
    Open d("COMPOMUL", {});
    QListWidget* list = d.Find<QListWidget>("list_files");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(), msg::kDropFilesHere);
    auto drop = [&](int n) {
        QMimeData mime;
        QList<QUrl> urls;
        for (int i = 0; i < n; ++i)
            urls.push_back(QUrl::fromLocalFile(QString("/tmp/f%1.fits").arg(i)));
        mime.setUrls(urls);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        // Straight to the dialog's handler: outside a real drag, the application delivers a
        // drop only to the widget that took the drag's enter event.
        static_cast<QObject*>(d.dialog.get())->event(&event);
    };
    drop(10);
    EXPECT_EQ(list->count(), 10);
    auto* remove = d.Find<QPushButton>("button_delete");
    // The highlighted entries leave; the others stay in order.
    list->item(1)->setSelected(true);
    list->item(4)->setSelected(true);
    remove->click();
    const auto& files = d.settings.multi_file.files;
    ASSERT_EQ(files.size(), 8u);
    EXPECT_EQ(files[1], "/tmp/f2.fits");
    EXPECT_EQ(list->count(), 8);
    EXPECT_EQ(list->item(3)->text().toStdString(), "/tmp/f5.fits");
    // Nothing highlighted: the whole list goes, and the drop hint is back.
    list->clearSelection();
    remove->click();
    EXPECT_TRUE(files.empty());
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(), msg::kDropFilesHere);
}

// Lists from the settings, the command line's defaults, options into the settings, and shown
// again as stored.
TEST(CalibratedStackDialog, ListsAndOptionsEditTheSettings) {
    Open d("CALSTACK", {});
    CalibratedStackSettings& s = d.settings.calibrated;
    s.lights = {"/a/l1.fits", "/a/l2.fits"};
    s.darks = {"/a/d.fits"};
    d.Show("CALSTACK");
    EXPECT_EQ(d.Find<QListWidget>("list_lights")->count(), 2);
    EXPECT_EQ(d.Find<QListWidget>("list_darks")->item(0)->text(), "/a/d.fits");
    EXPECT_EQ(d.Find<QComboBox>("combo_rejection")->currentIndex(), 1);  // sigma
    auto* reg = d.Find<QComboBox>("combo_registration");
    auto* norm = d.Find<QComboBox>("combo_normalisation");
    auto* keep = d.Find<QSpinBox>("spin_keep_best");
    auto* fwhm = d.Find<QDoubleSpinBox>("spin_max_fwhm");
    auto* report = d.Find<QLineEdit>("edit_report");
    ASSERT_TRUE(reg && norm && keep && fwhm && report);
    // Additive with scaling, every light, no limit.
    EXPECT_EQ(norm->currentIndex(), 3);
    EXPECT_EQ(keep->text(), QString::fromUtf8("全て使用"));
    EXPECT_EQ(fwhm->text(), QString::fromUtf8("制限なし"));

    d.Click("button_clear_darks");
    EXPECT_TRUE(s.darks.empty());
    d.Find<QComboBox>("combo_rejection")->setCurrentIndex(2);
    d.Find<QDoubleSpinBox>("spin_kappa_high")->setValue(2.5);
    d.Click("check_weight_noise");
    reg->setCurrentIndex(1);
    norm->setCurrentIndex(1);
    keep->setValue(80);
    fwhm->setValue(4.2);
    report->setText(" /tmp/q.csv ");
    EXPECT_EQ(s.rejection, 2);
    EXPECT_EQ(s.kappa_high, 25);
    EXPECT_EQ(s.weight_noise, 1);
    EXPECT_EQ(s.register_stars, 0);
    EXPECT_EQ(s.normalisation, 1);
    EXPECT_EQ(s.keep_best, 80);
    EXPECT_EQ(s.max_fwhm, 42);
    EXPECT_EQ(s.report, "/tmp/q.csv");
    d.Show("CALSTACK");
    EXPECT_EQ(d.Find<QComboBox>("combo_registration")->currentIndex(), 1);
    EXPECT_EQ(d.Find<QSpinBox>("spin_keep_best")->value(), 80);
    EXPECT_DOUBLE_EQ(d.Find<QDoubleSpinBox>("spin_max_fwhm")->value(), 4.2);
}

int CountListed(QListWidget* list, bool accepted) {
    int n = 0;
    for (int i = 0; i < list->count(); ++i)
        n += list->item(i)->data(Qt::UserRole).toBool() == accepted ? 1 : 0;
    return n;
}

// Lights copied in while it runs are listed accepted or rejected, the stack shows in one image
// slot, and 保存 writes it after the session stopped.
TEST(LiveStackDialog, StacksLightsLandingInTheFolderShowsThemAndSavesTheStack) {
    testing::TempDir watch, outdir;
    Open o("LIVESTACK", {});
    o.Type("edit_folder", watch.dir().c_str());
    o.Type("edit_bias", "");
    o.Type("edit_dark", "");
    o.Type("edit_flat", "");
    auto* list = o.Find<QListWidget>("list_frames");
    auto* save = o.Find<QPushButton>("button_save");
    EXPECT_FALSE(save->isEnabled());
    o.Click("button_start");
    EXPECT_FALSE(o.Find<QPushButton>("button_start")->isEnabled());

    testing::WriteLight(watch, "a0.fits", 0, 0, true, 1);
    testing::WriteLight(watch, "a1.fits", 0, 0, false, 2);  // no stars
    testing::WriteLight(watch, "a2.fits", 1, -1, true, 3);
    QTRY_COMPARE_WITH_TIMEOUT(list->count(), 3, 20000);
    EXPECT_EQ(CountListed(list, true), 2);
    EXPECT_EQ(CountListed(list, false), 1);
    EXPECT_EQ(list->item(1)->text(), QString::fromUtf8("a1.fits: 不採用（星が見つかりません）"));

    QTRY_VERIFY_WITH_TIMEOUT(o.ctx.ws.Current() != nullptr, 5000);
    const ImageRecord& rec = *o.ctx.ws.Current();
    EXPECT_EQ(rec.width, testing::kW);
    EXPECT_EQ(rec.height, testing::kH);
    EXPECT_EQ(rec.name, "ライブスタック 2枚");
    EXPECT_EQ(o.ctx.view.auto_stretch, 1);

    o.Click("button_stop");
    EXPECT_TRUE(o.Find<QPushButton>("button_start")->isEnabled());
    EXPECT_FALSE(o.Find<QPushButton>("button_stop")->isEnabled());
    ASSERT_TRUE(save->isEnabled());
    const std::string saved = outdir.Path("live.fits");
    o.h.ui.save_results.push_back(FileDialogResult{saved, 1});
    o.Click("button_save");
    LinearImage img;
    ASSERT_TRUE(DecodeFitsLinear(testing::ReadAll(saved), img).ok());
    double n = 0;
    EXPECT_TRUE(CardNumber(img.cards, "NCOMBINE", n));
    EXPECT_EQ(n, 2);
    EXPECT_EQ(img.width, testing::kW);
}

// While a command of the main window runs (busy cursor) the slots are left alone; the newest
// stack shows once it ends.
TEST(LiveStackDialog, WaitsForTheMainWindowsCommandBeforeTouchingTheSlots) {
    testing::TempDir watch;
    Open o("LIVESTACK", {});
    for (const char* master : {"edit_bias", "edit_dark", "edit_flat"}) o.Type(master, "");
    o.Type("edit_folder", watch.dir().c_str());
    o.Click("button_start");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    testing::WriteLight(watch, "b0.fits", 0, 0, true, 1);
    QTRY_COMPARE_WITH_TIMEOUT(o.Find<QListWidget>("list_frames")->count(), 1, 20000);
    QTest::qWait(600);
    EXPECT_EQ(o.ctx.ws.Current(), nullptr);
    QApplication::restoreOverrideCursor();
    QTRY_VERIFY_WITH_TIMEOUT(o.ctx.ws.Current() != nullptr, 5000);
    EXPECT_EQ(o.ctx.ws.Current()->name, "ライブスタック 1枚");
    o.Click("button_stop");
}

// The window opens beside the main window, not modal, once however often it is asked for, and
// goes when closed.
TEST(LiveStackDialog, OpensBesideTheMainWindowOnce) {
    QWidget owner;
    QtUi ui(&owner);
    testing::Harness h;
    ui.ShowWindow(DialogId::LiveStack, *h.ctx);
    ui.ShowWindow(DialogId::LiveStack, *h.ctx);
    const auto windows = owner.findChildren<QDialog*>();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(windows[0]->isVisible());
    EXPECT_FALSE(windows[0]->isModal());
    Child<QAbstractButton>(windows[0], "button_close")->click();
    QTRY_VERIFY(owner.findChildren<QDialog*>().isEmpty());
}

TEST(LiveStackDialog, AFolderThatIsNotThereIsReportedAndNothingStarts) {
    testing::TempDir dir;
    Open o("LIVESTACK", {});
    o.Type("edit_folder", dir.Path("none").c_str());
    o.Click("button_start");
    ASSERT_EQ(o.h.ui.boxes.size(), 1u);
    EXPECT_NE(o.h.ui.boxes[0].text.find("フォルダがありません"), std::string::npos);
    EXPECT_TRUE(o.Find<QPushButton>("button_start")->isEnabled());
}

}  // namespace
}  // namespace orva::gui
