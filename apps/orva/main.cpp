// orva: the desktop application. Each argument is opened like the Open command.
#include <unistd.h>

#include <QApplication>
#include <csignal>

#include "imageio/file_io.h"
#include "main_window.h"

namespace {

// A write in progress leaves no temporary file behind when the program is ended by a
// signal; the status is the usual 128 + the signal.
extern "C" void EndOnSignal(int sig) {
    orva::RemoveTempFiles();
    _exit(128 + sig);
}

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

}  // namespace

int main(int argc, char** argv) {
    InstallSignalCleanup();
    QApplication app(argc, argv);
    // Quitting while a write is unfinished removes its temporary file.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { orva::RemoveTempFiles(); });
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
    orva::gui::MainWindow window(files);
    window.show();
    return QApplication::exec();
}
