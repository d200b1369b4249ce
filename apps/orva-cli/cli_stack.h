// orva-cli's stacking commands:
//
//   orva-cli composite OUT IN1 IN2 [IN3 IN4] [--points] [--settings F] [--set K=V]...
//   orva-cli lrgb OUT --l L --rgb RGB [--settings F] [--set K=V]...
//   orva-cli lrgb OUT [--l L] --r R --g G --b B [--settings F] [--set K=V]...
//   orva-cli stack OUT IN... [--settings F] [--set K=V]...
//   orva-cli starfield OUT WIDTH HEIGHT DX DY [SEED]
#pragma once

#include <string>

namespace orva {

// True when `command` is one of the stacking commands.
bool IsStackCommand(const std::string& command);
// Runs it; returns the exit status.
int RunStackCommand(int argc, char** argv);
// The usage lines of these commands.
extern const char* const kStackUsage;

}  // namespace orva
