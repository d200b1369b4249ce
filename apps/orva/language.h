// The language of the desktop. The texts are written in Japanese, which needs no catalogue;
// English comes from the compiled catalogue built into the program, and Qt's own dialogs use
// the catalogue Qt ships for the language shown.
#pragma once

#include <QString>
#include <string>

namespace orva::gui {

enum class Language { Japanese = 0, English = 1 };

// The language to show: ORVA_LANG ("en" or "ja") when set, else the saved choice (the
// settings file's value, 0 Japanese, 1 English).
Language ChooseLanguage(int saved);

// The choice saved in the settings file of the working folder, Japanese without one.
int SavedLanguage();

// Records the choice in the settings file of the working folder, keeping the rest of the file
// as it is read; the file is made when there is none. False when it could not be written or an
// existing file could not be read (it is then left alone).
bool SaveLanguage(int language);

// Loads the catalogues of `language` into the application and routes the command layer's
// texts through them. Needs a QCoreApplication; may be called again to change the language
// of windows built afterwards.
void InstallLanguage(Language language);
Language CurrentLanguage();

// A text of the command layer's catalogue (context "orva") in the language shown.
QString TranslatedText(const char* source);

}  // namespace orva::gui
