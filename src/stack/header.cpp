#include "stack/header.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/text.h"

namespace orva {

namespace {

bool IsKey(const std::string& card, const char* key) {
    std::string k = card.substr(0, 8);
    k.erase(k.find_last_not_of(' ') + 1);
    return k == key && card.size() > 9 && card[8] == '=';
}

const std::string* Find(const std::vector<std::string>& cards, const char* key) {
    for (const std::string& c : cards)
        if (IsKey(c, key)) return &c;
    return nullptr;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

}  // namespace

bool CardNumber(const std::vector<std::string>& cards, const char* key, double& out) {
    const std::string* c = Find(cards, key);
    if (c == nullptr) return false;
    const std::string value = c->substr(10);
    const char* begin = value.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(v)) return false;
    out = v;
    return true;
}

std::string CardText(const std::vector<std::string>& cards, const char* key) {
    const std::string* c = Find(cards, key);
    if (c == nullptr) return {};
    const std::size_t open = c->find('\'', 10);
    if (open == std::string::npos) return {};
    std::string text;
    for (std::size_t i = open + 1; i < c->size(); ++i) {
        if ((*c)[i] != '\'') {
            text += (*c)[i];
        } else if (i + 1 < c->size() && (*c)[i + 1] == '\'') {
            text += '\'';
            ++i;
        } else {
            break;
        }
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

bool ParseFitsDate(const std::string& text, double& seconds) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, used = 0;
    double s = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) != 3 || used != 10)
        return false;
    if (text.size() > 10) {
        int more = 0;
        if (text[10] != 'T' ||
            std::sscanf(text.c_str() + 11, "%2d:%2d:%lf%n", &h, &mi, &s, &more) != 3 ||
            11 + static_cast<std::size_t>(more) != text.size())
            return false;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || !(s >= 0 && s < 61))
        return false;
    seconds =
        static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d))) *
            86400.0 +
        h * 3600.0 + mi * 60.0 + s;
    return true;
}

std::string FormatFitsDate(double seconds) {
    const auto ms = static_cast<long long>(std::llround(seconds * 1000));
    long long days = ms / 86400000, rest = ms % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    long long y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    const long long h = rest / 3600000, mi = rest / 60000 % 60, s = rest / 1000 % 60,
                    f = rest % 1000;
    std::string out = Format("%04lld-%02u-%02uT%02lld:%02lld:%02lld", y, m, d, h, mi, s);
    if (f != 0) out += Format(".%03lld", f);
    return out;
}

std::vector<std::string> StackedCards(std::vector<std::string> cards,
                                      const std::vector<LightTime>& used) {
    std::vector<std::string> put;
    put.push_back(Format("%-8s= %20zu / lights combined", "NCOMBINE", used.size()));
    put.push_back(Format("%-8s= %20zu / lights stacked", "STACKCNT", used.size()));
    double live = 0;
    bool all_known = !used.empty();
    for (const LightTime& t : used) {
        all_known = all_known && t.exposure > 0;
        live += t.exposure;
    }
    if (all_known)
        put.push_back(
            Format("%-8s= %20.10g / seconds, sum of the lights' EXPTIME", "LIVETIME", live));
    // The first start and the end of the last-starting light.
    bool dated = false;
    double first = 0, last = 0, last_exposure = 0;
    std::string first_text;
    for (const LightTime& t : used) {
        double s = 0;
        if (!ParseFitsDate(t.date_obs, s)) continue;
        if (!dated || s < first) {
            first = s;
            first_text = t.date_obs;
        }
        if (!dated || s > last) {
            last = s;
            last_exposure = std::max(0.0, t.exposure);
        }
        dated = true;
    }
    if (dated) {
        put.push_back(
            Format("%-8s= '%s' / start of the first light", "DATE-OBS", first_text.c_str()));
        put.push_back(Format("%-8s= '%s' / end of the last light", "DATE-END",
                             FormatFitsDate(last + last_exposure).c_str()));
    }
    for (const std::string& card : put) {
        const std::string key = card.substr(0, 8);
        std::string k = key;
        k.erase(k.find_last_not_of(' ') + 1);
        auto at = std::find_if(cards.begin(), cards.end(),
                               [&](const std::string& c) { return IsKey(c, k.c_str()); });
        if (at == cards.end()) {
            cards.push_back(card);
            continue;
        }
        *at = card;
        // Any repeat of the key goes.
        cards.erase(std::remove_if(at + 1, cards.end(),
                                   [&](const std::string& c) { return IsKey(c, k.c_str()); }),
                    cards.end());
    }
    return cards;
}

}  // namespace orva
