// What a calibrated stack measured of each light, which lights it kept, and the report of
// it: a CSV file of one row per light and a short summary.
#pragma once

#include <string>
#include <vector>

#include "imageio/file_io.h"

namespace orva {

struct LightQuality {
    std::string path;
    int stars = 0;          // stars found, up to 2000
    double fwhm = 0;        // median FWHM of the stars, pixels; 0 without stars
    double roundness = 0;   // median minor / major axis; 0 without stars
    double sky = 0;         // sky level (robust location) of the registration plane
    double noise = 0;       // pixel-to-pixel noise after calibration
    double dx = 0, dy = 0;  // where the light's centre lands on the reference, less the centre
    double rotation = 0;    // degrees, counter-clockwise when y is up
    double weight = 0;      // in the combination, the reference light's being 1; 0 if unused
    bool used = true;
    std::string reason;  // why a light was left out
};

// Leaves out, of the lights still used, those whose FWHM is above max_fwhm (when above 0),
// and then all but the best keep_percent (when below 100) by FWHM, ties by more stars, then
// by order. A light without stars has no FWHM: it goes last, and a FWHM limit drops it.
void SelectLights(std::vector<LightQuality>& lights, double keep_percent, double max_fwhm);

// Header row and one row per light, the file name first.
std::string ReportCsv(const std::vector<LightQuality>& lights);
// Written whole or not at all.
IoResult WriteReport(const std::string& path, const std::vector<LightQuality>& lights);
// One line: how many lights were used and left out, and the spread of their FWHM.
std::string ReportSummary(const std::vector<LightQuality>& lights);

}  // namespace orva
