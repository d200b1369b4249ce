#include "stack/report.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "common/text.h"

namespace orva {

void SelectLights(std::vector<LightQuality>& lights, double keep_percent, double max_fwhm) {
    if (max_fwhm > 0)
        for (LightQuality& q : lights) {
            if (!q.used) continue;
            if (q.stars == 0) {
                q.used = false;
                q.reason = "no stars to measure the FWHM";
            } else if (q.fwhm > max_fwhm) {
                q.used = false;
                q.reason = Format("FWHM %.2f px above the limit of %.2f px", q.fwhm, max_fwhm);
            }
        }
    if (!(keep_percent < 100)) return;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < lights.size(); ++i)
        if (lights[i].used) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t l, std::size_t r) {
        const LightQuality &a = lights[l], &b = lights[r];
        if ((a.stars > 0) != (b.stars > 0)) return a.stars > 0;
        if (a.fwhm != b.fwhm) return a.fwhm < b.fwhm;
        return a.stars > b.stars;
    });
    const auto keep = std::max<std::size_t>(
        1, static_cast<std::size_t>(std::ceil(
               static_cast<double>(order.size()) * std::max(0.0, keep_percent) / 100 - 1e-9)));
    for (std::size_t k = keep; k < order.size(); ++k) {
        LightQuality& q = lights[order[k]];
        q.used = false;
        q.reason = Format("not among the best %g %% by FWHM", keep_percent);
    }
}

namespace {

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string Field(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

}  // namespace

std::string ReportCsv(const std::vector<LightQuality>& lights) {
    std::string out =
        "file,stars,fwhm_px,roundness,sky,noise,dx_px,dy_px,rotation_deg,weight,status,reason\n";
    for (const LightQuality& q : lights) {
        out += Field(q.path);
        out += Format(",%d,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.4f,%.4f,", q.stars, q.fwhm, q.roundness,
                      q.sky, q.noise, q.dx, q.dy, q.rotation, q.weight);
        out += q.used ? "used," : "rejected,";
        out += Field(q.reason) + "\n";
    }
    return out;
}

IoResult WriteReport(const std::string& path, const std::vector<LightQuality>& lights) {
    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;
    sink.PutText(ReportCsv(lights).c_str());
    return sink.Commit();
}

std::string ReportSummary(const std::vector<LightQuality>& lights) {
    std::vector<double> fwhm;
    std::size_t used = 0;
    for (const LightQuality& q : lights) {
        if (!q.used) continue;
        ++used;
        if (q.stars > 0) fwhm.push_back(q.fwhm);
    }
    std::string s =
        Format("%zu of %zu light(s) used, %zu left out", used, lights.size(), lights.size() - used);
    if (!fwhm.empty()) {
        std::sort(fwhm.begin(), fwhm.end());
        s += Format("; FWHM of those used %.2f px median (%.2f to %.2f)", fwhm[fwhm.size() / 2],
                    fwhm.front(), fwhm.back());
    }
    return s;
}

}  // namespace orva
