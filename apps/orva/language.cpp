#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>

#include "common/translate.h"
#include "shell/messages.h"
#include "shell/settings.h"

namespace orva::gui {

namespace {

std::atomic<Language> g_language{Language::Japanese};
std::unique_ptr<QTranslator> g_orva_translator;
std::unique_ptr<QTranslator> g_qt_translator;

// The command layer keeps the pointers it is given, so every translation is kept for the
// life of the program, per language (a text may be asked for from a worker thread).
const char* TranslateHook(const char* source) {
    static std::mutex mutex;
    static std::map<std::pair<int, std::string>, std::string> cache;
    const std::lock_guard lock(mutex);
    auto key = std::make_pair(static_cast<int>(g_language.load()), std::string(source));
    auto it = cache.find(key);
    if (it == cache.end()) {
        const std::string text = QCoreApplication::translate("orva", source).toStdString();
        it = cache.emplace(std::move(key), text).first;
    }
    return it->second.c_str();
}

void Replace(std::unique_ptr<QTranslator>& slot, std::unique_ptr<QTranslator> next) {
    if (slot) QCoreApplication::removeTranslator(slot.get());
    slot = std::move(next);
    if (slot) QCoreApplication::installTranslator(slot.get());
}

}  // namespace

Language ChooseLanguage(int saved) {
    if (const char* env = std::getenv("ORVA_LANG"); env != nullptr) {
        const std::string_view v(env);
        if (v.starts_with("en")) return Language::English;
        if (v.starts_with("ja")) return Language::Japanese;
    }
    return saved == 1 ? Language::English : Language::Japanese;
}

int SavedLanguage() {
    std::error_code ec;
    if (!std::filesystem::exists(msg::kSettingsFileName, ec)) return 0;
    Settings s;
    return LoadSettingsFile(msg::kSettingsFileName, s) ? s.language : 0;
}

bool SaveLanguage(int language) {
    Settings s;
    std::error_code ec;
    if (std::filesystem::exists(msg::kSettingsFileName, ec) &&
        !LoadSettingsFile(msg::kSettingsFileName, s))
        return false;
    s.language = language;
    return SaveSettingsFile(msg::kSettingsFileName, s);
}

void InstallLanguage(Language language) {
    g_language.store(language);
    auto orva = std::make_unique<QTranslator>();
    auto qt = std::make_unique<QTranslator>();
    const QString qt_dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (language == Language::English) {
        if (!orva->load(QStringLiteral(":/i18n/orva_en.qm"))) orva.reset();
        qt.reset();  // Qt's own texts are English already
    } else {
        orva.reset();  // the sources are the Japanese texts
        if (!qt->load(QStringLiteral("qtbase_ja"), qt_dir)) qt.reset();
    }
    Replace(g_orva_translator, std::move(orva));
    Replace(g_qt_translator, std::move(qt));
    SetTranslateHook(TranslateHook);
}

Language CurrentLanguage() {
    return g_language.load();
}

QString TranslatedText(const char* source) {
    return QString::fromUtf8(Tr(source));
}

}  // namespace orva::gui
