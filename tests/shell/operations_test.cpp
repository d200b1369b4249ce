// The operation descriptors are the one place an operation is declared: everything derived
// from them must find what it needs there.
#include "shell/operations.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "batch/batch_steps.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

TEST(Operations, EveryDescriptorIsCompleteAndEveryDerivedTableFindsIt) {
    std::set<int> commands, steps;
    std::set<std::string> cli_names;
    std::set<DialogId> dialogs;
    for (const OperationDescriptor& op : Operations()) {
        SCOPED_TRACE(op.command);
        EXPECT_TRUE(commands.insert(op.command).second);
        // Exactly one way to run it: the processing pattern or a command of its own.
        EXPECT_NE(op.processing == nullptr, op.action == nullptr);
        const Command* c = FindCommand(op.command);
        ASSERT_NE(c, nullptr);
        EXPECT_STREQ(c->label, op.label);
        EXPECT_GT(std::string(op.label).size(), 0u);
        if (op.dialog) {
            EXPECT_TRUE(dialogs.insert(*op.dialog).second);
        }
        if (const auto cmd = ProcessingOf(op.command)) {
            EXPECT_EQ(cmd->dialog, op.dialog);
            // A dispatched operation needs the kernels of the code it dispatches.
            if (cmd->fill) {
                EXPECT_EQ(static_cast<int>(cmd->code), op.op_code);
            }
        } else {
            EXPECT_EQ(op.processing, nullptr);
        }
        if (op.cli_name != nullptr) {
            EXPECT_TRUE(cli_names.insert(op.cli_name).second);
            EXPECT_NE(op.cli_help, nullptr);
        }
        if (op.step != kStepNone) {
            EXPECT_TRUE(steps.insert(op.step).second);
            ASSERT_NE(op.step_name, nullptr);
            ASSERT_TRUE(op.dialog.has_value());  // a step is set up in its operation's dialog
            EXPECT_EQ(OperationOfStep(op.step), &op);
            EXPECT_EQ(StepCodeOfName(op.step_name), op.step);
        }
    }
    // The batch's own steps and the operations' steps fill every step code, each with a name
    // of its own.
    std::set<std::string> names;
    for (int code = 0; code < kStepCodes; ++code) {
        const StepKind& k = StepKinds()[static_cast<std::size_t>(code)];
        ASSERT_NE(k.name, nullptr) << code;
        EXPECT_TRUE(names.insert(k.name).second) << code;
        const bool own =
            code == kStepNone || code == kStepOpenOne || code == kStepSave || code == kStepEnd;
        EXPECT_EQ(own, steps.count(code) == 0) << code;
    }
}

// One rule for every operation command: an image when it needs one, and its kernels.
TEST(Operations, EnabledRuleFollowsTheImageAndTheKernels) {
    testing::Harness h;
    const OpKernels none;
    testing::Harness bare(none);
    for (const OperationDescriptor& op : Operations()) {
        SCOPED_TRACE(op.command);
        EXPECT_EQ(CommandEnabled(*h.ctx, op.command), !op.needs_image);
        EXPECT_EQ(CommandEnabled(*bare.ctx, op.command), !op.needs_image && op.op_code < 0);
    }
    testing::MakeImage(h.ctx->ws, 0, 4, 3, [](int, int, int) { return 100; });
    testing::MakeImage(bare.ctx->ws, 0, 4, 3, [](int, int, int) { return 100; });
    for (const OperationDescriptor& op : Operations()) {
        SCOPED_TRACE(op.command);
        EXPECT_TRUE(CommandEnabled(*h.ctx, op.command));
        EXPECT_EQ(CommandEnabled(*bare.ctx, op.command), op.op_code < 0);
    }
}

}  // namespace
}  // namespace orva
