// The kernels of this layer's operations, each plugged into its dispatcher code. The
// application's whole table, with the compositing, background and stacking layers added, is
// AppKernels() of the shell.
#pragma once

#include "ops/dispatcher.h"

namespace orva {

const OpKernels& DefaultKernels();

}  // namespace orva
