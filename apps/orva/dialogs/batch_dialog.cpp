// The batch sequence ("Batch Sequence"): a step code per combo box, "詳細設定" per step and the
// time measurement. The rules behind the buttons are the batch layer's.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <vector>

#include "batch/batch_steps.h"
#include "batch/run_batch.h"
#include "common/translate.h"
#include "dialogs/dialog_kit.h"
#include "language.h"
#include "shell/context.h"

namespace orva::gui {

namespace {

// The codes each combo box offers: step 1 opens, steps 2 to 7 process, step 8 ends.
std::vector<int> OfferedCodes(int step) {
    if (step == 0) return {kStepOpenOne, kStepOpenComposite};
    if (step == kBatchSteps - 1) return {kStepSave, kStepEnd};
    std::vector<int> codes{kStepNone};
    for (const int c : ProcessingStepCodes()) codes.push_back(c);
    return codes;
}

class BatchDialog : public QDialog {
public:
    BatchDialog(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
        setWindowTitle("Batch Sequence");
        auto* grid = new QGridLayout(this);
        const auto& kinds = StepKinds();
        for (int k = 0; k < kBatchSteps; ++k) {
            grid->addWidget(new QLabel(QString("%1.").arg(k + 1), this), k, 0);
            auto* combo = new QComboBox(this);
            combo->setObjectName(QString("combo_step%1").arg(k + 1));
            for (const int c : OfferedCodes(k))
                combo->addItem(TranslatedText(kinds[static_cast<std::size_t>(c)].name), c);
            combo->setCurrentIndex(InitialIndex(k));
            grid->addWidget(combo, k, 1);
            combos_[static_cast<std::size_t>(k)] = combo;
            connect(combo, &QComboBox::currentIndexChanged, this, [this] { ReadCombos(); });
            auto* details = new QPushButton(TranslatedText(ORVA_TEXT("orva", "詳細設定")), this);
            details->setObjectName(QString("button_details%1").arg(k + 1));
            connect(details, &QPushButton::clicked, this, [this, k] { ShowStepDetails(ctx_, k); });
            grid->addWidget(details, k, 2);
        }
        auto* time = new QCheckBox(TranslatedText(ORVA_TEXT("orva", "時間計測")), this);
        time->setObjectName("check_time");
        time->setChecked(ctx.settings.batch.time_measurement != 0);
        connect(time, &QCheckBox::toggled, this,
                [this](bool on) { ctx_.settings.batch.time_measurement = on ? 1 : 0; });
        grid->addWidget(time, kBatchSteps, 1);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->setObjectName("buttonBox");
        grid->addWidget(buttons, kBatchSteps + 1, 0, 1, 3);
        ConnectButtons(this, buttons);
    }

    void accept() override {
        if (ConfirmBatchSequence(ctx_)) QDialog::accept();
    }

private:
    // The line of the step's edited code. A code the step does not offer (a damaged batch
    // file) selects nothing and stays as it is, except on the last step, which shows the end.
    int InitialIndex(int k) const {
        const int code = ctx_.batch.steps[static_cast<std::size_t>(k)].edited_code;
        const std::vector<int> offered = OfferedCodes(k);
        const auto at = std::find(offered.begin(), offered.end(), code);
        if (at != offered.end()) return static_cast<int>(at - offered.begin());
        return k == kBatchSteps - 1 ? 1 : -1;
    }

    // Every line carries its step code, whatever language its text is in.
    void ReadCombos() {
        for (int k = 0; k < kBatchSteps; ++k) {
            const QVariant code = combos_[static_cast<std::size_t>(k)]->currentData();
            if (code.isValid())
                ctx_.batch.steps[static_cast<std::size_t>(k)].edited_code = code.toInt();
        }
    }

    AppContext& ctx_;
    std::array<QComboBox*, kBatchSteps> combos_{};
};

}  // namespace

std::unique_ptr<QDialog> MakeBatchDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<BatchDialog>(ctx, parent);
}

}  // namespace orva::gui
