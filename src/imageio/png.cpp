#include "imageio/formats.h"

namespace orva {

IoResult DecodePng(std::span<const uint8_t>, DecodedImage&) {
    return IoResult::Fail(IoStatus::Unsupported, "this build does not read this format yet");
}
IoResult WritePng(const std::string&, const ImageRecord&) {
    return IoResult::Fail(IoStatus::Unsupported, "no writer for this format");
}

}  // namespace orva
