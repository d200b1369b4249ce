// Camera RAW files and dark frames in the shell: the load path's reader choice, the dark-file
// command (dialog DARK) and the RAW settings command (dialog RAWMODE).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "imageio/formats.h"
#include "raw/dark.h"
#include "shell/context.h"

namespace orva {

// Reads a file of the given format code the way every load does: RAW files through
// DecodeRawFile with the current development settings and RAW master dark, FITS files with
// the FITS master dark, the rest through their readers. Pictures beyond the settings' pixel
// limit are refused. With `header_only` the file is checked and its size and camera data
// taken without decoding the pixels (where the format allows).
IoResult ReadImageForLoad(const AppContext& ctx, const std::string& path, int code,
                          DecodedImage& out, bool header_only = false);

// The dark-file dialog's list editing. AddDarkFile puts the path into the first empty entry
// and returns nullptr, or returns the message that refuses it (not RAW or FITS, list full).
const char* AddDarkFile(std::array<std::string, kMaxDarkFiles>& list, const std::string& path);
// Removes entry `index`; later entries move up and the last becomes empty.
void RemoveDarkFile(std::array<std::string, kMaxDarkFiles>& list, int index);
int CountDarkFiles(const std::array<std::string, kMaxDarkFiles>& list);

// Rebuilds the master from ctx.darks.files after the list changed; shows the message of a
// failure (mixed formats or sizes, an unreadable file) and leaves no master then. True when
// a master is loaded or none was asked for.
bool RebuildDarks(AppContext& ctx);

// Command 131: dialog DARK, then the master is rebuilt (OK) or kept (Cancel).
void DarkFilesCommand(AppContext& ctx);
// Command 132: dialog RAWMODE; Cancel restores every RAW setting but the algorithm.
void RawSettingsCommand(AppContext& ctx);

}  // namespace orva
