// The stacking kernels' typed parameters made from the settings record, one function per
// settings set, so that the desktop, orva-cli and the batch start from the same values. The
// pictures (slots, weights, points) are filled in by the caller, which knows which slots
// hold pictures; the words are then put with the operation's Put...Words (ops/op_params.h),
// and the dispatcher's Take...Words is the one place they are clamped.
#pragma once

#include <vector>

#include "composite/composite_settings.h"
#include "ops/op_params.h"

namespace orva {

// Automatic compositing (code 3) with the shared compositing settings; no pictures yet.
CompositeParams AutoCompositeParams(const CompositeSettings& co);

// Point-aligned compositing (code 8) with the shared compositing settings; no pictures yet.
PointCompositeParams PointCompositeParamsOf(const CompositeSettings& co);

// Automatic compositing of `slots` (at most four, each at full weight) with the multi-file
// settings, noise removal as they set it and no extra shift.
CompositeParams MultiFileParams(const MultiFileCompositeSettings& m, const std::vector<int>& slots);

}  // namespace orva
