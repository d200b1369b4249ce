// The stacking commands: automatic (302), by points (308), L+RGB (313), L+R+G+B (360) and
// multi-file stacking (3021). Each makes a new image in a free slot and makes it current.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "shell/context.h"

namespace orva {

// The dialogs' slot choice: a line "%02d(%s)" per occupied slot after an empty line; the
// slot of a chosen line is the number before the first "(", -1 for the empty line or a line
// that starts with "(".
std::string CompositeSlotLine(const AppContext& ctx, int slot);
int SlotOfLine(const std::string& line);

void CompositeAutoCommand(AppContext& ctx);
void CompositePointsCommand(AppContext& ctx);
void LrgbCommand(AppContext& ctx);
void LrgbFourCommand(AppContext& ctx);
void CompositeFilesCommand(AppContext& ctx);

// Adds dropped files to the multi-file list; shows the 16-file message (once) when some do
// not fit and keeps the first ones.
void AddMultiFiles(AppContext& ctx, const std::vector<std::string>& dropped);
// Takes the files at the given list rows out of the list (rows past its end are ignored);
// no rows at all empties it.
void RemoveMultiFiles(std::vector<std::string>& files, std::vector<int> rows);

// Multi-file stacking of ctx.settings.multi_file.files without the dialog. `progress`, when
// set, hears one line per stage. Returns the result slot, or -1 (slots it made are freed).
int StackFiles(AppContext& ctx, const std::function<void(const std::string&)>& progress = {});

}  // namespace orva
