// The desktop in its two languages: English shows no Japanese anywhere the user looks, and
// Japanese, the default, shows the texts it always showed.
#include "language.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/translate.h"
#include "dialogs/dialogs.h"
#include "main_window.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "support/scripted_ui.h"
#include "view/toolbar.h"

namespace orva::gui {
namespace {

using testing::Harness;
using testing::ScriptedUi;
using testing::TempDir;

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

struct Window {
    ScriptedUi ui;
    MainWindow w{{}, nullptr, &ui};
    Window() { QApplication::setQuitOnLastWindowClosed(false); }
};

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
    EXPECT_TRUE(std::filesystem::exists(ORVA_SOURCE_DIR "/docs/help_en.htm"));
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
