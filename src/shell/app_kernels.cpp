#include "shell/app_kernels.h"

#include "background/background_kernels.h"
#include "composite/composite_kernels.h"
#include "ops/default_kernels.h"

namespace orva {

const OpKernels& AppKernels() {
    static const OpKernels kernels = [] {
        OpKernels k = DefaultKernels();
        AddCompositeKernels(k);
        AddBackgroundKernels(k);
        return k;
    }();
    return kernels;
}

}  // namespace orva
