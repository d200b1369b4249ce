// The kernel table of the application: the operations of ops/ and of the layers above it.
#pragma once

#include "ops/dispatcher.h"

namespace orva {

const OpKernels& AppKernels();

}  // namespace orva
