// `orva-cli preview`: what the image window shows, as a picture file (thumbnails, checks and
// documentation without a display).
#pragma once

namespace orva {

int PreviewMain(int argc, char** argv);

}  // namespace orva
