// The settings file: keyword lines followed by lines of decimal numbers.
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

#include "imageio/file_io.h"
#include "shell/settings.h"

namespace orva {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Formatted input over the text: blank-delimited words and numbers, where a number that
// cannot be read is left in place for the next word to take.
class TextCursor {
public:
    explicit TextCursor(std::string_view text) : t_(text) {}

    bool AtEnd() {
        SkipSpace();
        return pos_ >= t_.size();
    }

    std::string_view Word() {
        SkipSpace();
        const std::size_t begin = pos_;
        while (pos_ < t_.size() && !IsSpace(t_[pos_])) ++pos_;
        return t_.substr(begin, pos_ - begin);
    }

    // An optionally signed decimal integer; values beyond the int range saturate.
    bool Int(int& out) {
        SkipSpace();
        std::size_t p = pos_;
        bool negative = false;
        if (p < t_.size() && (t_[p] == '+' || t_[p] == '-')) negative = t_[p++] == '-';
        if (p >= t_.size() || !IsDigit(t_[p])) return false;
        constexpr long long kCap = static_cast<long long>(INT_MAX) + 1;
        long long magnitude = 0;
        for (; p < t_.size() && IsDigit(t_[p]); ++p) {
            if (magnitude < kCap) magnitude = magnitude * 10 + (t_[p] - '0');
            if (magnitude > kCap) magnitude = kCap;
        }
        const long long v = negative ? -magnitude : magnitude;
        out = v > INT_MAX ? INT_MAX : static_cast<int>(v);
        pos_ = p;
        return true;
    }

    // A decimal real number (sign, digits with an optional point, optional exponent). A
    // value that is not finite, or beyond the double range, is not accepted.
    bool Real(double& out) {
        SkipSpace();
        const std::size_t start = pos_;
        std::size_t p = start;
        if (p < t_.size() && (t_[p] == '+' || t_[p] == '-')) ++p;
        std::size_t digits = 0;
        for (; p < t_.size() && IsDigit(t_[p]); ++p) ++digits;
        if (p < t_.size() && t_[p] == '.') {
            for (++p; p < t_.size() && IsDigit(t_[p]); ++p) ++digits;
        }
        if (digits == 0) return false;
        if (p < t_.size() && (t_[p] == 'e' || t_[p] == 'E')) {
            std::size_t q = p + 1;
            if (q < t_.size() && (t_[q] == '+' || t_[q] == '-')) ++q;
            if (q < t_.size() && IsDigit(t_[q])) {
                while (q < t_.size() && IsDigit(t_[q])) ++q;
                p = q;
            }
        }
        const char* first = t_.data() + start;
        const char* last = t_.data() + p;
        if (*first == '+') ++first;  // from_chars takes no plus sign
        double v = 0;
        const auto r = std::from_chars(first, last, v);
        if (r.ec != std::errc() || r.ptr != last || !std::isfinite(v)) return false;
        out = v;
        pos_ = p;
        return true;
    }

private:
    void SkipSpace() {
        while (pos_ < t_.size() && IsSpace(t_[pos_])) ++pos_;
    }

    std::string_view t_;
    std::size_t pos_ = 0;
};

void AppendInt(std::string& out, int v) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// "%lf": fixed notation with six decimals, independent of the C locale.
void AppendReal(std::string& out, double v) {
    char buf[400];  // the largest double has 309 integer digits
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    if (r.ec == std::errc()) {
        out.append(buf, r.ptr);
    } else {
        out += "0.000000";  // cannot happen for a finite value; keeps the line readable
    }
}

}  // namespace

// A keyword's values equal those of another binding of the same table.
bool SameValues(const SettingKeyword& a, const SettingKeyword& b) {
    for (std::size_t f = 0; f < a.fields.size(); ++f) {
        const SettingField &x = a.fields[f], &y = b.fields[f];
        if (x.i != nullptr ? *x.i != *y.i : *x.d != *y.d) return false;
    }
    return true;
}

// A word that reads as a number (a value left over, say) rather than as a keyword.
bool LooksNumeric(std::string_view w) {
    if (!w.empty() && (w.front() == '+' || w.front() == '-')) w.remove_prefix(1);
    return !w.empty() && (IsDigit(w.front()) || w.front() == '.');
}

// Bytes no settings file holds: NUL and the control characters other than blanks.
bool HasBinaryBytes(std::string_view text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && !IsSpace(c)) || u == 0x7F) return true;
    }
    return false;
}

std::string SaveSettings(const Settings& s) {
    Settings copy = s;  // the table binds to a modifiable record
    const std::vector<SettingKeyword> table = BindSettings(copy);
    Settings defaults;
    const std::vector<SettingKeyword> default_table = BindSettings(defaults);
    std::string out;
    out.reserve(1024);
    for (std::size_t n = 0; n < table.size(); ++n) {
        const SettingKeyword& k = table[n];
        if (!k.in_file) continue;
        if (k.only_if_changed && SameValues(k, default_table[n])) continue;
        out += k.keyword;
        out += '\n';
        std::size_t f = 0;
        for (const int length : k.line_lengths) {
            for (int j = 0; j < length && f < k.fields.size(); ++j, ++f) {
                if (j > 0) out += ' ';
                const SettingField& field = k.fields[f];
                if (field.i != nullptr) {
                    AppendInt(out, *field.i);
                } else {
                    AppendReal(out, *field.d);
                }
            }
            out += '\n';
        }
    }
    return out;
}

SettingsLoadReport LoadSettings(std::string_view text, Settings& s) {
    std::vector<SettingKeyword> table = BindSettings(s);
    SettingsLoadReport report;
    TextCursor in(text);
    while (!in.AtEnd()) {
        const std::string_view word = in.Word();
        const SettingKeyword* k = FindSettingKeyword(table, word);
        if (k == nullptr || !k->in_file) {  // any other word is skipped
            if (!LooksNumeric(word)) report.unknown.emplace_back(word);
            continue;
        }
        ++report.understood;
        for (const SettingField& f : k->fields) {
            const bool ok = f.i != nullptr ? in.Int(*f.i) : in.Real(*f.d);
            if (!ok) break;  // this and the keyword's later fields keep their values
        }
    }
    return report;
}

bool LoadSettingsFile(const std::string& path, Settings& s, std::string* why,
                      std::vector<std::string>* unknown) {
    auto fail = [why](std::string reason) {
        if (why != nullptr) *why = std::move(reason);
        return false;
    };
    MappedFile file;
    if (IoResult r = file.Open(path); !r.ok()) return fail("cannot read the file: " + r.detail);
    const auto bytes = file.bytes();
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // An image or other binary file given by mistake is refused, not read as empty words.
    if (HasBinaryBytes(text)) return fail("not a settings file (it holds binary data)");
    Settings loaded = s;
    SettingsLoadReport report = LoadSettings(text, loaded);
    if (report.understood == 0 && !TextCursor(text).AtEnd())
        return fail("not a settings file (no keyword in it is known)");
    s = loaded;
    if (unknown != nullptr) *unknown = std::move(report.unknown);
    return true;
}

bool SaveSettingsFile(const std::string& path, const Settings& s) {
    FileSink sink;
    if (!sink.Open(path).ok()) return false;
    const std::string text = SaveSettings(s);
    sink.Write(text.data(), text.size());
    return sink.Commit().ok();
}

}  // namespace orva
