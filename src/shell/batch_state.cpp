#include "shell/batch_state.h"

namespace orva {

void ResetBatchSequence(BatchState& batch) {
    for (auto& step : batch.steps) {
        step.edited_code = step.confirmed_code = 0;
    }
    batch.steps[0].edited_code = batch.steps[0].confirmed_code = kStepOpenOne;
    batch.steps[kBatchSteps - 1].edited_code = kStepSave;
    batch.steps[kBatchSteps - 1].confirmed_code = kStepSave;
    batch.save_configured = 0;
}

}  // namespace orva
