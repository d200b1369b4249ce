// Plugs the background operations (codes 7 and 50) into the dispatcher's kernel table.
#pragma once

#include "ops/dispatcher.h"

namespace orva {

void AddBackgroundKernels(OpKernels& kernels);

}  // namespace orva
