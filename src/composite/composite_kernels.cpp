#include "composite/composite_kernels.h"

namespace orva {

// Each stacking operation plugs its kernel in here as it lands.
void AddCompositeKernels(OpKernels& kernels) {
    (void)kernels;
}

}  // namespace orva
