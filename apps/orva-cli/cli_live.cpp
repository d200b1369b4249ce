#include "cli_live.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_args.h"
#include "cli_ops.h"
#include "cli_preview.h"
#include "common/text.h"
#include "imageio/formats.h"
#include "shell/settings.h"
#include "stack/live_watch.h"

namespace orva {

const char* const kLiveUsage =
    "  orva-cli live WATCH_DIR OUT.fits [--preview OUT.png] [--bias MASTER] [--dark MASTER]\n"
    "                 [--flat MASTER] [--register stars|shift] [--reject sigma|winsor|none]\n"
    "                 [--max-fwhm PX] [--frames N] [--idle SECONDS] [--max-pixels N]\n"
    "      live stacking: the FITS (also BAYERPAT mosaics) and camera RAW lights already in\n"
    "      WATCH_DIR, in name order, then each one that lands there complete (closed after\n"
    "      writing or renamed in; names starting with '.' are ignored). Each light is\n"
    "      calibrated with the masters, measured, rejected when it shows no stars, when its\n"
    "      FWHM is above --max-fwhm or 1.5 times the median of those accepted, or when its\n"
    "      stars match none of the first light's; else registered on the first light\n"
    "      accepted (--register, as in 'stack'), brought to its sky and added to a running\n"
    "      mean. --reject sigma (default) or winsor keeps a running mean and variance per\n"
    "      sample; from 5 frames on, a new value beyond 3 standard deviations is dropped\n"
    "      (sigma) or pulled in to that bound (winsor): an approximation of the rejection of\n"
    "      'stack', as earlier frames are never judged by later ones.\n"
    "      After every light accepted, OUT (32-bit float FITS with NCOMBINE, LIVETIME and\n"
    "      HISTORY) and the preview (auto-stretched, at most 2000 px wide) are replaced\n"
    "      whole; one line per light tells what became of it. Ctrl-C (SIGINT) ends with\n"
    "      status 0 and OUT complete, as do --frames N (lights taken, accepted or not) and\n"
    "      --idle SECONDS (no light landed for that long). Status 1 when none was accepted.\n"
    "      A light of more than --max-pixels pixels (default 1073741824) is rejected.\n";

namespace {

constexpr int kPreviewWidth = 2000;

int Usage(const std::string& problem) {
    return CliUsage(problem, (std::string("usage:\n") + kLiveUsage).c_str());
}

struct Parsed {
    std::string folder, out, preview;
    LiveOptions options;
    long long frames = 0;  // 0: no limit
    double idle = 0;       // seconds; 0: no limit
};

// 0 when parsed, else the status to end with (-1 after printing the help).
int ParseOption(const std::string& a, const std::string& v, Parsed& p) {
    LiveOptions& o = p.options;
    if (a == "--preview") {
        p.preview = v;
    } else if (a == "--bias" || a == "--dark" || a == "--flat") {
        (a == "--bias" ? o.bias : a == "--dark" ? o.dark : o.flat) = v;
    } else if (a == "--register") {
        if (v != "stars" && v != "shift") return Usage("--register takes stars or shift");
        o.registration = v == "stars" ? Registration::Stars : Registration::Shift;
    } else if (a == "--reject") {
        if (!ParseRejection(v, o.rejection) ||
            (o.rejection != Rejection::None && o.rejection != Rejection::Sigma &&
             o.rejection != Rejection::Winsor))
            return Usage("--reject takes sigma, winsor or none");
    } else if (a == "--max-fwhm") {
        if (!ParseDecimal(v, 0.1, 1000, o.max_fwhm)) return Usage("--max-fwhm needs 0.1 to 1000");
    } else if (a == "--frames") {
        if (!ParseWhole(v, 1LL, 1000000000LL, p.frames)) return Usage("--frames needs 1 or more");
    } else if (a == "--idle") {
        if (!ParseDecimal(v, 0.1, 1e7, p.idle)) return Usage("--idle needs 0.1 seconds or more");
    } else if (a == "--max-pixels") {
        const FieldDecl& f = kReadingFields.max_pixels;
        long long n = 0;
        if (!ParseWhole(v, static_cast<long long>(f.min), static_cast<long long>(f.max), n))
            return Usage(Format("--max-pixels %s: expected a whole number %d to %d", v.c_str(),
                                f.min, f.max));
        o.max_pixels = static_cast<uint64_t>(n);
    }
    return 0;
}

int Parse(int argc, char** argv, Parsed& p) {
    std::vector<std::string> positional;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--preview" || a == "--bias" || a == "--dark" || a == "--flat" ||
            a == "--register" || a == "--reject" || a == "--max-fwhm" || a == "--frames" ||
            a == "--idle" || a == "--max-pixels") {
            if (i + 1 >= argc) return Usage(a + " needs a value");
            if (const int s = ParseOption(a, argv[++i], p); s != 0) return s;
        } else if (IsHelpOption(a)) {
            std::printf("usage:\n%s", kLiveUsage);
            return -1;
        } else if (LooksLikeOption(a)) {
            return Usage(UnknownOption(a));
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) return Usage("live needs WATCH_DIR and OUT");
    p.folder = positional[0];
    p.out = positional[1];
    std::error_code ec;
    if (!std::filesystem::is_directory(p.folder, ec)) return CliFail(p.folder + ": not a folder");
    if (DetectFormat(p.out) != kFormatFits) return Usage(p.out + ": OUT must be a FITS file");
    if (!p.preview.empty() && DetectFormat(p.preview) == kFormatUnknown)
        return Usage(p.preview + ": unknown preview format (by its extension)");
    const LiveOptions& o = p.options;
    if (const std::string e = CheckOutputs({o.bias, o.dark, o.flat}, {p.out, p.preview});
        !e.empty())
        return CliFail(e);
    for (const std::string& file : {p.out, p.preview})
        if (!file.empty())
            if (const std::string why = FolderProblem(file); !why.empty()) return CliFail(why);
    for (const std::string& m : {o.bias, o.dark, o.flat})
        if (!m.empty() && !std::filesystem::is_regular_file(m, ec))
            return CliFail(m + ": no such master file");
    return 0;
}

// Writes the stack and its preview; empty or the one-line problem.
std::string WriteOutputs(const Parsed& p, const LiveStack& live) {
    const IoResult r = WriteFitsLinear(p.out, live.image(), true, live.History());
    if (!r.ok()) return p.out + ": cannot write: " + IoStatusName(r.status);
    if (p.preview.empty()) return {};
    // From the stack in memory rather than the file just written: reading 4 bytes a sample
    // back and scaling the whole picture down took a fifth of a light's time.
    return WriteStackPreview(live.image(), p.preview, kPreviewWidth);
}

std::string Line(const std::string& name, const LiveFrame& f, const LiveStack& live, double ms) {
    std::string s = name + (f.accepted ? ": accepted" : ": rejected (" + f.reason + ")");
    s += Format(", %d stars, FWHM %.2f px", f.stars, f.fwhm);
    if (f.accepted)
        s += Format(", shift %+.2f %+.2f px, rotation %+.2f deg", f.dx, f.dy, f.rotation);
    s += Format(", %d frame(s), %.0f s, %.0f ms", live.frames(), live.exposure(), ms);
    return s;
}

}  // namespace

int LiveMain(int argc, char** argv) {
    Parsed p;
    if (const int s = Parse(argc, argv, p); s != 0) return s < 0 ? 0 : s;
    // SIGINT is taken through a descriptor between lights, so that it ends the stack
    // complete instead of in the middle of a light. Blocked before any worker thread starts,
    // so that none of them takes it either.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    struct sigaction old {};
    const bool interruptible = sigaction(SIGINT, nullptr, &old) == 0 && old.sa_handler != SIG_IGN;
    int sfd = -1;
    if (interruptible) {
        sigprocmask(SIG_BLOCK, &mask, nullptr);
        sfd = signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
    }
    LiveWatchOptions w;
    w.folder = p.folder;
    w.own_files = {p.out, p.preview, p.options.bias, p.options.dark, p.options.flat};
    w.frames = p.frames;
    w.idle = p.idle;
    w.stop_fd = sfd;
    LiveSession session(p.options, w);
    const LiveStack& live = session.stack();
    std::size_t warned = 0;
    auto on_frame = [&](const LiveEvent& ev, std::string* why) {
        for (; warned < live.warnings().size(); ++warned)
            std::fprintf(stderr, "orva-cli: warning: %s\n", live.warnings()[warned].c_str());
        if (ev.frame.accepted)
            if (std::string e = WriteOutputs(p, live); !e.empty()) {
                *why = std::move(e);
                return false;
            }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - ev.start)
                .count();
        std::printf("%s\n", Line(ev.name, ev.frame, live, ms).c_str());
        std::fflush(stdout);
        return true;
    };
    std::string error;
    if (!session.Run(on_frame, &error)) return CliFail(error);
    if (live.frames() == 0) return CliFail(p.out + ": no light was accepted; nothing written");
    std::fprintf(stderr, "orva-cli: %d light frame(s) stacked, %.0f s, in %s\n", live.frames(),
                 live.exposure(), p.out.c_str());
    return 0;
}

}  // namespace orva
