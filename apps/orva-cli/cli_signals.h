// How orva-cli ends on a signal.
#pragma once

namespace orva {

// SIGINT, SIGTERM and SIGHUP remove the temporary files of writes in progress and end the
// program with status 128 + the signal. A signal the program was started with ignored (as
// nohup does) stays ignored.
void InstallSignalCleanup();

}  // namespace orva
