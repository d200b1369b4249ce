#include "cli_calibrated.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_args.h"
#include "cli_ops.h"
#include "imageio/formats.h"
#include "stack/pipeline.h"
#include "workspace/workspace.h"

namespace orva {

namespace {

constexpr const char* kUsage =
    "usage: orva-cli stack OUT LIGHT... [--bias FILE...] [--dark FILE...] [--flat FILE...]\n"
    "                 [--reject none|sigma|winsor|minmax|median] [--kappa LOW,HIGH]\n"
    "                 [--iterations N] [--weight noise] [--master median|mean] [--range N]\n"
    "                 [--register shift|stars] [--float]\n"
    "      calibrated stacking of any number of FITS or camera RAW frames: masters from\n"
    "      the bias, dark and flat frames, (light - dark) / normalised flat (RAW on the\n"
    "      sensor mosaic, then demosaiced), registration on the first\n"
    "      light (shift: whole pixels within --range; stars: rotation, scale and shift\n"
    "      fitted to matched stars, lights resampled), combination with rejection\n"
    "      (default sigma, kappa 3,3, 3 iterations).\n"
    "      OUT as FITS keeps the first light's header keys and says what was done in\n"
    "      HISTORY cards; --float writes 32-bit floats (FITS or TIFF). OUT may not be one of the "
    "frames.\n"
    "      (The desktop's compositing of up to 16 files is 'orva-cli composite'.)\n";

int Usage(const std::string& problem) {
    return CliUsage(problem, kUsage);
}

bool IsFits(const std::string& path) {
    const int code = DetectFormat(path);
    return code == kFormatFits;
}

}  // namespace

int CalibratedStackMain(int argc, char** argv) {
    StackJob job;
    std::string out;
    bool float32 = false;
    std::vector<std::string>* list = &job.lights;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--bias") {
            list = &job.bias;
        } else if (a == "--dark") {
            list = &job.darks;
        } else if (a == "--flat") {
            list = &job.flats;
        } else if (a == "--float") {
            float32 = true;
        } else if (a == "--reject" || a == "--kappa" || a == "--iterations" || a == "--weight" ||
                   a == "--master" || a == "--range" || a == "--register") {
            const char* v = value();
            if (v == nullptr) return Usage(a + " needs a value");
            const std::string s = v;
            char* end = nullptr;
            if (a == "--reject") {
                if (!ParseRejection(s, job.combine.rejection))
                    return Usage("unknown rejection " + s);
            } else if (a == "--kappa") {
                const double lo = std::strtod(v, &end);
                const double hi = *end == ',' ? std::strtod(end + 1, &end) : lo;
                if (*end != '\0' || !(lo > 0) || !(hi > 0) || lo > 100 || hi > 100)
                    return Usage("--kappa needs LOW,HIGH above 0");
                job.combine.kappa_low = lo;
                job.combine.kappa_high = hi;
            } else if (a == "--iterations") {
                job.combine.iterations = static_cast<int>(std::strtol(v, &end, 10));
                if (*end != '\0' || job.combine.iterations < 1 || job.combine.iterations > 100)
                    return Usage("--iterations needs 1 to 100");
            } else if (a == "--weight") {
                if (s != "noise" && s != "none") return Usage("--weight takes noise or none");
                job.weight_by_noise = s == "noise";
            } else if (a == "--register") {
                if (s != "stars" && s != "shift") return Usage("--register takes shift or stars");
                job.registration = s == "stars" ? Registration::Stars : Registration::Shift;
            } else if (a == "--master") {
                if (s != "median" && s != "mean") return Usage("--master takes median or mean");
                job.master_median = s == "median";
            } else {
                job.search_range = static_cast<int>(std::strtol(v, &end, 10));
                if (*end != '\0' || job.search_range < 0 || job.search_range > 1000)
                    return Usage("--range needs 0 to 1000");
            }
        } else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (LooksLikeOption(a)) {
            return Usage(UnknownOption(a));
        } else if (out.empty()) {
            out = a;
        } else {
            list->push_back(a);
        }
    }
    if (out.empty() || job.lights.empty()) return Usage("stack needs OUT and light frames");
    if (DetectFormat(out) == kFormatUnknown) return CliFail(out + ": unknown output format");
    std::vector<std::string> inputs = job.lights;
    for (const auto* files : {&job.bias, &job.darks, &job.flats})
        inputs.insert(inputs.end(), files->begin(), files->end());
    if (const std::string e = CheckOutputs(inputs, {out}); !e.empty()) return CliFail(e);
    for (const auto* files : {&job.lights, &job.bias, &job.darks, &job.flats})
        for (const std::string& f : *files)
            if (!IsFits(f) && DetectFormat(f) != kFormatRaw)
                return CliFail(f + ": calibrated stacking reads FITS or RAW frames");

    const auto start = std::chrono::steady_clock::now();
    job.progress = [&](const std::string& line, int) {
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (s >= 1.0) std::fprintf(stderr, "orva-cli: %6.1f s  %s\n", s, line.c_str());
    };
    StackOutcome result;
    std::string error;
    if (!RunCalibratedStack(job, result, &error)) return CliFail(error);
    for (const std::string& why : result.left_out)
        std::fprintf(stderr, "orva-cli: left out %s\n", why.c_str());

    IoResult r;
    if (IsFits(out)) {
        r = WriteFitsLinear(out, result.image, float32, result.history);
    } else if (float32 && DetectFormat(out) == kFormatTiff) {
        r = WriteTiffFloat(out, result.image);
    } else {
        // Other formats hold 16-bit samples: the values rounded into 0..65535.
        const LinearImage& img = result.image;
        DecodedImage d;
        if (!d.Allocate(img.width, img.height)) return CliFail("out of memory");
        for (int c = 0; c < 3; ++c) {
            const float* p = img.plane(img.planes == 1 ? 0 : c);
            Plane& dst = c == 0 ? d.red : c == 1 ? d.green : d.blue;
            for (std::size_t i = 0; i < img.pixels(); ++i)
                dst[i] = std::isnan(p[i]) ? 0
                                          : static_cast<uint16_t>(std::lround(
                                                std::clamp(double{p[i]}, 0.0, 65535.0)));
        }
        ImageRecord rec;
        StoreDecoded(rec, std::move(d), out);
        r = WriteImageFile(out, DetectFormat(out), rec, WriteOptions{});
    }
    if (!r.ok()) return CliFail(out + ": cannot write: " + IoStatusName(r.status));
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "orva-cli: %zu light frame(s) stacked in %.2f s\n",
                 job.lights.size() - result.left_out.size(), s);
    return 0;
}

}  // namespace orva
