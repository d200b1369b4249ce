#include "imageio/formats.h"

namespace orva {

IoResult DecodeGif(std::span<const uint8_t>, DecodedImage&) {
    return IoResult::Fail(IoStatus::Unsupported, "this build does not read this format yet");
}

}  // namespace orva
