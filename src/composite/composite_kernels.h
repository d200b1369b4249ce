// Plugs the stacking operations (codes 3, 8 and 9) into the dispatcher's kernel table.
#pragma once

#include "ops/dispatcher.h"

namespace orva {

void AddCompositeKernels(OpKernels& kernels);

}  // namespace orva
