#include "shell/commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::Sample;
using testing::TempDir;

uint16_t Ramp(int c, int x, int y) {
    return static_cast<uint16_t>((c * 50 + x * 7 + y * 3) << 8);
}

std::string WriteTestBmp(const TempDir& dir, const std::string& name) {
    auto ws = std::make_unique<Workspace>();
    const ImageRecord& r = MakeImage(*ws, 0, 5, 3, Ramp);
    const std::string path = dir.Path(name);
    EXPECT_TRUE(WriteImageFile(path, kFormatBmp, r).ok());
    return path;
}

FileDialogResult Chosen(const std::string& path, int index = 1) {
    return {path, index};
}

TEST(FileCommands, EveryFileHighlightedInTheOpenDialogOpensIntoTheLowestFreeSlots) {
    Harness h;
    TempDir dir;
    const std::string a = WriteTestBmp(dir, "a.bmp"), b = WriteTestBmp(dir, "b.bmp");
    MakeImage(h.ctx->ws, 1, 2, 2, Ramp);
    FileDialogResult chosen = Chosen(a);
    chosen.paths = {a, dir.Path("notes.dat"), b};
    h.ui.open_results.push_back(chosen);
    ExecuteCommand(*h.ctx, kCmdOpen);
    ASSERT_EQ(h.ui.open_requests.size(), 1u);
    EXPECT_TRUE(h.ui.open_requests[0].several);
    EXPECT_EQ(h.ui.open_requests[0].title, "LOAD");
    // Each single-format filter shows the files its label names; indices stay 1..10.
    const auto& filters = h.ui.open_requests[0].filters;
    ASSERT_EQ(filters.size(), 11u);
    EXPECT_EQ(filters[5].pattern, "*.PGM");
    for (const auto& f : filters)
        EXPECT_TRUE(f.label.rfind("*.", 0) != 0 || f.pattern.find(f.label) != std::string::npos)
            << f.label;
    // Lowest free slots in order; the unknown one is reported and the rest still open.
    const ImageRecord& first = h.ctx->ws.at(0);
    EXPECT_EQ(first.name, a);
    EXPECT_EQ(first.changed, 0);
    EXPECT_EQ(Sample(first, 1, 4, 2), Ramp(1, 4, 2));
    EXPECT_EQ(h.ctx->ws.at(2).name, b);
    EXPECT_EQ(h.ctx->ws.current, 2);
    EXPECT_EQ(h.ui.Texts("Error !").size(), 1u);
    EXPECT_EQ(h.ui.busy_depth, 0);
}

// What each command can do decides whether it is offered.
TEST(CommandStates, CommandsAreOfferedOnlyWhenTheyCanAct) {
    struct Case {
        int id;
        bool no_image, with_image, while_batch;
    };
    const Case cases[] = {
        {kCmdSharpen, false, true, true},      {kCmdGamma, false, true, true},
        {kCmdSampleCentre, false, true, true}, {kCmdSampleEdge, false, true, true},
        {kCmdSave, false, true, true},         {kCmdOpen, true, true, true},
        {kCmdBatchStart, true, true, false},   {kCmdBatchStop, false, false, true},
        {kCmdAutoStretch, true, true, true},   {kCmdUndo, false, false, false},
        {kCmdRedo, false, false, false},
    };
    Harness h;
    AppContext& ctx = *h.ctx;
    for (const Case& c : cases) EXPECT_EQ(CommandEnabled(ctx, c.id), c.no_image) << c.id;
    MakeImage(ctx.ws, 0, 4, 3, Ramp);
    ctx.ws.current = 0;
    for (const Case& c : cases) EXPECT_EQ(CommandEnabled(ctx, c.id), c.with_image) << c.id;
    ctx.batch.mode = 1;
    for (const Case& c : cases) EXPECT_EQ(CommandEnabled(ctx, c.id), c.while_batch) << c.id;
    // The stretch is a switch: its state is what the menu's check mark shows.
    EXPECT_EQ(CommandChecked(ctx, kCmdAutoStretch), std::optional<bool>(false));
    ExecuteCommand(ctx, kCmdAutoStretch);
    EXPECT_EQ(CommandChecked(ctx, kCmdAutoStretch), std::optional<bool>(true));
    EXPECT_EQ(CommandChecked(ctx, kCmdSharpen), std::nullopt);
}

TEST(FileCommands, OpenFailuresTellTheUserAndLeaveTheSlotFreeOrNeedOne) {
    Harness h;
    TempDir dir;
    // Unknown ending.
    h.ui.open_results.push_back(Chosen(dir.Path("notes.dat")));
    ExecuteCommand(*h.ctx, 101);
    ASSERT_EQ(h.ui.Texts("Error !").size(), 1u);
    EXPECT_EQ(h.ui.Texts("Error !")[0],
              dir.Path("notes.dat") + " : ORVA not support this format !");
    EXPECT_EQ(h.ui.boxes[0].icon, Icon::Question);
    // A damaged file: a message, the slot stays free and the current slot does not move.
    std::ofstream(dir.Path("bad.bmp")) << "BM but nothing else";
    h.ui.open_results.push_back(Chosen(dir.Path("bad.bmp")));
    ExecuteCommand(*h.ctx, 101);
    EXPECT_EQ(h.ui.Texts("Error !").size(), 2u);
    EXPECT_FALSE(h.ctx->ws.at(0).occupied());
    EXPECT_EQ(h.ctx->ws.current, -1);
    // Cancelled dialog: nothing at all.
    h.ui.open_results.push_back(std::nullopt);
    ExecuteCommand(*h.ctx, 101);
    EXPECT_EQ(h.ui.boxes.size(), 2u);
    // Every slot taken: said before the dialog.
    for (int s = 0; s < kSlotCount; ++s) MakeImage(h.ctx->ws, s, 1, 1, Ramp);
    ExecuteCommand(*h.ctx, 101);
    EXPECT_EQ(h.ui.Texts("Error !").back(), "これ以上、画像を開けません！");
    EXPECT_EQ(h.ui.open_requests.size(), 3u);

    Harness low;
    low.ctx->ws.available_memory = [] { return uint64_t{1000}; };
    ExecuteCommand(*low.ctx, 101);
    EXPECT_EQ(low.ui.Texts("Error !"), std::vector<std::string>{"メモリ不足で画像を開けません！"});
}

TEST(FileCommands, TheChosenFilterDecidesTheWriterOfANameWithoutExtension) {
    struct Case {
        const char* loaded;  // the image's name, in the test folder
        int filter;          // 1-based save filter chosen
        const char* typed;   // name given back by the dialog
        const char* written;
        const char* magic;        // first bytes of the written file
        bool overwrite_asked;     // the written file existed before
        const char* not_written;  // what an earlier build wrote instead, if anything
    };
    const Case cases[] = {
        // A FITS picture saved as PNG under a bare name.
        {"starfield.fits", kFilterPng, "rotated", "rotated.PNG", "\x89PNG", false, "rotated.FIT"},
        // Accepting the proposed name: the image's own extension when the filter lists it.
        {"dark.fits", kFilterFits, "dark", "dark.fits", "SIMPLE", true, "dark.FIT"},
        {"m42.ppm", kFilterTiff, "m42", "m42.TIF", "II", false, nullptr},
        // A typed known extension still decides by itself.
        {"moon.bmp", kFilterPng, "moon.tif", "moon.tif", "II", false, nullptr},
        // An unknown or unwritable ending gets the filter's extension appended.
        {"frame.fits", kFilterBmp, "x.nef", "x.nef.BMP", "BM", false, "x.nef"},
        // A name that merely ends in a format's letters has no extension.
        {"snap.bmp", kFilterPng, "snappng", "snappng.PNG", "\x89PNG", false, "snappng"},
        {"m42.png", kFilterFits, "rot1fits", "rot1fits.FIT", "SIMPLE", false, "rot1fits"},
        {"m42.bmp", kFilterPng, "v1.snappng", "v1.snappng.PNG", "\x89PNG", false, nullptr},
        {"m42.bmp", kFilterBmp, "x.png", "x.png", "\x89PNG", false, "x.png.BMP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        Harness h;
        TempDir dir;
        MakeImage(h.ctx->ws, 0, 3, 2, Ramp, dir.Path(c.loaded)).changed = 1;
        if (c.overwrite_asked) std::ofstream(dir.Path(c.written)) << "old";
        h.ui.save_results.push_back(Chosen(dir.Path(c.typed), c.filter));
        h.ui.answers = {Answer::Ok};
        ExecuteCommand(*h.ctx, 102);
        EXPECT_EQ(h.ui.Texts("Caution !").size(), c.overwrite_asked ? 1u : 0u);
        std::ifstream in(dir.Path(c.written), std::ios::binary);
        std::string head(std::string_view(c.magic).size(), '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        EXPECT_EQ(head, c.magic);
        if (c.not_written != nullptr) {
            EXPECT_FALSE(std::filesystem::exists(dir.Path(c.not_written)));
        }
        EXPECT_EQ(h.ctx->ws.at(0).name, dir.Path(c.written));
        EXPECT_EQ(h.ctx->ws.at(0).changed, 0);
    }
}

// Saves slot 0, named `name`, with what the save dialog gives back; the dialog's request.
FileDialogRequest Save(Harness& h, const std::string& name,
                       std::optional<FileDialogResult> chosen) {
    h.ctx->ws.at(0).name = name;
    h.ui.save_results.push_back(std::move(chosen));
    ExecuteCommand(*h.ctx, 102);
    return h.ui.save_requests.back();
}

TEST(FileCommands, SaveProposalAndRememberedFilter) {
    Harness h;
    TempDir dir;
    MakeImage(h.ctx->ws, 0, 3, 2, Ramp);
    // The name's extension becomes the default one and picks the filter shown first.
    const FileDialogRequest first = Save(h, "/data/m42.ppm", std::nullopt);
    EXPECT_EQ(first.proposed_name, "/data/m42");
    EXPECT_EQ(first.filter_index, 6);
    EXPECT_EQ(first.title, "SAVE");
    EXPECT_EQ(first.filters[7].label, "FITS(16bit)");
    // The FITS save filter shows the same files as the open filter's FITS entry.
    EXPECT_EQ(first.filters[7].pattern, "*.FIT;*.FTS;*.FITS");
    // A dot only in a folder name: the whole name is proposed, the default stays.
    const FileDialogRequest dotted =
        Save(h, "/data/v1.2/image", Chosen(dir.Path("x.ppm"), 7));  // "PPM(48bit,ASCII)"
    EXPECT_EQ(dotted.proposed_name, "/data/v1.2/image");
    EXPECT_EQ(dotted.default_extension, ".ppm");
    EXPECT_EQ(testing::ReadAll(dir.Path("x.ppm"))[1], '3');  // P3
    EXPECT_EQ(h.ui.titles.back(), "0(" + dir.Path("x.ppm") + ") size:3x2 100%");
    // An extension that selects no filter shows the one chosen last.
    EXPECT_EQ(Save(h, "/data/frame.dat", std::nullopt).filter_index, 7);
    // FITS names select the FITS filter, which comes after the seven older ones.
    EXPECT_EQ(Save(h, "/data/frame.fits", std::nullopt).filter_index, 8);
}

TEST(FileCommands, SaveWithoutAWriterOrOverwriteDeclinedKeepsTheRecordChanged) {
    Harness h;
    TempDir dir;
    ImageRecord& r = MakeImage(h.ctx->ws, 0, 3, 2, Ramp);
    r.changed = 1;
    // GIF has no writer: refused, nothing written, the record still counts as changed.
    Save(h, "/data/orig.bmp", Chosen(dir.Path("x.gif")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("x.gif")));
    ASSERT_FALSE(h.ui.Texts("Error !").empty());
    EXPECT_EQ(h.ui.Texts("Error !").back(),
              dir.Path("x.gif") + " : ORVA not support this format !");
    EXPECT_EQ(r.name, "/data/orig.bmp");
    EXPECT_EQ(r.changed, 1);
    // Declining the overwrite question writes nothing.
    const std::string keep = dir.Path("keep.bmp");
    std::ofstream(keep) << "old";
    h.ui.answers.push_back(Answer::Cancel);
    Save(h, "/data/orig.bmp", Chosen(keep));
    EXPECT_EQ(h.ui.Texts("Caution !").back(),
              std::string("\"").append(keep).append("\" already exist.\n Do you overwrite file ?"));
    EXPECT_EQ(std::filesystem::file_size(keep), 3u);
    EXPECT_EQ(r.changed, 1);
    // A folder that does not exist: reported, nothing changes.
    Save(h, "/data/orig.bmp", Chosen(dir.Path("no/such/dir/x.bmp")));
    EXPECT_EQ(r.changed, 1);
    EXPECT_NE(h.ui.Texts("Error !").back().find("保存できませんでした"), std::string::npos);
}

TEST(FileCommands, BatchDropsTakeTheFirstSixteenOrRunOneByOneUntilStepEnd) {
    TempDir dir;
    const std::string a = WriteTestBmp(dir, "a.bmp");
    Harness h;
    int runs = 0, count = 0;
    h.ctx->batch.mode = 2;
    h.ctx->batch.run = [&](AppContext&, int n, const std::string&) {
        ++runs;
        count = n;
    };
    DropFiles(*h.ctx, std::vector<std::string>(20, a));
    EXPECT_EQ(h.ui.Texts("Error !").size(), 1u);
    EXPECT_EQ(std::pair(runs, count), std::pair(1, 16));
    EXPECT_EQ(h.ui.status_texts.front(), "＊＊＊　バッチ処理中　＊＊＊");
    EXPECT_EQ(h.ui.status_texts.back(),
              "バッチモード：ファイルをドラッグアンドドロップして下さい！");

    // One by one: the slots are emptied for each file, and a step End ends the batch.
    Harness one;
    MakeImage(one.ctx->ws, 5, 2, 2, Ramp);
    std::vector<int> occupied_at_run;
    one.ctx->batch.mode = 1;
    one.ctx->batch.steps[7].edited_code = kStepEnd;
    one.ctx->batch.run = [&](AppContext& c, int, const std::string&) {
        int n = 0;
        for (const auto& r : c.ws.slots) n += r.occupied() ? 1 : 0;
        occupied_at_run.push_back(n);
    };
    DropFiles(*one.ctx, {a, a, a});
    EXPECT_EQ(occupied_at_run, std::vector<int>{1});  // only the first file ran
    EXPECT_EQ(one.ctx->batch.mode, 0);
    EXPECT_TRUE(one.ctx->ws.at(2).occupied());  // the later files are merely opened
}

TEST(SlotCommands, CopyIsUnnamedAndChangedOnlyWhenItsSourceWas) {
    struct Case {
        int source_changed;
        int copy_changed;
        std::size_t asked_on_quit;  // save prompts when the application closes
    };
    // A copy of a saved picture duplicates its file; a copy of unsaved changes exists
    // nowhere else, so quitting asks about it (and about its source).
    for (const Case c : {Case{0, 0, 0}, Case{1, 1, 2}}) {
        Harness h;
        MakeImage(h.ctx->ws, 0, 3, 2, Ramp, "/p/a.bmp").changed = c.source_changed;
        HandleKey(*h.ctx, Key::Insert);
        EXPECT_EQ(h.ctx->ws.current, 1);
        const ImageRecord& copy = h.ctx->ws.at(1);
        EXPECT_TRUE(copy.name.empty());
        EXPECT_EQ(copy.changed, c.copy_changed);
        EXPECT_EQ(copy.refresh, 1) << "its statistics are computed at the next paint";
        EXPECT_EQ(Sample(copy, 2, 2, 1), Ramp(2, 2, 1));
        EXPECT_EQ(WindowTitle(*h.ctx), "1() size:3x2 100%");
        h.ui.answers.assign(c.asked_on_quit, Answer::No);
        EXPECT_TRUE(RequestApplicationClose(*h.ctx));
        EXPECT_EQ(h.ui.Texts("Save or not !").size(), c.asked_on_quit);
    }
}

TEST(SlotCommands, CloseAskingYesNoCancel) {
    Harness h;
    TempDir dir;
    MakeImage(h.ctx->ws, 0, 3, 2, Ramp, "/p/a.bmp").changed = 1;
    MakeImage(h.ctx->ws, 1, 3, 2, Ramp, "/p/b.bmp").changed = 1;
    MakeImage(h.ctx->ws, 4, 3, 2, Ramp, "/p/c.bmp");
    // Closing the application: No to the first, Cancel to the second keeps everything.
    h.ui.answers = {Answer::No, Answer::Cancel};
    EXPECT_FALSE(RequestApplicationClose(*h.ctx));
    ASSERT_EQ(h.ui.Texts("Save or not !").size(), 2u);
    EXPECT_EQ(h.ui.Texts("Save or not !")[0], "Image No.0(/p/a.bmp) is changed !\nDo you save ?");
    EXPECT_EQ(h.ui.boxes[0].buttons, Buttons::YesNoCancel);
    EXPECT_TRUE(h.ctx->ws.at(0).occupied() && h.ctx->ws.at(1).occupied());
    EXPECT_EQ(h.ctx->ws.current, 1);
    // Yes, then a cancelled save dialog: the image stays open rather than being lost.
    h.ui.answers = {Answer::Yes};
    h.ui.save_results.push_back(std::nullopt);
    EXPECT_FALSE(CloseSlotAsking(*h.ctx, 0));
    EXPECT_TRUE(h.ctx->ws.at(0).occupied());
    // Yes and a save: written, then closed.
    h.ui.answers = {Answer::Yes};
    h.ui.save_results.push_back(Chosen(dir.Path("a.bmp")));
    EXPECT_TRUE(CloseSlotAsking(*h.ctx, 0));
    EXPECT_TRUE(std::filesystem::exists(dir.Path("a.bmp")));
    EXPECT_FALSE(h.ctx->ws.at(0).occupied());
    // Close (104) on the current slot moves to the highest occupied one.
    h.ctx->ws.current = 1;
    h.ui.answers = {Answer::No};
    ExecuteCommand(*h.ctx, 104);
    EXPECT_EQ(h.ctx->ws.current, 4);
    // Close all ends on slot 0.
    ExecuteCommand(*h.ctx, 105);
    EXPECT_EQ(h.ctx->ws.current, 0);
    for (const auto& r : h.ctx->ws.slots) EXPECT_FALSE(r.occupied());
}

TEST(SlotCommands, PointKeysAndReport) {
    Harness h;
    ImageRecord& r = MakeImage(h.ctx->ws, 0, 20, 10, [](int c, int x, int y) {
        return static_cast<uint16_t>(c == 0 ? 0x1280 : c == 1 ? x * 1000 + y : 65535);
    });
    // No points yet.
    ExecuteCommand(*h.ctx, 412);
    EXPECT_EQ(h.ui.Texts("Message !").back(),
              "AキーとBキーで座標を指定してから\nこのメニューを選んで下さい！");
    h.ctx->shell.mouse_x = 3;
    h.ctx->shell.mouse_y = 2;  // picture row 2 = memory row 7
    HandleKey(*h.ctx, Key::A);
    EXPECT_EQ(std::pair(r.point_a_x, r.point_a_y), std::pair(3, 7));
    ExecuteCommand(*h.ctx, 412);
    EXPECT_EQ(h.ui.Texts("Message !").back(), "Point A ( 3 , 2 )\n    R:18.5 G:11.7 B:255.9");
    h.ctx->shell.mouse_x = 500;  // clamped into the image
    h.ctx->shell.mouse_y = 6;
    HandleKey(*h.ctx, Key::B);
    EXPECT_EQ(r.point_b_x, 19);
    h.ctx->settings.display.readout_divisor = 16;
    ExecuteCommand(*h.ctx, 412);
    EXPECT_EQ(h.ui.Texts("Message !").back(),
              "Point A ( 3 , 2 )\n    R:296 G:187 B:4095\n\nPoint B ( 19 , 6 )\n"
              "    R:296 G:1187 B:4095\n\nA - B 座標の差( 16 , 4 )\n      距離 16");
    HandleKey(*h.ctx, Key::C);
    EXPECT_EQ(std::pair(r.point_a_x, r.point_b_y), std::pair(-1, -1));
}

TEST(SlotCommands, ToolbarCellsAndAllImagesToggle) {
    Harness h;
    for (int s : {2, 9}) MakeImage(h.ctx->ws, s, 2, 2, Ramp);
    h.ctx->ws.current = 9;
    HandleToolbarClick(*h.ctx, 400, 5);  // cell 16, upper half: next slot, wrapping
    EXPECT_EQ(h.ctx->ws.current, 2);
    HandleToolbarClick(*h.ctx, 400, 20);  // lower half
    EXPECT_EQ(h.ctx->ws.current, 9);
    h.ctx->ws.at(9).zoom = 300;
    HandleToolbarClick(*h.ctx, 17 * 24, 3);
    EXPECT_EQ(h.ctx->shell.all_images, 1);
    EXPECT_EQ(h.ctx->ws.at(2).zoom, 300);  // command 200 copies the zoom
    HandleToolbarClick(*h.ctx, 19 * 24 + 5, 3);
    EXPECT_EQ(h.ctx->shell.all_images, 0);
    HandleToolbarClick(*h.ctx, 20 * 24, 3);  // beyond the strip: nothing
    EXPECT_TRUE(h.ui.boxes.empty());
}

TEST(ShellCommands, UndoAndRedoAreOfferedOnlyWithAStepToTakeBackOrBringBack) {
    struct Case {
        int all_images;
        int current_undo, current_redo;  // flags of the current image (slot 0)
        int other_undo, other_redo;      // flags of another open image (slot 3)
        bool undo, redo;                 // enabled
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, false, false},  // just loaded
        {0, 1, 0, 0, 0, true, false},   // after an operation
        {0, 0, 1, 0, 0, false, true},   // after an undo
        {0, 0, 0, 1, 1, false, false},  // only another image has steps
        {1, 0, 0, 1, 0, true, false},   // ... which all-images mode would take back
    };
    for (const Case& c : cases) {
        Harness h;
        ImageRecord& cur = MakeImage(h.ctx->ws, 0, 3, 2, Ramp);
        ImageRecord& other = MakeImage(h.ctx->ws, 3, 3, 2, Ramp);
        h.ctx->ws.current = 0;
        h.ctx->shell.all_images = c.all_images;
        cur.undo_available = c.current_undo;
        cur.redo_available = c.current_redo;
        other.undo_available = c.other_undo;
        other.redo_available = c.other_redo;
        EXPECT_EQ(CommandEnabled(*h.ctx, 201), c.undo) << &c - cases;
        EXPECT_EQ(CommandEnabled(*h.ctx, 202), c.redo) << &c - cases;
    }
}

TEST(ShellCommands, HelpVersionSettingsAndBatchStart) {
    Harness h;
    TempDir dir;
    h.ui.documents_open = false;
    ExecuteCommand(*h.ctx, 501);
    EXPECT_EQ(h.ui.documents.back(), "help.htm");
    // A page that could not be shown is an error, not an about box.
    EXPECT_EQ(h.ui.boxes.back().title, "Error !");
    EXPECT_EQ(h.ui.boxes.back().text,
              "ファイルを表示できませんでした。\nORVAをインストールしたフォルダの\"help."
              "htm\"をご覧下さい。");
    ExecuteCommand(*h.ctx, 502);
    EXPECT_EQ(h.ui.boxes.back().text.substr(0, 13), "ORVA Ver.5.90");

    // Save settings: ".ovg" appended to a name ending in .txt, kept on .OVG.
    h.ctx->settings.sharpen.radius = 7;
    for (const auto& [typed, written] :
         {std::pair("my.txt", "my.txt.ovg"), std::pair("B.OVG", "B.OVG")}) {
        h.ui.save_results.push_back(Chosen(dir.Path(typed)));
        ExecuteCommand(*h.ctx, 134);
        EXPECT_TRUE(std::filesystem::exists(dir.Path(written))) << written;
    }
    // Initialise (declined, then accepted), then load back.
    h.ui.answers = {Answer::Cancel, Answer::Ok};
    ExecuteCommand(*h.ctx, 133);
    EXPECT_EQ(h.ctx->settings.sharpen.radius, 7);
    ExecuteCommand(*h.ctx, 133);
    EXPECT_EQ(h.ctx->settings.sharpen.radius, 1);
    h.ui.open_results.push_back(Chosen(dir.Path("B.OVG")));
    ExecuteCommand(*h.ctx, 135);
    EXPECT_EQ(h.ctx->settings.sharpen.radius, 7);
    // A cancelled dialog and a file that is not a settings file: reported, nothing changes.
    const Settings before = h.ctx->settings;
    std::ofstream(dir.Path("x.png"), std::ios::binary) << std::string("\x89PNG\r\n\x1a\n\0\0", 10);
    h.ui.open_results = {std::nullopt, Chosen(dir.Path("x.png"))};
    ExecuteCommand(*h.ctx, 135);
    ExecuteCommand(*h.ctx, 135);
    const auto errors = h.ui.Texts("Error !");  // the help page's, then these two
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[1], "Error:設定を読み込めませんでした！");
    EXPECT_EQ(errors[2], errors[1]);
    EXPECT_EQ(h.ctx->settings, before);

    // Batch start without a sequence.
    ExecuteCommand(*h.ctx, 802);
    EXPECT_EQ(h.ui.Texts("Error !").back(), "バッチ処理の設定が行われていません！");
    EXPECT_EQ(h.ctx->batch.mode, 0);
}

TEST(StartUp, ReadsTheSettingsFileOfTheCurrentFolderAndOpensTheNamedFiles) {
    Harness h;
    TempDir dir;
    const std::string a = WriteTestBmp(dir, "a.bmp");
    {
        std::ofstream ovg(dir.Path("orva.ovg"));
        ovg << "SHARP\n3\n2560 10 10\n";
        std::ofstream(dir.Path("b.nef")) << "raw";
    }
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path(dir.dir());
    h.ctx->settings.edge.range = 1;  // start-up resets everything first
    StartUp(*h.ctx, {a, dir.Path("b.nef")});
    std::filesystem::current_path(saved);
    EXPECT_EQ(h.ctx->settings.sharpen.radius, 3);
    EXPECT_EQ(h.ctx->settings.edge.range, Settings{}.edge.range);
    EXPECT_EQ(h.ctx->ws.current, 0);
    EXPECT_EQ(h.ctx->ws.at(0).name, a);
    // Three bytes are no camera raw file: the load fails with its reason, the slot stays free.
    const auto errors = h.ui.Texts("Error !");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(
        errors[0].rfind("Error:画像ファイルを読み込めませんでした！\n" + dir.Path("b.nef"), 0), 0u);
    EXPECT_FALSE(h.ctx->ws.at(1).occupied());
    EXPECT_EQ(h.ctx->shell.folder, dir.dir() + "/");
    EXPECT_EQ(SplitCommandLine("\"C:/my pics/a.bmp\" b.ppm"),
              (std::vector<std::string>{"C:/my pics/a.bmp", "b.ppm"}));
    EXPECT_TRUE(SplitCommandLine("").empty());
}

}  // namespace
}  // namespace orva
