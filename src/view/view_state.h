// Display state shared by the image window, the histogram window and the commands that
// change what is shown. One copy lives in the application context. (The read-out divisor
// and the camera-information overlay are settings: ctx.settings.display.)
#pragma once

namespace orva {

struct ViewState {
    int histogram_open = 0;   // the "Histgram" window exists
    int inspection_mode = 0;  // 0 histogram, 1 cross-sections
};

}  // namespace orva
