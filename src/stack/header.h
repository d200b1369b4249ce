// The header of a stacked result: the reference light's cards, with the keys that describe
// the whole stack rather than one exposure put right.
#pragma once

#include <string>
#include <vector>

namespace orva {

// What one used light contributes: its exposure (seconds, not above 0 when unknown) and its
// start (DATE-OBS text, empty when unknown).
struct LightTime {
    double exposure = 0;
    std::string date_obs;
};

// The value of a card `key` as a number, or false when absent or not a number.
bool CardNumber(const std::vector<std::string>& cards, const char* key, double& out);
// The text of a quoted string card, without quotes and trailing blanks; empty when absent.
std::string CardText(const std::vector<std::string>& cards, const char* key);

// A FITS date ("YYYY-MM-DD" or "YYYY-MM-DDThh:mm:ss[.fff]") as seconds since 1970-01-01T00:00
// (UTC assumed); false when it is not one.
bool ParseFitsDate(const std::string& text, double& seconds);
// Seconds since 1970 as "YYYY-MM-DDThh:mm:ss", with milliseconds when not whole.
std::string FormatFitsDate(double seconds);

// The reference's cards with NCOMBINE and STACKCNT (lights used), LIVETIME (the sum of
// their exposures, when all are known), DATE-OBS (the earliest start) and DATE-END (the
// latest start plus that light's exposure), when lights carry DATE-OBS. Such cards already
// there are replaced, not repeated; every other card stays as it was, EXPTIME too.
std::vector<std::string> StackedCards(std::vector<std::string> cards,
                                      const std::vector<LightTime>& used);

}  // namespace orva
