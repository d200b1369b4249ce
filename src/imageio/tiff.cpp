#include "imageio/formats.h"

namespace orva {

IoResult DecodeTiff(std::span<const uint8_t>, DecodedImage&) {
    return IoResult::Fail(IoStatus::Unsupported, "this build does not read this format yet");
}
IoResult WriteTiff(const std::string&, const ImageRecord&) {
    return IoResult::Fail(IoStatus::Unsupported, "no writer for this format");
}

}  // namespace orva
