#include "stack/live_watch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <set>

#include "imageio/file_io.h"
#include "imageio/formats.h"

namespace orva {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool Readable(int fd) {
    if (fd < 0) return false;
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

}  // namespace

// The folder's lights in the order they are taken, and what inotify says lands there.
class LiveSession::Queue {
public:
    explicit Queue(const LiveWatchOptions& w) : w_(w) {}
    ~Queue() {
        if (fd_ >= 0) close(fd_);
    }
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    bool Start(std::string* error) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0 ||
            inotify_add_watch(fd_, w_.folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
            *error = w_.folder + ": cannot watch the folder";
            return false;
        }
        // Listed after the watch began, so that nothing landing meanwhile is missed.
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(w_.folder, ec))
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
    // A light accepted is not taken again when it is written over; one rejected is, as the
    // camera program may have landed it before it was whole.
    void Accepted(const std::string& name) { accepted_.insert(name); }

private:
    void Push(const std::string& name) {
        if (name.empty() || name[0] == '.' || accepted_.count(name) > 0) return;
        if (std::find(queue_.begin(), queue_.end(), name) != queue_.end()) return;
        const std::string path = (fs::path(w_.folder) / name).string();
        for (const std::string& own : w_.own_files)
            if (!own.empty() && SameFile(own, path)) return;
        queue_.push_back(name);
    }
    const LiveWatchOptions& w_;
    int fd_ = -1;
    std::deque<std::string> queue_;
    std::set<std::string> accepted_;
};

LiveSession::LiveSession(LiveOptions stack, LiveWatchOptions watch)
    : stack_(std::move(stack)), watch_(std::move(watch)) {
    wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

LiveSession::~LiveSession() {
    if (wake_fd_ >= 0) close(wake_fd_);
}

void LiveSession::Wake() {
    const std::uint64_t one = 1;
    if (wake_fd_ >= 0 && write(wake_fd_, &one, sizeof one) < 0) {
        // Already woken more times than a counter holds: it is readable anyway.
    }
}

void LiveSession::Stop() {
    stop_ = true;
    Wake();
}

void LiveSession::Pause(bool paused) {
    paused_ = paused;
    Wake();
}

// Waits for lights, a wake-up or the end; false when the session should end.
bool LiveSession::Wait(Queue& queue, Clock::time_point last) {
    int timeout = -1;
    if (watch_.idle > 0 && !paused_) {
        const double left =
            watch_.idle - std::chrono::duration<double>(Clock::now() - last).count();
        if (left <= 0) return false;
        timeout = static_cast<int>(left * 1000) + 1;
    }
    pollfd fds[3] = {{queue.fd(), POLLIN, 0}, {wake_fd_, POLLIN, 0}, {watch_.stop_fd, POLLIN, 0}};
    const int ready = poll(fds, watch_.stop_fd >= 0 ? 3 : 2, timeout);
    if (ready > 0 && (fds[2].revents & POLLIN) != 0) return false;
    if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
        std::uint64_t n = 0;
        if (read(wake_fd_, &n, sizeof n) < 0) n = 0;
    }
    if (ready > 0) queue.ReadEvents();
    return !stop_;
}

bool LiveSession::Run(const FrameFn& on_frame, std::string* error) {
    Queue queue(watch_);
    if (!queue.Start(error)) return false;
    if (wake_fd_ < 0) {
        *error = watch_.folder + ": cannot watch the folder (no event descriptor)";
        return false;
    }
    long long taken = 0;
    auto last = Clock::now();
    while (!stop_) {
        while (!queue.Empty() && !paused_ && !stop_) {
            const std::string name = queue.Next();
            const std::string path = (fs::path(watch_.folder) / name).string();
            const int kind = DetectFormat(path);
            if (kind != kFormatFits && kind != kFormatRaw) continue;  // not a light
            LiveEvent ev;
            ev.name = name;
            ev.start = Clock::now();
            if (!stack_.Add(path, ev.frame, error)) return false;
            if (ev.frame.accepted) queue.Accepted(name);
            if (!on_frame(ev, error)) return false;
            last = Clock::now();
            if (watch_.frames > 0 && ++taken >= watch_.frames) return true;
            if (Readable(watch_.stop_fd)) return true;
            queue.ReadEvents();
        }
        const bool was_paused = paused_;
        if (!Wait(queue, last)) break;
        if (was_paused && !paused_) last = Clock::now();  // the pause is no idleness
    }
    return true;
}

}  // namespace orva
