#include "batch/batch_file.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace orva {

std::string WriteBatchText(const BatchState& batch) {
    std::string out;
    char line[32];
    for (const BatchStep& step : batch.steps) {
        std::snprintf(line, sizeof line, "%d\n", step.edited_code);
        out += line;
        for (const int32_t w : step.block) {
            std::snprintf(line, sizeof line, "%d\n", w);
            out += line;
        }
        out += "\"" + step.format + "\"\n";
        out += "\"" + step.folder + "\"\n";
    }
    return out;
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class Reader {
public:
    explicit Reader(std::string_view text) : t_(text) {}

    // A decimal number after blanks, as "%d" reads it; numbers beyond the int range saturate.
    bool Number(int32_t& out) {
        SkipBlanks();
        std::size_t end = at_;
        if (end < t_.size() && (t_[end] == '-' || t_[end] == '+')) ++end;
        const std::size_t digits = end;
        while (end < t_.size() && t_[end] >= '0' && t_[end] <= '9') ++end;
        if (end == digits) return false;
        const std::size_t from = t_[at_] == '+' ? at_ + 1 : at_;
        long long v = 0;
        const auto r = std::from_chars(t_.data() + from, t_.data() + end, v);
        if (r.ec == std::errc::result_out_of_range) v = t_[at_] == '-' ? INT32_MIN : INT32_MAX;
        out = static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
        at_ = end;
        return true;
    }

    // A text as written: in double quotes on a line of its own. A quoted text runs to the
    // end of its line, so that a folder or format holding blanks comes back whole; a text
    // without a leading quote is one blank-delimited word (with a closing quote removed).
    bool Text(std::string& out) {
        SkipBlanks();
        if (at_ >= t_.size()) return false;
        std::string_view text;
        if (t_[at_] == '"') {
            std::size_t eol = t_.find('\n', at_);
            if (eol == std::string_view::npos) eol = t_.size();
            text = t_.substr(at_ + 1, eol - at_ - 1);
            while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
            at_ = eol;
        } else {
            std::size_t end = at_;
            while (end < t_.size() && !IsBlank(t_[end])) ++end;
            text = t_.substr(at_, end - at_);
            at_ = end;
        }
        if (!text.empty() && text.back() == '"') text.remove_suffix(1);
        out.assign(text);
        return true;
    }

private:
    void SkipBlanks() {
        while (at_ < t_.size() && IsBlank(t_[at_])) ++at_;
    }
    std::string_view t_;
    std::size_t at_ = 0;
};

}  // namespace

int ReadBatchText(std::string_view text, BatchState& batch) {
    Reader r(text);
    int blocks = 0;
    for (BatchStep& step : batch.steps) {
        // A block is taken whole or not at all: a file cut inside a block leaves that step as
        // it was instead of half overwritten.
        BatchStep read = step;
        int32_t code = 0;
        if (!r.Number(code)) break;
        bool whole = true;
        for (int32_t& w : read.block) whole = whole && r.Number(w);
        whole = whole && r.Text(read.format) && r.Text(read.folder);
        if (!whole) break;
        read.edited_code = read.confirmed_code = code;
        step = std::move(read);
        ++blocks;
    }
    return blocks;
}

}  // namespace orva
