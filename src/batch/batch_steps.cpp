#include "batch/batch_steps.h"

#include <algorithm>

#include "common/translate.h"
#include "shell/command_ids.h"
#include "shell/operations.h"

namespace orva {

// The steps that open, save and end are the batch's own; every other step is an operation's,
// named by its descriptor.
const std::array<StepKind, kStepCodes>& StepKinds() {
    static const std::array<StepKind, kStepCodes> kinds = [] {
        std::array<StepKind, kStepCodes> k{};
        k[kStepNone] = {" ", std::nullopt, 0};
        k[kStepOpenOne] = {ORVA_TEXT("orva", "ファイル開く(１枚)"), std::nullopt, 0};
        k[kStepSave] = {ORVA_TEXT("orva", "ファイル保存"), std::nullopt, 0};
        k[kStepEnd] = {ORVA_TEXT("orva", "終了"), std::nullopt, 0};
        for (const OperationDescriptor& op : Operations())
            if (op.step.code != kStepNone)
                k.at(static_cast<std::size_t>(op.step.code)) = {op.step.name, op.dialog,
                                                                op.command};
        return k;
    }();
    return kinds;
}

const std::vector<int>& ProcessingStepCodes() {
    static const std::vector<int> codes = [] {
        std::vector<int> c;
        for (int code = 0; code < kStepCodes; ++code)
            if (code != kStepOpenComposite && OperationOfStep(code) != nullptr) c.push_back(code);
        return c;
    }();
    return codes;
}

bool IsProcessingStep(int code) {
    const auto& codes = ProcessingStepCodes();
    return std::binary_search(codes.begin(), codes.end(), code);
}

int StepCodeOfName(std::string_view name) {
    const auto& kinds = StepKinds();
    for (int c = 0; c < kStepCodes; ++c)
        if (name == kinds[static_cast<std::size_t>(c)].name) return c;
    return -1;
}

namespace {

// A word from a batch file may be anything: it enters the settings inside its field's range
// and on its step, as a value typed in the dialog would.
int Admit(const SettingField& f, int32_t word) {
    const auto lo = static_cast<long long>(f.min), hi = static_cast<long long>(f.max);
    long long v = std::clamp<long long>(word, lo, hi);
    if (f.step > 1) v = lo + (v - lo) / f.step * f.step;
    return static_cast<int>(v);
}

}  // namespace

std::array<SettingField, kBatchStepWords> StepWords(int code, Settings& s) {
    StepWordList words;
    if (const OperationDescriptor* op = OperationOfStep(code); op != nullptr && op->step.words)
        op->step.words(s, words);
    return words.words();
}

void LoadStepParameters(AppContext& ctx, int step, int code) {
    ctx.batch.interactive = ctx.settings;
    const BatchStep& st = ctx.batch.steps[static_cast<std::size_t>(step)];
    if (st.confirmed_code != code) return;
    const auto words = StepWords(code, ctx.settings);
    for (std::size_t i = 0; i < words.size(); ++i)
        if (words[i].i != nullptr) *words[i].i = Admit(words[i], st.block[i]);
}

void StoreStepParameters(AppContext& ctx, int step, int code) {
    BatchStep& st = ctx.batch.steps[static_cast<std::size_t>(step)];
    const auto words = StepWords(code, ctx.settings);
    for (std::size_t i = 0; i < words.size(); ++i)
        if (words[i].i != nullptr) st.block[i] = *words[i].i;
    if (const OperationDescriptor* op = OperationOfStep(code); op != nullptr && op->step.restore)
        op->step.restore(ctx.batch.interactive, ctx.settings);
}

}  // namespace orva
