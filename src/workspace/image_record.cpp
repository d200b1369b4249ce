#include "workspace/image_record.h"

namespace orva {

void SetCameraText(std::string& field, std::string_view value) {
    field.assign(value.substr(0, kCameraTextMax));
    const auto nul = field.find('\0');
    if (nul != std::string::npos) field.resize(nul);
}

bool DecodedImage::Allocate(int w, int h, bool zero) {
    if (w < 1 || h < 1) return false;
    const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (n > memory_budget / 6) return false;
    if (!red.Allocate(n, zero) || !green.Allocate(n, zero) || !blue.Allocate(n, zero)) {
        red.Release();
        green.Release();
        blue.Release();
        return false;
    }
    width = w;
    height = h;
    return true;
}

}  // namespace orva
