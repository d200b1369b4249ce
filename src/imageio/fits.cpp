#include "imageio/formats.h"

namespace orva {

IoResult DecodeFits(std::span<const uint8_t>, DecodedImage&, const FitsDark*) {
    return IoResult::Fail(IoStatus::Unsupported, "this build does not read this format yet");
}
IoResult WriteFits(const std::string&, const ImageRecord&) {
    return IoResult::Fail(IoStatus::Unsupported, "no writer for this format");
}

}  // namespace orva
