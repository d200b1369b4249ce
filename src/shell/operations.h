// One descriptor per image operation: its command, menu place, dispatcher code, dialog id,
// batch step and orva-cli name. The command table, the enabled rule of operation commands,
// the processing pattern, orva-cli's list of operations, the batch's step table and step
// words and the operation entries of the desktop's menus are read from here. Not from here:
// the field table and settings struct (ops/op_settings.h), the settings-file keywords
// (shell/settings.cpp), the block words and typed parameters (ops/op_params.h), the
// dispatcher's code and kernel slot, the command's fill function, the dialog itself (the
// desktop's dialog list) and the help.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "shell/commands.h"
#include "shell/dialog_ids.h"

namespace orva {

// The menu an operation sits in.
enum class MenuGroup { Edit, Processing, Compositing, Background, Noise };

// Where an operation's command stands in its menu: the block (a menu's blocks are parted by
// separators and follow in increasing order) and its place in the block. The menu's other
// commands are placed the same way by the desktop.
struct MenuPlace {
    MenuGroup group;
    int block;
    int place;
};

// The settings a batch step's words stand for, bound in word order to one settings record.
// A step's words are part of the batch file: their order and count must not change.
class StepWordList {
public:
    // The next word holds `value`, within the range and on the step of `field`.
    void Put(const FieldDecl& field, int& value) {
        words_.at(next_++) = SettingField{field.name,
                                          &value,
                                          nullptr,
                                          static_cast<double>(field.min),
                                          static_cast<double>(field.max),
                                          field.step};
    }
    // The words before `word` that are not put stay unused.
    void SkipTo(std::size_t word) { next_ = word; }
    const std::array<SettingField, kBatchStepWords>& words() const { return words_; }

private:
    std::array<SettingField, kBatchStepWords> words_{};
    std::size_t next_ = 0;
};

// The batch step that runs an operation (code kStepNone: none).
struct OperationStep {
    BatchStepCode code = kStepNone;
    const char* name = nullptr;  // in the batch dialog
    // Binds the step's words to the settings of the operation's family.
    void (*words)(Settings&, StepWordList&) = nullptr;
    // Puts the family's settings of `from` into `to`, whole (also what the words leave out).
    void (*restore)(const Settings& from, Settings& to) = nullptr;
    // orva-cli's name for the step when it is not the operation's own orva-cli name.
    const char* cli_name = nullptr;
};

// The step of code `code` whose words `Words` binds to the family `Family` of the settings.
template <auto Family, auto Words>
constexpr OperationStep StepOf(BatchStepCode code, const char* name,
                               const char* cli_name = nullptr) {
    return {code, name, [](Settings& s, StepWordList& w) { Words(s.*Family, w); },
            [](const Settings& from, Settings& to) { to.*Family = from.*Family; }, cli_name};
}

struct OperationDescriptor {
    CommandId command;
    const char* label;  // menu label
    MenuPlace menu;
    // The dispatcher code whose kernels the command needs before it is enabled; -1 when the
    // shell runs the operation itself.
    int op_code = -1;
    // Whether the command needs a current image to be enabled.
    bool needs_image = true;
    // The dialog that sets the operation up (nullopt: none).
    std::optional<DialogId> dialog;
    // The batch step that runs the operation.
    OperationStep step;
    // orva-cli's operation name and one-line help (null: not an 'apply' operation).
    const char* cli_name = nullptr;
    const char* cli_help = nullptr;
    // Processing-pattern operations: the operation's run on one record (its dialog is filled
    // in from `dialog`); null for operations with a command of their own.
    ProcessingCommand (*processing)() = nullptr;
    // Commands of their own; null for processing-pattern operations.
    void (*action)(AppContext&) = nullptr;
};

// Every operation, in the order of orva-cli's list.
const std::vector<OperationDescriptor>& Operations();
const OperationDescriptor* FindOperation(int command_id);
const OperationDescriptor* OperationOfStep(int step_code);

// The operations that are batch steps, in step-code order, and the name orva-cli gives each
// step (`batch --write --step NAME`).
std::vector<const OperationDescriptor*> StepOperations();
const char* StepCliName(const OperationDescriptor& op);

// The enabled rule every operation command follows: a current image when it needs one, and
// the kernels of its dispatcher code.
bool OperationEnabled(const OperationDescriptor& op, const AppContext& ctx);

// The processing-pattern command of an operation, its dialog filled in; nullopt for an
// operation with a command of its own.
std::optional<ProcessingCommand> ProcessingOf(const OperationDescriptor& op);

}  // namespace orva
