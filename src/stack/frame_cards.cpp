// What the stages know of a frame besides its samples: its header and exposure.
#include <algorithm>

#include "common/text.h"
#include "stack/header.h"
#include "stack/stages.h"

namespace orva {

namespace {

// Header cards from what the camera recorded for a RAW light.
std::vector<std::string> RawCards(const RawMosaic& m) {
    std::vector<std::string> cards;
    auto text = [&](const char* key, std::string value) {
        for (char& ch : value)
            if (ch < 32 || ch > 126 || ch == '\'') ch = ' ';
        value.resize(std::min<std::size_t>(value.size(), 60));
        if (!value.empty()) cards.push_back(Format("%-8s= '%-8s'", key, value.c_str()));
    };
    std::string instrument = m.make;
    if (!m.model.empty()) instrument += (instrument.empty() ? "" : " ") + m.model;
    text("INSTRUME", instrument);
    if (m.exposure > 0) cards.push_back(Format("%-8s= %20.6g / seconds", "EXPTIME", m.exposure));
    if (m.iso > 0) cards.push_back(Format("%-8s= %20.0f", "ISOSPEED", m.iso));
    // No DATE-OBS: a camera's clock keeps local time of an unknown zone, and the key means UTC.
    return cards;
}

}  // namespace

std::vector<std::string> CardsOf(const FrameRows& f) {
    if (const auto* fits = dynamic_cast<const FitsFrame*>(&f)) return fits->cards();
    if (const auto* raw = dynamic_cast<const RawFrame*>(&f)) return RawCards(raw->layout);
    return {};
}

double Exposure(const FrameRows& f) {
    const std::vector<std::string> cards = CardsOf(f);
    double v = 0;
    if (CardNumber(cards, "EXPTIME", v) || CardNumber(cards, "EXPOSURE", v)) return v;
    return 0;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 == 1 ? v[m] : 0.5 * (v[m - 1] + v[m]);
}

}  // namespace orva
