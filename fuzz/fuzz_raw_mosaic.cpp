// Drives the calibration mosaic reader with arbitrary bytes (DNG and whatever else the
// decoder recognises), and demosaics whatever it accepts.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "raw/decoders/raw_mosaic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A small budget keeps each run fast and lets larger pictures reach the refusal path.
    const uint64_t budget = uint64_t{32} << 20;
    orva::RawMosaic m;
    if (!orva::ReadRawMosaicBytes(std::span<const uint8_t>(data, size), budget, m).ok()) return 0;
    const std::size_t n = static_cast<std::size_t>(m.width) * static_cast<std::size_t>(m.height);
    std::vector<float> r(n), g(n), b(n);
    orva::DemosaicLinear(m, true, r.data(), g.data(), b.data());
    return 0;
}
