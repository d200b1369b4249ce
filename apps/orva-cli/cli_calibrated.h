// `orva-cli stack`: our own calibrated stacking of any number of FITS or camera RAW frames,
// with or without options (the grouped compositing of files is `orva-cli composite`).
#pragma once

namespace orva {

int CalibratedStackMain(int argc, char** argv);

}  // namespace orva
