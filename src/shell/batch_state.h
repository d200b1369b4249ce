// The batch sequence: eight steps set up once and run over dropped files. This holds the
// state the shell needs; the batch layer installs the executor and its commands.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "shell/settings.h"

namespace orva {

struct AppContext;

inline constexpr int kBatchSteps = 8;
inline constexpr int kBatchStepWords = 32;

// Batch step codes, as the batch file stores them. The codes of operation steps are also
// named by their operation's descriptor (shell/operations.h).
enum BatchStepCode : int {
    kStepNone = 0,
    kStepOpenOne = 1,
    kStepOpenComposite = 2,
    kStepSave = 3,
    kStepCrop = 4,
    kStepMakeBackground = 5,
    kStepSharpen = 6,
    kStepEdge = 7,
    kStepWavelet = 8,
    kStepRestore = 9,
    kStepRotate = 10,
    kStepDistortion = 11,
    kStepGamma = 12,
    kStepLevel = 13,
    kStepSaturationHue = 14,
    kStepNoise = 15,
    kStepDynamicRange = 16,
    kStepEnd = 17,
};
inline constexpr int kStepCodes = 18;  // one more than the highest code

struct BatchStep {
    int edited_code = 0;
    int confirmed_code = 0;
    std::array<int32_t, kBatchStepWords> block{};
    std::string format;  // save step: output extension
    std::string folder;  // save step: output folder
};

struct BatchState {
    std::array<BatchStep, kBatchSteps> steps;
    int mode = 0;             // 0 off, 1 one file at a time, 2 composite first
    int save_configured = 0;  // a sequence has been confirmed or read from a batch file
    // Runs the sequence over `count` images in slots 0.. with the last source path. Empty
    // until the batch executor is built; the drop handling then only loads the files.
    std::function<void(AppContext&, int count, const std::string& path)> run;
    // The batch dialog (801) and batch file commands (808, 809), by command id; installed
    // with the executor. The menu entries stay disabled without it.
    std::function<void(AppContext&, int command_id)> command;
    // The user's own settings while a step's parameters occupy the settings record.
    Settings interactive;
};

// Step 1 opens one file at a time, step 8 saves, nothing in between.
void ResetBatchSequence(BatchState& batch);

}  // namespace orva
