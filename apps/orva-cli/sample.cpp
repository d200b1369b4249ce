#include "sample.h"

#include <algorithm>

namespace orva {

bool MakeColourTestPicture(ImageRecord& rec, int width, int height) {
    DecodedImage img;
    if (!img.Allocate(width, height)) return false;
    // Top half: hue bands at full saturation fading to black; bottom half: a 16-bit grey
    // ramp, so both the colour handling and the full sample range can be seen.
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;  // from the top
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(row) * width + x;
            uint32_t r, g, b;
            if (y < height / 2) {
                const uint32_t h = static_cast<uint32_t>(x) * 6u * 65535u / width;  // 0..6*65535
                const uint32_t f = h % 65535u, sector = h / 65535u;
                const uint32_t up = f, down = 65535u - f;
                switch (sector) {
                    case 0:
                        r = 65535;
                        g = up;
                        b = 0;
                        break;
                    case 1:
                        r = down;
                        g = 65535;
                        b = 0;
                        break;
                    case 2:
                        r = 0;
                        g = 65535;
                        b = up;
                        break;
                    case 3:
                        r = 0;
                        g = down;
                        b = 65535;
                        break;
                    case 4:
                        r = up;
                        g = 0;
                        b = 65535;
                        break;
                    default:
                        r = 65535;
                        g = 0;
                        b = down;
                        break;
                }
                const uint32_t scale = static_cast<uint32_t>(height / 2 - y) * 65535u /
                                       static_cast<uint32_t>(std::max(height / 2, 1));
                r = r * scale / 65535u;
                g = g * scale / 65535u;
                b = b * scale / 65535u;
            } else {
                r = g = b = static_cast<uint32_t>(x) * 65535u /
                            static_cast<uint32_t>(std::max(width - 1, 1));
            }
            img.red[i] = static_cast<uint16_t>(r);
            img.green[i] = static_cast<uint16_t>(g);
            img.blue[i] = static_cast<uint16_t>(b);
        }
    }
    StoreDecoded(rec, std::move(img), "");
    return true;
}

}  // namespace orva
