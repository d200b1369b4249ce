#include "cli_args.h"

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "imageio/file_io.h"

namespace orva {

bool ParseWhole(std::string_view text, long long lo, long long hi, long long& out) {
    long long v = 0;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool ParseWhole(std::string_view text, int lo, int hi, int& out) {
    long long v = 0;
    if (!ParseWhole(text, static_cast<long long>(lo), static_cast<long long>(hi), v)) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseDecimal(std::string_view text, double lo, double hi, double& out) {
    // strtod wants a terminated string, and would take blanks, hex and "inf" besides.
    const std::string s(text);
    if (s.empty() || s.find_first_not_of("+-.0123456789eE") != std::string::npos) return false;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool IsHelpOption(std::string_view arg) {
    return arg == "-h" || arg == "--help";
}

bool WantsHelp(int argc, char** argv) {
    for (int i = 2; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--") return false;
        if (IsHelpOption(a)) return true;
    }
    return false;
}

bool LooksLikeOption(std::string_view arg) {
    return !arg.empty() && arg[0] == '-';
}

bool LooksLikeNegativeNumber(std::string_view arg) {
    double v = 0;
    return arg.size() > 1 && arg[0] == '-' && ParseDecimal(arg, -1e300, 0, v);
}

std::string UnknownOption(std::string_view arg) {
    return "unknown option " + std::string(arg) + " (a file name starting with '-' goes after --)";
}

std::vector<std::string> ArgumentsWithEndOfOptions(int argc, char** argv) {
    std::vector<std::string> out;
    bool ended = false;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (i >= 2 && !ended && a == "--") {
            ended = true;
            continue;
        }
        out.push_back(ended && LooksLikeOption(a) ? "./" + a : a);
    }
    return out;
}

std::string CheckOutputs(const std::vector<std::string>& inputs,
                         const std::vector<std::string>& outputs, bool in_place) {
    const bool replaces_first = in_place && outputs.size() == 1;
    for (std::size_t o = 0; o < outputs.size(); ++o) {
        if (outputs[o].empty()) continue;
        for (std::size_t i = replaces_first ? 1 : 0; i < inputs.size(); ++i)
            if (const std::string& in = inputs[i]; !in.empty() && SameFile(outputs[o], in))
                return outputs[o] + ": the output is the input " + in +
                       "; choose another output name";
        for (std::size_t k = 0; k < o; ++k)
            if (!outputs[k].empty() && SameFile(outputs[o], outputs[k]))
                return outputs[o] + ": two outputs name the same file (" + outputs[k] + ")";
    }
    return {};
}

std::vector<std::string> LoadInputs(const LoadOptions& load, std::vector<std::string> pictures) {
    pictures.push_back(load.settings_file);
    pictures.insert(pictures.end(), load.darks.begin(), load.darks.end());
    return pictures;
}

std::string FolderProblem(const std::string& file) {
    std::filesystem::path folder = std::filesystem::path(file).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return file + ": the folder " + folder.string() + " does not exist";
    if (access(folder.c_str(), W_OK) != 0)
        return file + ": the folder " + folder.string() + " cannot be written to";
    return {};
}

}  // namespace orva
