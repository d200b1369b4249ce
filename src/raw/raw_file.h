// DecodeRawFile: the one way a camera RAW file becomes a picture, from the open command, the
// command line, drag and drop and the batch.
#pragma once

#include <cstdint>
#include <string>

#include "imageio/io_status.h"
#include "raw/dark.h"
#include "raw/decoders/libraw_decoder.h"
#include "raw/raw_settings.h"
#include "workspace/image_record.h"

namespace orva {

// The development mode, (quality + 1) * algorithm: 0 the fast development, 1..4 the
// decoder's development with quality 0..3. Values are clamped with their fields first.
int RawDevelopmentMode(const RawSettings& raw);
// Defect handling + 256 * defect judgement level.
int DarkControl(const DarkSettings& dark);
// The fast development's values from the settings, clamped; hue = 2 * slider - 36.
DevelopParams RawDevelopParams(const RawSettings& raw);

// The request for one file under the current settings and dark store.
RawDecodeRequest MakeRawRequest(const RawSettings& raw, const DarkSettings& dark,
                                const DarkStore& store, uint64_t memory_budget);

// Reads and develops a RAW file. On failure `out` holds nothing of it.
IoResult DecodeRawFile(const std::string& path, const RawDecodeRequest& request, DecodedImage& out);

}  // namespace orva
