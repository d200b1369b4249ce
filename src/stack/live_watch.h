// A live stacking session: the lights already in a folder, in name order, then each one that
// lands there complete (closed after writing or renamed in), taken one at a time by a
// LiveStack. The command line and the desktop window both run it; either may pause or stop it
// from another thread, and each is told what became of every light as soon as it is known.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "stack/live.h"

namespace orva {

struct LiveWatchOptions {
    std::string folder;
    // Files that may lie in the folder and are no lights: the outputs and the masters.
    std::vector<std::string> own_files;
    long long frames = 0;  // ends after this many lights taken, accepted or not; 0: no limit
    double idle = 0;       // ends when no light landed for this many seconds; 0: no limit
    int stop_fd = -1;      // ends once this descriptor is readable (a signalfd); -1: none
};

// One light taken.
struct LiveEvent {
    std::string name;  // in the folder
    LiveFrame frame;
    std::chrono::steady_clock::time_point start;  // when it was taken up
};

class LiveSession {
public:
    LiveSession(LiveOptions stack, LiveWatchOptions watch);
    ~LiveSession();
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    // Told of each light on the thread that runs the session, the stack already updated; false
    // with a one-line *error ends the session with that error.
    using FrameFn = std::function<bool(const LiveEvent&, std::string* error)>;

    // Runs until Stop(), `frames`, `idle` or `stop_fd` ends it (true), or the folder cannot be
    // watched, the masters cannot be used or `on_frame` fails (false with a one-line *error).
    bool Run(const FrameFn& on_frame, std::string* error);
    // From any thread: ends Run() once the light under way is stacked.
    void Stop();
    // From any thread: lights that land while paused wait, in order, until it resumes.
    void Pause(bool paused);
    bool paused() const { return paused_.load(); }

    const LiveStack& stack() const { return stack_; }

private:
    class Queue;
    void Wake();
    bool Wait(Queue& queue, std::chrono::steady_clock::time_point last);

    LiveStack stack_;
    LiveWatchOptions watch_;
    int wake_fd_ = -1;  // an eventfd that Stop() and Pause() write to
    std::atomic<bool> stop_{false}, paused_{false};
};

}  // namespace orva
