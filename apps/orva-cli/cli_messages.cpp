#include "cli_messages.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "shell/messages.h"

namespace orva {

namespace {

struct Translation {
    const char* shown;    // the shell's text, printf conversions included
    const char* english;  // the same in English; each %s takes the next filled value
};

// Every text of the shell that a command-line run can show (desktop prompts and dialog
// hints do not reach it). Keep the conversions in the same order as the shell's text.
const Translation kTranslations[] = {
    {msg::kNoMemoryRun, "not enough memory to run this"},
    {msg::kNoMemoryOpen, "not enough memory to open the picture"},
    {msg::kNoSlotOpen, "no free place for another picture"},
    {msg::kNoSlotNew, "no free place for a new picture"},
    {msg::kBadSize, "the size is not usable (check the size settings)"},
    {msg::kNotSupported, "%s: not a supported image format"},
    {msg::kOverwrite, "%s already exists"},
    {msg::kLoadFailed, "%s: cannot read the picture (%s)"},
    {msg::kSaveFailed, "%s: cannot save the picture (%s)"},
    {msg::kSettingsNotSaved, "cannot save the settings"},
    {msg::kSettingsNotLoaded, "cannot read the settings"},
    {msg::kPointsNone, "set points A and B first"},
    {msg::kWaveletTooLarge, "too large to enlarge twice: processed at its own size"},
    {msg::kColourPointHint, "the colour to change can also be picked with point A"},
    {msg::kBatchNotSetUp, "the batch has not been set up"},
    {msg::kBatchTooMany, "a batch composites at most 16 pictures at once"},
    {msg::kBatchTime, "%s file(s) in %s.%s s"},
    {msg::kBatchBackgroundMode, "in a batch the background correction must multiply or subtract"},
    {msg::kBatchNoSaveFolder, "the save step has no folder"},
    {msg::kBatchCheckFolder, "check the folder the files are saved into"},
    {msg::kNoLightFrames, "no light frames to stack"},
    {msg::kNeedTwoImages, "fewer than two pictures are chosen"},
    {msg::kNoLuminanceImage, "no L picture is chosen"},
    {msg::kNoImageChosen, "no picture is chosen"},
    {msg::kNoRgbImages, "the R, G and B pictures are not chosen"},
    {msg::kTooManyFiles, "more than 16 files: the rest are not read"},
    {msg::kBackgroundPointsDone, "background places done"},
    {msg::kSampleCentrePrompt, "pick the background near the centre"},
    {msg::kSampleEdgePrompt, "pick the background near the corners"},
    {msg::kBackgroundPointsPrompt, "pick as many background places as possible"},
    {msg::kDarkNotRawOrFits, "a dark file must be RAW or FITS"},
    {msg::kDarkListFull, "no more dark files can be added"},
    {msg::kDarkMixedFormats, "dark files of different formats"},
    {msg::kDarkMixedSizes, "dark files of different sizes"},
    {msg::kLightsLeftOut, "lights left out:"},
    {msg::kStackReportFailed, "%s: cannot write the report (%s)"},
};

// Splits a printf text into its literal pieces: n conversions give n + 1 pieces.
std::vector<std::string> Literals(const std::string& format) {
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            pieces.back() += format[i];
        } else if (i + 1 < format.size() && format[i + 1] == '%') {
            pieces.back() += '%';
            ++i;
        } else {
            // Flags, width and precision up to the conversion letter.
            while (i + 1 < format.size() &&
                   std::string_view("0123456789.-+ #l").find(format[i + 1]) != std::string::npos)
                ++i;
            ++i;
            pieces.emplace_back();
        }
    }
    return pieces;
}

// The values a text filled into `format`, when it is that format's text.
std::optional<std::vector<std::string>> Match(const std::string& format, const std::string& text) {
    const std::vector<std::string> pieces = Literals(format);
    if (text.compare(0, pieces[0].size(), pieces[0]) != 0) return std::nullopt;
    std::size_t at = pieces[0].size();
    std::vector<std::string> values;
    for (std::size_t k = 1; k < pieces.size(); ++k) {
        const bool last = k + 1 == pieces.size();
        const std::size_t end =
            last ? text.size() - std::min(text.size(), pieces[k].size()) : text.find(pieces[k], at);
        if (end == std::string::npos || end < at || text.compare(end, pieces[k].size(), pieces[k]))
            return std::nullopt;
        values.push_back(text.substr(at, end - at));
        at = end + pieces[k].size();
    }
    if (at != text.size()) return std::nullopt;
    return values;
}

std::string Fill(const char* english, const std::vector<std::string>& values) {
    std::string out;
    std::size_t next = 0;
    for (const char* p = english; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += next < values.size() ? values[next++] : std::string();
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

std::string CliText(const std::string& shown) {
    for (const Translation& t : kTranslations)
        if (const auto values = Match(t.shown, shown)) return Fill(t.english, *values);
    std::string line = shown;
    std::replace(line.begin(), line.end(), '\n', ' ');
    return line;
}

}  // namespace orva
