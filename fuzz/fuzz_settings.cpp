// Settings file reader on arbitrary bytes, then the invariant that whatever was loaded is
// written and read back unchanged; also the orva-cli assignment parser.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    orva::Settings loaded;
    orva::LoadSettings(text, loaded);
    const std::string saved = orva::SaveSettings(loaded);

    orva::Settings again;
    orva::LoadSettings(saved, again);
    // The RAW gammas go through six decimals, so they are compared as written text only.
    orva::Settings ints_only = again;
    ints_only.raw.gamma = loaded.raw.gamma;
    if (!(ints_only == loaded)) std::abort();
    if (orva::SaveSettings(again) != saved) std::abort();

    // An accepted assignment leaves every value of its keyword within range.
    orva::Settings assigned;
    std::string error;
    if (orva::ApplySettingAssignment(assigned, text, &error)) {
        for (const orva::SettingKeyword& k : orva::BindSettings(assigned)) {
            for (const orva::SettingField& f : k.fields) {
                const double v = f.i != nullptr ? *f.i : *f.d;
                if (v < f.min || v > f.max) std::abort();
            }
        }
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
