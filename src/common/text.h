// Small text helpers shared by the shell and the front ends.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// printf-style formatting into a std::string (for the message table's texts).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

bool EqualsNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view text, std::string_view ending);
std::string ToUpperAscii(std::string_view s);

// "label|pattern|label|pattern||" into pairs.
struct FileFilter {
    std::string label;
    std::string pattern;
};
std::vector<FileFilter> ParseFilterList(std::string_view list);

}  // namespace orva
