// What every orva-cli command that loads files accepts: the settings file, --set assignments
// and up to four dark frames, applied to the context before the first file is read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/context.h"

namespace orva {

struct LoadOptions {
    std::string settings_file;
    std::vector<std::string> sets;
    std::vector<std::string> darks;
    std::string max_pixels;  // --max-pixels, applied after the settings file and --set
};

inline constexpr const char* kLoadOptionsUsage =
    "  load options (every command that reads images):\n"
    "    --settings FILE.ovg    settings file to start from\n"
    "    --set KEYWORD=N,N,...  change settings (e.g. raw=..., dark=...; see 'keywords')\n"
    "    --dark FILE            dark frame, RAW or FITS (repeatable, up to four)\n"
    "    --max-pixels N         refuse pictures of more than N pixels (default 1073741824;\n"
    "                           the same as --set max_pixels=N)\n";

// Parses --settings, --set, --dark or --max-pixels at argv[i] and advances i. nullopt when argv[i]
// is none of them; false with *error for a missing value or a fifth dark.
std::optional<bool> ParseLoadOption(int argc, char** argv, int& i, LoadOptions& out,
                                    std::string* error);

// Loads the settings file (each unknown keyword in it reported on stderr as a warning),
// applies the assignments and builds the master dark. False with a one-line *error on
// failure.
bool ApplyLoadOptions(AppContext& ctx, const LoadOptions& options, std::string* error);

}  // namespace orva
