// The main window and the Qt port's boxes, file dialogs and documents; then the desktop in its
// two languages: English shows no Japanese anywhere the user looks, and Japanese, the default,
// shows the texts it always showed.
#include "main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QXmlStreamReader>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include "common/translate.h"
#include "dialogs/dialogs.h"
#include "histogram_window.h"
#include "imageio/formats.h"
#include "language.h"
#include "menus.h"
#include "qt_ui.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "support/scripted_ui.h"
#include "toolbar_strip.h"
#include "view/toolbar.h"

namespace orva::gui {
namespace {

using orva::testing::Harness;
using orva::testing::MakeImage;
using orva::testing::ScriptedUi;
using orva::testing::TempDir;

uint16_t Flat(int, int, int) {
    return 0x4000;
}

// A main window whose boxes and dialogs are answered by a script.
struct Window {
    ScriptedUi ui;
    MainWindow w;
    explicit Window(const std::vector<std::string>& files = {}) : w(files, nullptr, &ui) {
        // Closing a window in one test must not end the application for the next ones.
        QApplication::setQuitOnLastWindowClosed(false);
        w.context().ws.available_memory = [] { return uint64_t{1} << 40; };
    }
    AppContext& ctx() { return w.context(); }
};

QAction* CommandAction(MainWindow& w, int id) {
    for (QAction* a : w.commandActions())
        if (a->data().toInt() == id) return a;
    return nullptr;
}

// An access key chooses one entry: within each menu no two entries share one.
// In both languages.
TEST(MainWindowMenu, AccessKeysAreUniqueWithinEachMenu) {
    for (const Language language : {Language::English, Language::Japanese}) {
        InstallLanguage(language);
        Window win;
        std::vector<QMenu*> menus;
        std::map<QString, QString> bar_keys;
        for (QAction* top : win.w.menuBar()->actions()) {
            const QString key = QKeySequence::mnemonic(top->text()).toString();
            if (!key.isEmpty()) {
                EXPECT_EQ(bar_keys.count(key), 0u) << key.toStdString();
                bar_keys[key] = top->text();
            }
            if (top->menu() != nullptr) menus.push_back(top->menu());
        }
        ASSERT_FALSE(menus.empty());
        for (QMenu* m : menus) {
            std::map<QString, QString> keys;
            for (QAction* a : m->actions()) {
                const QString key = QKeySequence::mnemonic(a->text()).toString();
                if (key.isEmpty()) continue;
                EXPECT_EQ(keys.count(key), 0u)
                    << m->title().toStdString() << ": " << a->text().toStdString() << " and "
                    << keys[key].toStdString();
                keys[key] = a->text();
            }
        }
    }
}

// Enabled states follow the commands before a menu opens and after commands; the auto stretch
// shows its check mark and the title says that it is on.
TEST(MainWindowMenu, EnabledStatesAndCheckMarksFollowTheCommands) {
    Window win;
    for (QAction* a : win.w.commandActions())
        EXPECT_EQ(a->isEnabled(), CommandEnabled(win.ctx(), a->data().toInt()))
            << a->text().toStdString();

    MakeImage(win.ctx().ws, 0, 4, 3, Flat, "/tmp/a.bmp");
    win.ctx().ws.current = 0;
    // The file menu settles its entries as it opens.
    QMenu* file = win.w.menuBar()->actions().front()->menu();
    ASSERT_NE(file, nullptr);
    Q_EMIT file->aboutToShow();
    EXPECT_TRUE(CommandAction(win.w, 102)->isEnabled());

    QAction* stretch = CommandAction(win.w, kCmdAutoStretch);
    ASSERT_NE(stretch, nullptr);
    win.w.refresh();
    EXPECT_FALSE(stretch->isChecked());
    EXPECT_FALSE(win.w.windowTitle().contains(QString::fromUtf8(msg::kAutoStretchMark)));
    stretch->trigger();
    EXPECT_TRUE(stretch->isChecked());
    EXPECT_TRUE(win.w.windowTitle().endsWith(QString::fromUtf8(msg::kAutoStretchMark)));
    // The T key turns it off again; only the display changed, not the picture.
    QTest::keyClick(&win.w, Qt::Key_T);
    EXPECT_FALSE(stretch->isChecked());
    EXPECT_EQ(win.ctx().ws.at(0).changed, 0);

    win.w.runCommand(104);
    EXPECT_FALSE(win.ctx().ws.at(0).occupied());
    EXPECT_FALSE(CommandAction(win.w, 102)->isEnabled());
}

TEST(MainWindowKeys, QtKeysMapToTheCommandKeys) {
    EXPECT_EQ(KeyFromQt(Qt::Key_Up, Qt::KeypadModifier), Key::Up);
    EXPECT_EQ(KeyFromQt(Qt::Key_8, Qt::NoModifier), Key::Digit8);
    EXPECT_EQ(KeyFromQt(Qt::Key_S, Qt::ShiftModifier), Key::S);
    // Keypad digits are other keys; Alt belongs to the menu mnemonics.
    EXPECT_FALSE(KeyFromQt(Qt::Key_8, Qt::KeypadModifier));
    EXPECT_FALSE(KeyFromQt(Qt::Key_A, Qt::AltModifier));
    EXPECT_FALSE(KeyFromQt(Qt::Key_D, Qt::NoModifier));
    EXPECT_FALSE(KeyFromQt(Qt::Key_F1, Qt::NoModifier));
}

TEST(MainWindowKeys, AKeyWhosePressWentToAMenuDoesNotActOnItsRelease) {
    Window win;
    ImageRecord& rec = MakeImage(win.ctx().ws, 0, 40, 30, Flat, "/tmp/p.bmp");
    MakeImage(win.ctx().ws, 1, 4, 3, Flat);
    win.ctx().ws.current = 0;
    win.ctx().shell.mouse_x = 10;
    win.ctx().shell.mouse_y = 6;
    // Alt+V, then O chose "縮小表示(&O)" in the open menu, Alt+E then A "領域コピー(&A)": the
    // menu took the presses, only the releases reach the window.
    for (const Qt::Key key : {Qt::Key_O, Qt::Key_S, Qt::Key_A, Qt::Key_Up, Qt::Key_Insert}) {
        QTest::keyRelease(&win.w, key);
    }
    EXPECT_TRUE(win.ui.open_requests.empty()) << "O did not open the LOAD dialog";
    EXPECT_TRUE(win.ui.save_requests.empty());
    EXPECT_EQ(rec.point_a_x, -1) << "A did not set point A";
    EXPECT_EQ(win.ctx().ws.current, 0);
    EXPECT_FALSE(win.ctx().ws.at(2).occupied()) << "Insert did not copy";

    // Pressed and released over the window, the same keys are commands, acting on release.
    QTest::keyPress(&win.w, Qt::Key_A);
    EXPECT_EQ(rec.point_a_x, -1);
    QTest::keyRelease(&win.w, Qt::Key_A);
    EXPECT_EQ(rec.point_a_x, 10);
    QTest::keyClick(&win.w, Qt::Key_C);
    EXPECT_EQ(rec.point_a_x, -1);
    win.ui.open_results.push_back(std::nullopt);
    QTest::keyClick(&win.w, Qt::Key_O);
    EXPECT_EQ(win.ui.open_requests.size(), 1u);
    QTest::keyClick(&win.w, Qt::Key_Up);
    EXPECT_EQ(win.ctx().ws.current, 1);
}

// The cells' commands are pinned with the shell; here the strip's clicks must reach them.
TEST(MainWindowToolbar, AClickOnTheStripRunsItsCellAndRetitles) {
    Window win;
    MakeImage(win.ctx().ws, 1, 4, 3, Flat, "/tmp/one.bmp");
    MakeImage(win.ctx().ws, 3, 4, 3, Flat, "/tmp/three.bmp");
    win.ctx().ws.current = 3;
    win.w.show();
    QTest::mouseClick(win.w.toolbarStrip(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 5));
    EXPECT_EQ(win.ctx().ws.current, 1);
    EXPECT_EQ(win.w.windowTitle().toStdString(), "1(/tmp/one.bmp) size:4x3 100%");
}

// The questions and their order are pinned with the shell; a cancelled close keeps the window,
// and the exit command asks once and takes the histogram window with it.
TEST(MainWindowClose, CancelKeepsTheWindowAndExitClosesOnceWithTheHistogramWindow) {
    Window win;
    MakeImage(win.ctx().ws, 0, 4, 3, Flat, "/tmp/only.bmp").changed = 1;
    win.ctx().ws.current = 0;
    win.w.show();
    win.ui.answers = {Answer::Cancel};
    EXPECT_FALSE(win.w.close());
    EXPECT_EQ(win.ui.Texts(msg::kTitleSave).size(), 1u);
    EXPECT_TRUE(win.ctx().ws.at(0).occupied());
    EXPECT_TRUE(win.w.isVisible());

    win.ctx().ui.ShowInspectionWindow(1);
    ASSERT_NE(win.w.histogramWindow(), nullptr);
    EXPECT_TRUE(win.w.histogramWindow()->isVisible());
    EXPECT_TRUE(win.w.histogramWindow()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(win.w.histogramWindow()->focusPolicy(), Qt::NoFocus);

    win.ui.answers = {Answer::No};
    win.w.runCommand(121);
    EXPECT_EQ(win.ui.Texts(msg::kTitleSave).size(), 2u) << "asked once, not again on close";
    EXPECT_FALSE(win.w.isVisible());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(win.w.histogramWindow(), nullptr);
    EXPECT_EQ(win.ctx().view.histogram_open, 0);
}

// A 4 x 3 BMP file in `dir`.
std::string WriteTestBmp(const TempDir& dir, const std::string& name) {
    Workspace scratch;
    const ImageRecord& rec = MakeImage(scratch, 0, 4, 3, [](int c, int x, int y) {
        return static_cast<uint16_t>((c * 40 + x * 10 + y) << 8);
    });
    const std::string path = dir.Path(name);
    EXPECT_TRUE(WriteBmp(path, rec).ok());
    return path;
}

// Drags the file over the window and drops it there; true when both events were taken.
bool DropFile(MainWindow& w, const std::string& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

// Cancel at the batch start's save question: batch mode stays off, so the next drop opens
// the file beside the changed images, as the current one, instead of closing them unasked.
TEST(MainWindowFiles, ACancelledBatchStartKeepsEveryChangedImageAndADropOpensBesideThem) {
    TempDir dir;
    const std::string path = WriteTestBmp(dir, "dropped.bmp");
    Window win;
    MakeImage(win.ctx().ws, 0, 4, 3, Flat, "/tmp/first.bmp").changed = 1;
    MakeImage(win.ctx().ws, 1, 4, 3, Flat, "/tmp/second.bmp").changed = 1;
    win.ctx().ws.current = 1;
    win.ctx().batch.save_configured = 1;
    win.ctx().batch.steps[0].edited_code = 1;
    win.w.show();
    win.ui.answers = {Answer::No, Answer::Cancel};  // first image: don't save; second: cancel
    win.w.runCommand(802);
    EXPECT_EQ(win.ui.Texts(msg::kTitleSave).size(), 2u);
    EXPECT_EQ(win.ctx().batch.mode, 0);
    EXPECT_TRUE(win.ctx().ws.at(1).occupied());

    EXPECT_TRUE(DropFile(win.w, path));
    EXPECT_EQ(win.ctx().ws.at(1).name, "/tmp/second.bmp");
    EXPECT_EQ(win.ctx().ws.at(1).changed, 1);
    ASSERT_EQ(win.ctx().ws.current, 0);  // the first image, answered "don't save", was closed
    EXPECT_EQ(win.w.windowTitle().toStdString(), "0(" + path + ") size:4x3 100%");
    EXPECT_EQ(win.ui.boxes.size(), 2u) << "the drop asks and reports nothing";
}

TEST(QtUiBoxes, TextButtonsAndAnswers) {
    QWidget owner;
    const auto box =
        MakeMessageBox({"Save or not !", "a <b>", Buttons::YesNoCancel, Icon::Exclamation}, &owner);
    EXPECT_EQ(box->text().toStdString(), "a <b>");
    EXPECT_EQ(box->textFormat(), Qt::PlainText) << "texts are never markup";
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(AnswerOf(QMessageBox::Escape), Answer::Cancel);
}

// A question asked inside a busy command answers with the button pressed and shows the arrow
// while it waits.
TEST(QtUiBoxes, AskUserShowsTheArrowAndReturnsTheButtonPressed) {
    QWidget owner;
    QtUi ui(&owner);
    ui.SetBusy(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Qt::CursorShape while_asked = Qt::BlankCursor;
    int tries = 0;
    QTimer presser;
    // Presses "No" as soon as the box is up; gives up rather than wait for ever.
    QObject::connect(&presser, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr) {
            while_asked = QApplication::overrideCursor()->shape();
            box->button(QMessageBox::No)->click();
        } else if (++tries > 200) {
            presser.stop();
        }
    });
    presser.start(5);
    EXPECT_EQ(ui.AskUser({"Save or not !", "x", Buttons::YesNoCancel, Icon::Exclamation}),
              Answer::No);
    presser.stop();
    EXPECT_EQ(while_asked, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.SetBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtUiFileDialogs, FiltersBecomeQtFiltersWithBothCases) {
    const auto names = QtNameFilters(ParseFilterList(msg::kSaveFilter));
    ASSERT_EQ(names.size(), 8);
    EXPECT_EQ(names[0].toStdString(), "BMP(24bit) (*.BMP *.bmp)");
    const auto open = QtNameFilters(ParseFilterList(msg::kOpenFilter));
    EXPECT_EQ(open.back().toStdString(), "All (*.*)");
    EXPECT_EQ(open[3].toStdString(), "*.TIF (*.TIF *.tif *.TIFF *.tiff)");
    // FITS files are listed under every FITS ending, the same when saving as when opening.
    const auto patterns = [](const QString& filter) {
        QStringList p = filter.section('(', -1).chopped(1).split(' ');
        p.sort();
        return p;
    };
    EXPECT_EQ(patterns(names[7]), patterns(open[8]));
    // GIF files are read, so the open list offers them.
    EXPECT_TRUE(open[0].contains("*.GIF"));
    EXPECT_EQ(open[7].toStdString(), "*.GIF (*.GIF *.gif)");
    EXPECT_TRUE(patterns(names[7]).contains("*.fits"));
    EXPECT_TRUE(patterns(names[7]).contains("*.FTS"));
}

TEST(QtUiFileDialogs, SaveDialogShowsTheRequestAndReportsTheChoice) {
    TempDir dir;
    FileDialogRequest req;
    req.title = "SAVE";
    req.filters = ParseFilterList(msg::kSaveFilter);
    req.filter_index = 5;
    req.proposed_name = dir.Path("moon");
    req.default_extension = ".TIF";
    const auto dialog = MakeFileDialog(req, FileDialogKind::Save, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite))
        << "the command asks about an existing file itself";
    EXPECT_EQ(dialog->selectedNameFilter().toStdString(), "TIFF(48bit)") << "shown by its label";
    EXPECT_EQ(FileDialogChoice(*dialog, req).filter_index, 5);
    EXPECT_EQ(dialog->directory().absolutePath().toStdString(),
              std::filesystem::path(dir.dir()).lexically_normal().string());

    // The user turns to PNG in the dialog's own filter list, which reports the choice by its
    // label. The bare name comes back bare, with the filter: the command adds ".PNG", not
    // the ".TIF" of the filter shown first.
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(1);
    Q_EMIT types->activated(1);
    Q_EMIT types->textActivated(types->currentText());
    const FileDialogResult r = FileDialogChoice(*dialog, req);
    EXPECT_EQ(r.filter_index, 2);
    EXPECT_EQ(r.path, dir.Path("moon"));
}

TEST(QtUiFileDialogs, OpenDialogStartsOnTheFirstFilterInTheFolderUsedLast) {
    TempDir used;
    FileDialogRequest req;
    req.title = "LOAD";
    req.filters = ParseFilterList(msg::kOpenFilter);
    const auto dialog =
        MakeFileDialog(req, FileDialogKind::Open, nullptr, QString::fromStdString(used.dir()));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    // The open command's dialog lets several files be highlighted, and all of them come back.
    req.several = true;
    TempDir files;
    std::ofstream(files.Path("a.bmp")) << "x";
    std::ofstream(files.Path("b.bmp")) << "x";
    const auto several =
        MakeFileDialog(req, FileDialogKind::Open, nullptr, QString::fromStdString(files.dir()));
    EXPECT_EQ(several->fileMode(), QFileDialog::ExistingFiles);
    several->selectFile("\"a.bmp\" \"b.bmp\"");
    const FileDialogResult both = FileDialogChoice(*several, req);
    ASSERT_EQ(both.paths.size(), 2u);
    EXPECT_EQ(both.path, both.paths[0]);
    req.several = false;
    EXPECT_EQ(dialog->selectedNameFilter().toStdString(), "全ての画像データ");
    EXPECT_EQ(FileDialogChoice(*dialog, req).filter_index, 1);
    EXPECT_EQ(dialog->directory().absolutePath().toStdString(),
              std::filesystem::path(used.dir()).lexically_normal().string());
    const auto gone = MakeFileDialog(req, FileDialogKind::Open, nullptr,
                                     QString::fromStdString(used.Path("gone")));
    EXPECT_EQ(gone->directory().absolutePath().toStdString(), QDir::currentPath().toStdString());
}

TEST(QtUiDocuments, TheHelpOpensInOrvasOwnWindow) {
    QtUi ui(nullptr);
    ASSERT_TRUE(ui.OpenDocumentInside(msg::kHelpFile));
    QTextBrowser* help = ui.documentWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->source().toLocalFile().endsWith("help.htm"));
    // The pages of the workflows the help must cover are in it.
    for (const char* part :
         {"合成メニュー", "中央背景取り込み", "画像の背景選択終了", "バッチ開始"})
        EXPECT_TRUE(help->toPlainText().contains(QString::fromUtf8(part))) << part;
    ASSERT_TRUE(ui.OpenDocumentInside(msg::kHelpFile));
    EXPECT_EQ(ui.documentWindow(), help);
    EXPECT_FALSE(ui.OpenDocumentInside("orva-no-such-page.htm"));
    help->close();
}

TEST(QtUiDocuments, LookedForBesideTheProgramThenInstalledThenInTheSources) {
    TempDir root;
    namespace fs = std::filesystem;
    const fs::path bin = fs::path(root.dir()) / "bin";
    const fs::path share = fs::path(root.dir()) / "share" / "orva" / "doc";
    const fs::path src = fs::path(root.dir()) / "src" / "docs";
    for (const auto& d : {bin, share, src}) fs::create_directories(d);
    const char* name = "orva-test-doc.htm";
    EXPECT_EQ(FindDocument(name, bin.string(), src.string()), "");
    // Each place, given a copy in turn, wins over the ones given one before it.
    for (const fs::path& d : {src, share, bin}) {
        std::ofstream(d / name) << "<html></html>";
        EXPECT_EQ(FindDocument(name, bin.string(), src.string()), (d / name).string());
    }
}

// Installs a language for one test and leaves the default (Japanese) behind.
struct LanguageScope {
    explicit LanguageScope(Language l) { InstallLanguage(l); }
    ~LanguageScope() { InstallLanguage(Language::Japanese); }
};

// Kana, CJK ideographs and their punctuation, full-width forms.
bool HasJapanese(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("[\\x{3000}-\\x{30FF}\\x{3400}-\\x{4DBF}\\x{4E00}-\\x{9FFF}\\x{FF00}-"
                       "\\x{FFEF}]"));
    return re.match(text).hasMatch();
}

// Every text a widget tree shows: titles, labels, buttons, group boxes, combo items, list
// items, tooltips, placeholders and spin box texts.
QStringList VisibleTexts(QWidget* root) {
    QStringList out{root->windowTitle(), root->toolTip()};
    for (QWidget* w : root->findChildren<QWidget*>()) {
        out << w->toolTip() << w->windowTitle();
        if (auto* l = qobject_cast<QLabel*>(w)) out << l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) out << b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) out << g->title();
        if (auto* e = qobject_cast<QLineEdit*>(w)) out << e->placeholderText();
        if (auto* s = qobject_cast<QAbstractSpinBox*>(w)) out << s->specialValueText();
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
        if (auto* list = qobject_cast<QListWidget*>(w))
            for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    }
    return out;
}

void MenuTexts(QMenu* menu, QStringList& out) {
    out << menu->title();
    for (QAction* a : menu->actions()) {
        out << a->text() << a->toolTip();
        if (a->menu() != nullptr) MenuTexts(a->menu(), out);
    }
}

// Each source text of the catalogue's command-layer context, read from the catalogue itself.
std::vector<QString> CatalogueSources() {
    QFile file(QStringLiteral(ORVA_SOURCE_DIR "/translations/orva_en.ts"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    std::vector<QString> out;
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QStringLiteral("name")) context = xml.readElementText();
        if (xml.name() == QStringLiteral("source") && context == QStringLiteral("orva"))
            out.push_back(xml.readElementText());
    }
    return out;
}

TEST(EnglishInterface, MenusDialogsTipsAndMessagesShowNoJapanese) {
    const LanguageScope english(Language::English);
    QStringList texts;
    Window win;
    EXPECT_EQ(win.w.menuBar()->actions().at(0)->text().toStdString(), "&File");
    for (QAction* top : win.w.menuBar()->actions()) {
        texts << top->text();
        if (top->menu() != nullptr) MenuTexts(top->menu(), texts);
    }
    for (int cell = 0; cell < 20; ++cell) texts << QString::fromStdString(ToolbarCellTip(cell));
    for (int i = 0; i < kDialogCount; ++i) {
        Harness h;
        std::unique_ptr<QDialog> d = CreateDialog(static_cast<DialogId>(i), *h.ctx, nullptr);
        ASSERT_NE(d, nullptr) << i;
        texts << VisibleTexts(d.get());
    }
    const std::vector<QString> sources = CatalogueSources();
    EXPECT_GT(sources.size(), 150u);
    for (const QString& s : sources) texts << TranslatedText(s.toUtf8().constData());
    int checked = 0;
    for (const QString& t : texts) {
        EXPECT_FALSE(HasJapanese(t)) << t.toStdString();
        checked += t.isEmpty() ? 0 : 1;
    }
    EXPECT_GT(checked, 600);
    // The English interface opens the English help page.
    EXPECT_STREQ(Tr(msg::kHelpFile), "help_en.htm");
    // It has every section and link of the Japanese page (a section was once missing).
    auto anchors = [](const char* page) {
        QFile file(QString(ORVA_SOURCE_DIR "/docs/") + page);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << page;
        QStringList found;
        static const QRegularExpression anchor(R"((id|href)="#?[^"]*")");
        for (auto it = anchor.globalMatch(QString::fromUtf8(file.readAll())); it.hasNext();)
            found << it.next().captured(0);
        return found;
    };
    EXPECT_EQ(anchors("help_en.htm"), anchors("help.htm"));
}

QString ActionText(QMenuBar* bar, int menu_index, int command) {
    QMenu* m = bar->actions().at(menu_index)->menu();
    for (QAction* a : m->actions())
        if (a->data().toInt() == command) return a->text();
    return {};
}

TEST(JapaneseInterface, TextsAreTheOnesAlwaysShown) {
    const LanguageScope japanese(Language::Japanese);
    Window win;
    QMenuBar* bar = win.w.menuBar();
    Harness h;
    const auto rotate = CreateDialog(DialogId::Rotate, *h.ctx, nullptr);
    const auto stack = CreateDialog(DialogId::CalibratedStack, *h.ctx, nullptr);
    struct Row {
        QString shown;
        const char* expected;
    };
    const Row rows[] = {
        {bar->actions().at(0)->text(), "ファイル(&F)"},
        {ActionText(bar, 0, kCmdOpen), "開く(&O)"},
        {bar->actions().at(2)->text(), "画像処理(&I)"},
        {ActionText(bar, 2, kCmdSharpen), "シャープ/スムーズ(&S)"},
        {bar->findChild<QMenu*>("menu_language")->title(), "言語 (Language)"},
        {rotate->windowTitle(), "回転"},
        {VisibleTexts(rotate.get()).filter("９０").join('|'), "左９０度回転|右９０度回転"},
        {stack->windowTitle(), "キャリブレーション合成"},
        {TranslatedText(msg::kNoMemoryRun), "メモリ不足で実行できません！"},
        {QString::fromStdString(Format(Tr(msg::kBatchTime), 3, 1, 5)),
         "ファイル数：3 枚\n処理時間　：1.05 秒"},
        {QString::fromStdString(ToolbarCellTip(16)), "上半分: 次の画像／下半分: 前の画像"},
    };
    for (const Row& r : rows) EXPECT_EQ(r.shown.toStdString(), r.expected);
    EXPECT_STREQ(Tr(msg::kHelpFile), "help.htm");
}

TEST(Language, EnvironmentOverridesTheSavedChoice) {
    struct Row {
        const char* env;  // null: unset
        int saved;
        Language expected;
    };
    const Row rows[] = {
        {nullptr, 0, Language::Japanese}, {nullptr, 1, Language::English},
        {"en", 0, Language::English},     {"en_GB.UTF-8", 0, Language::English},
        {"ja", 1, Language::Japanese},    {"fr", 1, Language::English},
    };
    for (const Row& r : rows) {
        if (r.env != nullptr) {
            setenv("ORVA_LANG", r.env, 1);
        } else {
            unsetenv("ORVA_LANG");
        }
        EXPECT_EQ(ChooseLanguage(r.saved), r.expected) << (r.env ? r.env : "unset") << r.saved;
    }
    unsetenv("ORVA_LANG");
}

// The View menu's choice goes to the settings file of the working folder, which keeps its
// other values, and says that it applies from the next start.
TEST(Language, MenuChoiceIsSavedInTheSettingsFile) {
    const TempDir dir;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path(""));
    {
        Settings s;
        s.unused_level = 7;
        ASSERT_TRUE(SaveSettingsFile(msg::kSettingsFileName, s));
    }
    Window win;
    win.w.menuBar()->findChild<QAction*>("action_language_en")->trigger();
    EXPECT_EQ(SavedLanguage(), 1);
    Settings loaded;
    ASSERT_TRUE(LoadSettingsFile(msg::kSettingsFileName, loaded));
    EXPECT_EQ(loaded.unused_level, 7);
    ASSERT_EQ(win.ui.boxes.size(), 1u);
    EXPECT_EQ(win.ui.boxes[0].text, "言語の変更は次回の起動から有効になります。");
    win.w.menuBar()->findChild<QAction*>("action_language_ja")->trigger();
    EXPECT_EQ(SavedLanguage(), 0);
    std::filesystem::current_path(before);
}

}  // namespace
}  // namespace orva::gui
