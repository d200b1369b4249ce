// orva-cli's stacking commands:
//
//   orva-cli composite OUT IN1 ... IN16 [--points] [--settings F] [--set K=V]...
//   orva-cli lrgb OUT --l L --rgb RGB [--settings F] [--set K=V]...
//   orva-cli lrgb OUT [--l L] --r R --g G --b B [--settings F] [--set K=V]...
//   orva-cli starfield OUT WIDTH HEIGHT DX DY [SEED]
//
// (`orva-cli stack` is the calibrated stacking: see cli_calibrated.h.)
#pragma once

#include <string>

namespace orva {

// True when `command` is one of the stacking commands.
bool IsStackCommand(const std::string& command);
// Runs it; returns the exit status.
int RunStackCommand(int argc, char** argv);
// The usage lines of one of these commands; nullptr for any other command.
const char* StackCommandUsage(const std::string& command);
// The usage lines of them all.
std::string StackUsage();

}  // namespace orva
