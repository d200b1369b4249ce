#include "ops/dispatcher.h"

namespace orva {

// Each operation family plugs its kernels in here as it lands.
const OpKernels& DefaultKernels() {
    static const OpKernels kernels{};
    return kernels;
}

}  // namespace orva
