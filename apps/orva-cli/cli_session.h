// orva-cli sample-session: a synthetic observing session for calibrated stacking.
//
//   orva-cli sample-session DIR [--size W H] [--lights N] [--bias N] [--darks N] [--flats N]
//                           [--shift PX] [--rotate DEGREES] [--seed S]
//
// DIR/lights, DIR/bias, DIR/darks and DIR/flats receive one-plane 16-bit FITS frames of one
// sky seen through one sensor; DIR/session.txt lists each light's true offset and angle.
#pragma once

namespace orva {

// Runs the command; returns the exit status.
int SampleSessionMain(int argc, char** argv);

}  // namespace orva
