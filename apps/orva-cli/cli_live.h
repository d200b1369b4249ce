// `orva-cli live`: live stacking of the lights that land in a folder while the camera takes
// them, the stack and its preview replaced after every light.
#pragma once

namespace orva {

extern const char* const kLiveUsage;

int LiveMain(int argc, char** argv);

}  // namespace orva
