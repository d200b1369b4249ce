// Statistics an image record keeps about its own picture: the three 256-bin histograms that
// the histogram window draws and that every new or changed picture must recompute.
#pragma once

#include "workspace/image_record.h"

namespace orva {

// Rows and columns are sampled every (size / 100 + 1); at most about 100 x 100 pixels feed
// the histogram whatever the image size.
int HistogramSampleStep(int size);

// Fills the three 256-bin histograms (bin = high byte of the sample), the sample count and
// the peak (largest count; 1 for an empty image).
void ComputeHistogram(ImageRecord& rec);

}  // namespace orva
