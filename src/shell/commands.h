// The command layer: the command table as data, keys, toolbar cells, the close loops and
// the file commands. Everything here talks to the user through ctx.ui only.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/command_ids.h"
#include "shell/context.h"

namespace orva {

struct Command {
    int id;
    const char* label;  // menu label; empty for internal commands
    std::function<void(AppContext&)> action;
    // Null means always enabled. Commands whose operation has not been built are listed
    // and disabled so that the menu keeps its shape.
    std::function<bool(const AppContext&)> enabled;
};

const std::vector<Command>& CommandTable();
const Command* FindCommand(int id);
bool CommandEnabled(const AppContext& ctx, int id);
// The menu label without its access key ("開く(&O)" -> "開く"); empty for unknown ids.
std::string CommandName(int id);
// For a command that switches a mode on and off, whether the mode is on; none for the others.
std::optional<bool> CommandChecked(const AppContext& ctx, int id);
// Runs a command. False when the id is unknown or the command is disabled.
bool ExecuteCommand(AppContext& ctx, int id);

// Keys act on release. The front end maps its key codes to these.
enum class Key { Up, Down, Digit8, Digit2, Insert, A, B, C, O, S, T };
void HandleKey(AppContext& ctx, Key key);

// Left button in the toolbar strip (y <= 24).
void HandleToolbarClick(AppContext& ctx, int x, int y);
// Command id of a toolbar cell (x / 24), or -1 for cells that run none.
int ToolbarCommand(int cell);

// The application-close loop: asks for every changed image. True when the application may
// end, false when the user cancelled.
bool RequestApplicationClose(AppContext& ctx);

// ---- Slot commands ----
// Asks about a changed image and clears the slot. False when the user cancelled.
bool CloseSlotAsking(AppContext& ctx, int slot);
// Closes every image, asking for changed ones. False when cancelled.
bool CloseAllAsking(AppContext& ctx);
void CopyCurrentImage(AppContext& ctx);
// A picture just put into `slot` becomes the current image, without undo or redo, with its
// histogram, and with its statistics recomputed at the next paint. `unsaved`: a picture that
// exists in no file (area copy, crop, line separation, a copy of unsaved changes), so it
// counts as changed and closing asks about it; otherwise (a copy of a saved picture) it
// starts unchanged.
void AdoptNewImage(AppContext& ctx, int slot, bool unsaved);
void Undo(AppContext& ctx);
void Redo(AppContext& ctx);
// Whether undo or redo would change anything: the current image, or in all-images mode any
// image, has a step to take back or bring back. The menu and the toolbar are off otherwise.
bool CanUndo(const AppContext& ctx);
bool CanRedo(const AppContext& ctx);
std::string PointReportText(const ImageRecord& rec, int divisor);

// ---- File commands ----
void OpenCommand(AppContext& ctx);
void SaveCommand(AppContext& ctx);
void DropFiles(AppContext& ctx, const std::vector<std::string>& paths);
void OpenFiles(AppContext& ctx, const std::vector<std::string>& paths);
// The Windows-style command line: blanks outside double quotes separate names.
std::vector<std::string> SplitCommandLine(std::string_view line);
// Loads a file into a slot, reporting failures to the user. True when the slot holds it.
bool LoadIntoSlot(AppContext& ctx, const std::string& path, int slot);
// Writes the current record through the save dialog's choice; used by save and close.
// Returns false when nothing was written (cancelled, declined or failed).
bool SaveRecordWithDialog(AppContext& ctx, int slot);
// Writes a record to `path` with the writer its name selects; the record takes the new name
// and counts as unchanged only when the file was written.
bool SaveRecordAs(AppContext& ctx, int slot, const std::string& path, int filter_index);
// The save dialog's filter that a default extension selects (0: none), and the extension a
// filter gives a name typed without one (empty for an index outside the list).
int SaveFilterForExtension(std::string_view extension);
std::string SaveFilterExtension(int filter_index);
// Loads up to four files, composites them into a new slot with `params` (its pictures set to
// the loaded files) and returns the slot, or -1.
int MultiFileLoad(AppContext& ctx, const std::vector<std::string>& paths, CompositeParams params);

// ---- Processing-command pattern ----
struct ProcessingCommand {
    int memory_count = 2;
    std::optional<DialogId> dialog;  // operation dialog, none for nullopt
    uint32_t code = 0;
    // Copies the operation's settings into the block (run before each image's dispatch).
    std::function<void(const AppContext&, const ImageRecord&, ParamBlock&)> fill;
    // Extra flag changes after a successful dispatch (e.g. the single-plane flag).
    std::function<void(const AppContext&, ImageRecord&)> after;
    // Operations the shell runs itself instead of through the dispatcher: replaces the
    // dispatch; false when memory ran short.
    std::function<bool(AppContext&, ImageRecord&)> run;
    // Operations that always act on the current image, also in all-images mode.
    bool current_only = false;
};
void RunProcessingCommand(AppContext& ctx, const ProcessingCommand& cmd);
// The operation behind a processing menu command, for runs without dialog and undo (the
// batch); nullopt for a command of another kind.
std::optional<ProcessingCommand> ProcessingOf(int command_id);
// One record through an operation: fill, dispatch (or the shell's own run), after. No dialog,
// no undo copy, no message. False when memory ran short.
bool ApplyProcessing(AppContext& ctx, const ProcessingCommand& cmd, ImageRecord& rec);

}  // namespace orva
