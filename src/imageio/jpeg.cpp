#include "imageio/formats.h"

namespace orva {

IoResult DecodeJpeg(std::span<const uint8_t>, DecodedImage&) {
    return IoResult::Fail(IoStatus::Unsupported, "this build does not read this format yet");
}
void ReadExif(std::span<const uint8_t>, DecodedImage&) {}
IoResult WriteJpegJfif(const std::string&, const ImageRecord&) {
    return IoResult::Fail(IoStatus::Unsupported, "no writer for this format");
}
IoResult WriteJpegExif(const std::string&, const ImageRecord&) {
    return IoResult::Fail(IoStatus::Unsupported, "no writer for this format");
}

}  // namespace orva
