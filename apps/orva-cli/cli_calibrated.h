// `orva-cli stack` with calibration or rejection options: our own calibrated stacking of any
// number of FITS frames (without them, `stack` is the grouped stacking of up to 16 files).
#pragma once

namespace orva {

// True when the arguments of `stack` ask for the calibrated stacking.
bool IsCalibratedStack(int argc, char** argv);
int CalibratedStackMain(int argc, char** argv);

}  // namespace orva
