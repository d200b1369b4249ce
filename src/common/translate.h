// The texts the user reads are written here in Japanese, the interface's own language, and
// marked with ORVA_TEXT so that Qt's catalogue tools (lupdate) collect them. Tr() asks the
// front end for a text in the language it shows; the command line and the tests install
// nothing and get the Japanese text itself.
#pragma once

// Marks a text for the catalogue; it stays the same text. The context is always "orva".
#define ORVA_TEXT(context, text) text

namespace orva {

// Returns the text to show for `source`; the result lives as long as the program.
using TranslateHook = const char* (*)(const char* source);

// Null restores the identity.
void SetTranslateHook(TranslateHook hook);

// A catalogue text in the language chosen by the front end. A template is translated before
// Format() fills it, so each language places the values where its grammar wants them.
const char* Tr(const char* source);

}  // namespace orva
