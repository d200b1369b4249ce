#include "ops/dispatcher.h"
#include "ops/tone.h"

namespace orva {

// Each operation family plugs its kernels in here as it lands.
const OpKernels& DefaultKernels() {
    static const OpKernels kernels = [] {
        OpKernels k;
        k.gamma = [](const PlaneArgs& a, const ParamBlock& block) {
            return ApplyToneCurve(a.plane, a.width, a.height,
                                  GammaCurveFromBlock(block, a.channel));
        };
        return k;
    }();
    return kernels;
}

}  // namespace orva
