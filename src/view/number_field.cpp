#include "view/number_field.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "common/text.h"

namespace orva {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int SaturateToInt(long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

int SaturateToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);  // truncates toward zero
}

// Skips blanks and reads an optional sign; true when the sign was "-".
bool ReadSign(std::string_view text, std::size_t& i) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) return text[i++] == '-';
    return false;
}

std::string FixedPoint(int value, int unit, int decimals) {
    const long long v = value;
    const long long a = v < 0 ? -v : v;
    const char* sign = v < 0 ? "-" : "";
    return Format(decimals == 1 ? "%s%lld.%01lld" : "%s%lld.%02lld", sign, a / unit, a % unit);
}

}  // namespace

std::string FormatSettingValue(int value, ValueDisplay display) {
    switch (display) {
        case ValueDisplay::Tenths: return FixedPoint(value, 10, 1);
        case ValueDisplay::Hundredths: return FixedPoint(value, 100, 2);
        case ValueDisplay::Level256: {
            const long long v = value;
            const long long a = v < 0 ? -v : v;
            return Format("%s%lld.%01lld", v < 0 ? "-" : "", a / 256, (a % 256) * 10 / 256);
        }
        case ValueDisplay::Plain: break;
    }
    return Format("%d", value);
}

std::optional<int> ParseWholeNumber(std::string_view text) {
    std::size_t i = 0;
    const bool negative = ReadSign(text, i);
    long long v = 0;
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (digits == 0 || i != text.size()) return std::nullopt;
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return std::nullopt;
    return static_cast<int>(v);
}

double ParseLeadingDecimal(std::string_view text) {
    std::size_t i = 0;
    const bool negative = ReadSign(text, i);
    double v = 0.0;
    for (; i < text.size() && IsDigit(text[i]); ++i) v = v * 10.0 + (text[i] - '0');
    if (i < text.size() && text[i] == '.') {
        double unit = 0.1;
        for (++i; i < text.size() && IsDigit(text[i]); ++i, unit /= 10.0) {
            v += (text[i] - '0') * unit;
        }
    }
    return negative ? -v : v;
}

int ParseAngleHundredths(std::string_view text) {
    std::size_t i = 0;
    const bool negative = ReadSign(text, i);
    long long v = 0;
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
        if (v <= INT_MAX) v = v * 10 + (text[i] - '0');
    }
    v *= 100;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (int place = 0; i < text.size() && IsDigit(text[i]); ++i, ++digits, ++place) {
            if (place == 0) v += (text[i] - '0') * 10;
            if (place == 1) v += text[i] - '0';
        }
    }
    if (digits == 0 || i != text.size()) return 0;
    return SaturateToInt(negative ? -v : v);
}

int TypedValue(const NumberRule& rule, std::string_view text) {
    int v = 0;
    switch (rule.typed) {
        case TypedForm::Integer: v = ParseWholeNumber(text).value_or(0); break;
        case TypedForm::Decimal: {
            // A typed "2.3" times 10 is 22.999... in binary; a slack far below one step keeps
            // what was typed from truncating one step low.
            double scaled = (ParseLeadingDecimal(text) + rule.typed_bias) * rule.typed_scale;
            scaled += scaled >= 0 ? 1e-7 : -1e-7;
            v = SaturateToInt(scaled);
            break;
        }
        case TypedForm::Angle: v = ParseAngleHundredths(text); break;
        case TypedForm::Position: {
            // The typed value picks a scroll position, which then stands for its value.
            const int position =
                std::clamp(ScrollPosition(rule, ParseWholeNumber(text).value_or(0)),
                           ScrollMinimum(rule), ScrollMaximum(rule));
            v = SaturateToInt(static_cast<long long>(position - rule.scroll_offset) *
                              rule.scroll_scale);
            break;
        }
    }
    return rule.clamp_typed ? std::clamp(v, rule.min, rule.max) : v;
}

int SteppedValue(const NumberRule& rule, int value, int delta) {
    return SaturateToInt(std::clamp(static_cast<long long>(value) + delta,
                                    static_cast<long long>(rule.min),
                                    static_cast<long long>(rule.max)));
}

int ScrollPosition(const NumberRule& rule, int value) {
    const int scale = std::max(rule.scroll_scale, 1);
    return SaturateToInt(static_cast<long long>(value) / scale + rule.scroll_offset);
}

int ValueAtPosition(const NumberRule& rule, int position) {
    const long long v = static_cast<long long>(position - rule.scroll_offset) * rule.scroll_scale;
    return SaturateToInt(
        std::clamp(v, static_cast<long long>(rule.min), static_cast<long long>(rule.max)));
}

int ScrollMinimum(const NumberRule& rule) {
    return ScrollPosition(rule, rule.min);
}
int ScrollMaximum(const NumberRule& rule) {
    return ScrollPosition(rule, rule.max);
}

int DisplayBitsForDivisor(int divisor) {
    int bits = 16;
    for (int d = divisor; d >= 2 && bits >= 6; d /= 2) --bits;
    return bits;
}

std::optional<int> DivisorForDisplayBits(std::string_view text) {
    const std::optional<int> bits = ParseWholeNumber(text);
    if (!bits || *bits < 6 || *bits > 16) return std::nullopt;
    return 1 << (16 - *bits);
}

int KeepAspectPartner(int typed, int this_source, int other_source) {
    if (this_source <= 0) return 0;
    return SaturateToInt((static_cast<long long>(other_source) * typed + 1) / this_source);
}

}  // namespace orva
