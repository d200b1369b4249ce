// `orva-cli preview`: what the image window shows, as a picture file (thumbnails, checks and
// documentation without a display).
#pragma once

#include <string>

#include "cli_load.h"
#include "imageio/formats.h"

namespace orva {

// Renders the picture file `in` as the image window shows it at `zoom` percent (1 to 1600),
// with the display-only auto stretch when asked, and writes `out` by its ending. Empty, or the
// one-line problem.
std::string WritePreview(const std::string& in, const std::string& out, bool stretch, int zoom,
                         const LoadOptions& load);

// The preview of a stack held in memory: binned to at most `max_width` pixels wide, then
// auto-stretched as WritePreview does. Empty, or the one-line problem.
std::string WriteStackPreview(const LinearImage& img, const std::string& out, int max_width);

int PreviewMain(int argc, char** argv);

}  // namespace orva
