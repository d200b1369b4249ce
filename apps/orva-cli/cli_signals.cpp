#include "cli_signals.h"

#include <unistd.h>

#include <csignal>

#include "imageio/file_io.h"

namespace orva {

namespace {

extern "C" void EndOnSignal(int sig) {
    RemoveTempFiles();
    _exit(128 + sig);
}

}  // namespace

void InstallSignalCleanup() {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction sa {};
        sa.sa_handler = EndOnSignal;
        sigemptyset(&sa.sa_mask);
        (void)sigaction(sig, &sa, nullptr);
    }
}

}  // namespace orva
