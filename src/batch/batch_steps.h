// The batch vocabulary: what each step code is called, which dialog sets it up, which menu
// command's operation it runs, and which settings its 32 private words hold. Every step's
// words are bound to the settings record through the operations' own field declarations,
// so ranges and defaults come from one place.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "shell/context.h"

namespace orva {

struct StepKind {
    const char* name;                // the combo box text
    std::optional<DialogId> dialog;  // the dialog of "詳細設定", nullopt for none
    int command;                     // the menu command whose operation the step runs, 0 for none
};

// Indexed by step code.
const std::array<StepKind, kStepCodes>& StepKinds();

// The codes a processing step (steps 2 to 7) may hold: every operation's step but the
// composite opening, in code order. Whether `code` is one of them.
const std::vector<int>& ProcessingStepCodes();
bool IsProcessingStep(int code);

// The step code whose name is `name`, or -1.
int StepCodeOfName(std::string_view name);

// The settings a step's words stand for, by word (entries without a value pointer are
// unused words). Bound to `s`.
std::array<SettingField, kBatchStepWords> StepWords(int code, Settings& s);

// The user's settings of the step's operation go aside; when the step's parameters belong to
// this code, they take the settings record's place. Until the matching store, the record
// holds the step's values.
void LoadStepParameters(AppContext& ctx, int step, int code);

// The operation's settings go into the step's words; the user's own come back.
void StoreStepParameters(AppContext& ctx, int step, int code);

}  // namespace orva
