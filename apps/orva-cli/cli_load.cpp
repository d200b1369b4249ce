#include "cli_load.h"

#include <cstdio>

#include "raw/dark.h"
#include "shell/settings.h"

namespace orva {

std::optional<bool> ParseLoadOption(int argc, char** argv, int& i, LoadOptions& out,
                                    std::string* error) {
    const std::string opt = argv[i];
    if (opt != "--settings" && opt != "--set" && opt != "--dark" && opt != "--max-pixels")
        return std::nullopt;
    if (i + 1 >= argc) {
        *error = opt + " needs a value";
        return false;
    }
    const std::string value = argv[++i];
    if (opt == "--settings") {
        out.settings_file = value;
    } else if (opt == "--set") {
        out.sets.push_back(value);
    } else if (opt == "--max-pixels") {
        out.max_pixels = value;
    } else {
        if (out.darks.size() >= static_cast<std::size_t>(kMaxDarkFiles)) {
            *error = "at most four --dark files";
            return false;
        }
        out.darks.push_back(value);
    }
    return true;
}

bool ApplyLoadOptions(AppContext& ctx, const LoadOptions& options, std::string* error) {
    if (!options.settings_file.empty()) {
        std::string why;
        std::vector<std::string> unknown;
        if (!LoadSettingsFile(options.settings_file, ctx.settings, &why, &unknown)) {
            *error = options.settings_file + ": " + why;
            return false;
        }
        for (const std::string& word : unknown)
            std::fprintf(stderr, "%s: unknown keyword %s\n", options.settings_file.c_str(),
                         word.c_str());
    }
    for (const auto& s : options.sets) {
        std::string why;
        if (!ApplySettingAssignment(ctx.settings, s, &why)) {
            *error = "--set " + s + ": " + why;
            return false;
        }
    }
    if (!options.max_pixels.empty()) {
        std::string why;
        if (!ApplySettingAssignment(ctx.settings, "max_pixels=" + options.max_pixels, &why)) {
            *error = "--max-pixels " + options.max_pixels + ": " + why;
            return false;
        }
    }
    if (options.darks.empty()) return true;
    ctx.darks.files = {};
    for (std::size_t k = 0; k < options.darks.size(); ++k) ctx.darks.files[k] = options.darks[k];
    const DarkBuildResult r = BuildDarkMaster(ctx.darks, ctx.ws.available_memory());
    switch (r.error) {
        case DarkError::None: return true;
        case DarkError::MixedFormats: *error = "dark files of different formats"; break;
        case DarkError::MixedSizes: *error = r.file + ": dark files of different sizes"; break;
        case DarkError::NotDark: *error = r.file + ": a dark file must be RAW or FITS"; break;
        case DarkError::Unreadable:
            *error = r.file + ": " + IoStatusName(r.io.status) +
                     (r.io.detail.empty() ? "" : ": " + r.io.detail);
            break;
    }
    return false;
}

}  // namespace orva
