// The operation descriptors are the one place an operation is declared: everything derived
// from them must find what it needs there.
#include "shell/operations.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "batch/batch_steps.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

TEST(Operations, EveryDerivedTableFindsItsDescriptor) {
    std::set<int> steps;
    std::set<std::tuple<MenuGroup, int, int>> places;
    for (const OperationDescriptor& op : Operations()) {
        SCOPED_TRACE(op.command);
        // Each stands in its own place of its menu.
        EXPECT_TRUE(places.insert({op.menu.group, op.menu.block, op.menu.place}).second);
        // Exactly one way to run it: the processing pattern or a command of its own.
        EXPECT_NE(op.processing == nullptr, op.action == nullptr);
        ASSERT_NE(FindCommand(op.command), nullptr);
        if (const auto cmd = ProcessingOf(op.command)) {
            EXPECT_EQ(cmd->dialog, op.dialog);
            // A dispatched operation needs the kernels of the code it dispatches.
            if (cmd->fill) {
                EXPECT_EQ(static_cast<int>(cmd->code), op.op_code);
            }
        }
        if (op.cli_name != nullptr) {
            EXPECT_NE(op.cli_help, nullptr);
        }
        if (op.step.code != kStepNone) {
            steps.insert(op.step.code);
            ASSERT_TRUE(op.dialog.has_value());  // a step is set up in its operation's dialog
            EXPECT_EQ(OperationOfStep(op.step.code), &op);
            EXPECT_EQ(StepCodeOfName(op.step.name), op.step.code);
            // Its words hold settings, and its family's settings come back after it.
            Settings s;
            EXPECT_NE(StepWords(op.step.code, s)[0].i, nullptr);
            EXPECT_NE(op.step.restore, nullptr);
        }
    }
    // orva-cli names every step but the composite opening (its own --composite), each once.
    std::set<std::string> cli_steps;
    for (const OperationDescriptor* op : StepOperations())
        EXPECT_TRUE(cli_steps.insert(StepCliName(*op)).second) << StepCliName(*op);
    EXPECT_EQ(cli_steps.size() + 1, steps.size());
    EXPECT_EQ(cli_steps.count("background"), 1u);  // the name scripts already use
    // The batch's own steps and the operations' steps fill every step code, each named.
    for (int code = 0; code < kStepCodes; ++code) {
        ASSERT_NE(StepKinds()[static_cast<std::size_t>(code)].name, nullptr) << code;
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
