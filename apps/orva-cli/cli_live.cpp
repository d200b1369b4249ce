#include "cli_live.h"

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli_args.h"
#include "cli_ops.h"
#include "cli_preview.h"
#include "common/text.h"
#include "imageio/formats.h"
#include "stack/live.h"

namespace orva {

const char* const kLiveUsage =
    "  orva-cli live WATCH_DIR OUT.fits [--preview OUT.png] [--bias MASTER] [--dark MASTER]\n"
    "                 [--flat MASTER] [--register stars|shift] [--reject sigma|winsor|none]\n"
    "                 [--max-fwhm PX] [--frames N] [--idle SECONDS]\n"
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
    "      --idle SECONDS (no light landed for that long). Status 1 when none was accepted.\n";

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
    }
    return 0;
}

int Parse(int argc, char** argv, Parsed& p) {
    std::vector<std::string> positional;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--preview" || a == "--bias" || a == "--dark" || a == "--flat" ||
            a == "--register" || a == "--reject" || a == "--max-fwhm" || a == "--frames" ||
            a == "--idle") {
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

// The folder's lights in the order they are taken, and what inotify says lands there.
class Watch {
public:
    explicit Watch(const Parsed& p) : p_(p) {}
    ~Watch() {
        if (fd_ >= 0) close(fd_);
    }
    bool Start(std::string* error) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0 ||
            inotify_add_watch(fd_, p_.folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
            *error = p_.folder + ": cannot watch the folder";
            return false;
        }
        // Listed after the watch began, so that nothing landing meanwhile is missed.
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(p_.folder, ec))
            if (e.is_regular_file(ec)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        for (const std::string& n : names) Push(n);
        return true;
    }
    int fd() const { return fd_; }
    void ReadEvents() {
        alignas(inotify_event) char buf[16384];
        for (;;) {
            const ssize_t got = read(fd_, buf, sizeof buf);
            if (got <= 0) return;
            for (ssize_t at = 0; at < got;) {
                const auto* ev = reinterpret_cast<const inotify_event*>(buf + at);
                if (ev->len > 0) Push(ev->name);
                at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
            }
        }
    }
    bool Empty() const { return queue_.empty(); }
    std::string Next() {
        std::string n = queue_.front();
        queue_.pop_front();
        return n;
    }
    void Accepted(const std::string& name) { accepted_.insert(name); }

private:
    void Push(const std::string& name) {
        if (name.empty() || name[0] == '.' || accepted_.count(name) > 0) return;
        if (std::find(queue_.begin(), queue_.end(), name) != queue_.end()) return;
        const std::string path = (std::filesystem::path(p_.folder) / name).string();
        // The outputs and masters may live in the folder: they are no lights.
        const LiveOptions& o = p_.options;
        for (const std::string& own : {p_.out, p_.preview, o.bias, o.dark, o.flat})
            if (!own.empty() && SameFile(own, path)) return;
        queue_.push_back(name);
    }
    const Parsed& p_;
    int fd_ = -1;
    std::deque<std::string> queue_;
    std::set<std::string> accepted_;
};

// Writes the stack and its preview; empty or the one-line problem.
std::string WriteOutputs(const Parsed& p, const LiveStack& live) {
    const IoResult r = WriteFitsLinear(p.out, live.image(), true, live.History());
    if (!r.ok()) return p.out + ": cannot write: " + IoStatusName(r.status);
    if (p.preview.empty()) return {};
    const int width = live.image().width;
    const int zoom = width > kPreviewWidth ? std::max(1, kPreviewWidth * 100 / width) : 100;
    return WritePreview(p.out, p.preview, true, zoom, LoadOptions{});
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
    Watch watch(p);
    std::string error;
    if (!watch.Start(&error)) return CliFail(error);
    LiveStack live(p.options);
    long long taken = 0;
    std::size_t warned = 0;
    using Clock = std::chrono::steady_clock;
    auto last = Clock::now();
    int status = -1;
    while (status < 0) {
        while (!watch.Empty() && status < 0) {
            const std::string name = watch.Next();
            const std::string path = (std::filesystem::path(p.folder) / name).string();
            const int kind = DetectFormat(path);
            if (kind != kFormatFits && kind != kFormatRaw) continue;  // not a light
            const auto start = Clock::now();
            LiveFrame f;
            if (!live.Add(path, f, &error)) return CliFail(error);
            for (; warned < live.warnings().size(); ++warned)
                std::fprintf(stderr, "orva-cli: warning: %s\n", live.warnings()[warned].c_str());
            if (f.accepted) {
                watch.Accepted(name);
                if (const std::string e = WriteOutputs(p, live); !e.empty()) return CliFail(e);
            }
            const double ms =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            std::printf("%s\n", Line(name, f, live, ms).c_str());
            std::fflush(stdout);
            last = Clock::now();
            if (p.frames > 0 && ++taken >= p.frames) status = 0;
            signalfd_siginfo si{};
            if (sfd >= 0 && read(sfd, &si, sizeof si) == sizeof si) status = 0;
        }
        if (status >= 0) break;
        int timeout = -1;
        if (p.idle > 0) {
            const double left = p.idle - std::chrono::duration<double>(Clock::now() - last).count();
            if (left <= 0) break;
            timeout = static_cast<int>(left * 1000) + 1;
        }
        pollfd fds[2] = {{watch.fd(), POLLIN, 0}, {sfd, POLLIN, 0}};
        const int ready = poll(fds, sfd >= 0 ? 2 : 1, timeout);
        if (ready > 0 && (fds[1].revents & POLLIN) != 0) break;
        if (ready > 0) watch.ReadEvents();
    }
    if (live.frames() == 0) return CliFail(p.out + ": no light was accepted; nothing written");
    std::fprintf(stderr, "orva-cli: %d light frame(s) stacked, %.0f s, in %s\n", live.frames(),
                 live.exposure(), p.out.c_str());
    return 0;
}

}  // namespace orva
