// Calibrated stacking (CALSTACK, ours): the light, bias, dark and flat frame lists (FITS or RAW
// files, added with a file dialog or dropped on a list) and the combination options.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <array>
#include <cmath>
#include <initializer_list>

#include "common/translate.h"
#include "dialogs/dialog_kit.h"
#include "language.h"
#include "shell/context.h"

namespace orva::gui {

namespace {

// A frame list that takes dropped files.
class FrameList : public QListWidget {
public:
    FrameList(std::vector<std::string>& files, QWidget* parent)
        : QListWidget(parent), files_(files) {
        setAcceptDrops(true);
        Refresh();
    }
    void Add(const QStringList& paths) {
        for (const QString& p : paths) files_.push_back(p.toStdString());
        Refresh();
    }
    void Clear() {
        files_.clear();
        Refresh();
    }

protected:
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (e->mimeData()->hasUrls()) e->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* e) override { e->acceptProposedAction(); }
    void dropEvent(QDropEvent* e) override {
        QStringList paths;
        for (const QUrl& u : e->mimeData()->urls())
            if (u.isLocalFile()) paths << u.toLocalFile();
        Add(paths);
        e->acceptProposedAction();
    }

private:
    void Refresh() {
        clear();
        for (const auto& f : files_) addItem(QString::fromStdString(f));
    }
    std::vector<std::string>& files_;
};

// FITS and the common camera RAW endings, in both cases.
QString FrameFilter() {
    QString patterns;
    for (const char* e : {"fit", "fits", "fts", "dng", "cr2", "cr3", "nef", "arw", "raf", "orf",
                          "rw2", "pef",  "srw", "erf", "kdc", "mef", "mrw", "nrw", "sr2", "srf"})
        patterns += QString(" *.%1 *.%2").arg(e, QString(e).toUpper());
    return QString::fromUtf8("FITS / RAW (") + patterns.trimmed() + ")";
}

class CalibratedStackDialog : public QDialog {
public:
    CalibratedStackDialog(AppContext& ctx, QWidget* parent)
        : QDialog(parent), s_(ctx.settings.calibrated) {
        setWindowTitle(TranslatedText(ORVA_TEXT("orva", "キャリブレーション合成")));
        auto* grid = new QGridLayout(this);
        const char* titles[4] = {ORVA_TEXT("orva", "ライト"), ORVA_TEXT("orva", "バイアス"),
                                 ORVA_TEXT("orva", "ダーク"), ORVA_TEXT("orva", "フラット")};
        const char* names[4] = {"lights", "bias", "darks", "flats"};
        std::array<std::vector<std::string>*, 4> lists = {&s_.lights, &s_.bias, &s_.darks,
                                                          &s_.flats};
        for (int k = 0; k < 4; ++k) {
            grid->addWidget(new QLabel(TranslatedText(titles[k]), this), 0, k);
            auto* list = new FrameList(*lists[static_cast<std::size_t>(k)], this);
            list->setObjectName(QString("list_") + names[k]);
            grid->addWidget(list, 1, k);
            auto* add = new QPushButton(TranslatedText(ORVA_TEXT("orva", "追加")), this);
            add->setObjectName(QString("button_add_") + names[k]);
            connect(add, &QPushButton::clicked, this, [this, list] {
                list->Add(QFileDialog::getOpenFileNames(this, QString(), QString(), FrameFilter()));
            });
            grid->addWidget(add, 2, k);
            auto* clear = new QPushButton(TranslatedText(ORVA_TEXT("orva", "クリア")), this);
            clear->setObjectName(QString("button_clear_") + names[k]);
            connect(clear, &QPushButton::clicked, this, [list] { list->Clear(); });
            grid->addWidget(clear, 3, k);
        }
        const auto& f = kCalibratedStackFields;
        auto* rejection = new QComboBox(this);
        rejection->setObjectName("combo_rejection");
        for (const char* r : {ORVA_TEXT("orva", "無し"), ORVA_TEXT("orva", "シグマクリップ"),
                              ORVA_TEXT("orva", "ウィンザー化シグマクリップ"),
                              ORVA_TEXT("orva", "最小・最大除外"), ORVA_TEXT("orva", "中央値")})
            rejection->addItem(TranslatedText(r));
        rejection->setCurrentIndex(f.rejection.Clamp(s_.rejection));
        connect(rejection, &QComboBox::currentIndexChanged, this,
                [this](int i) { s_.rejection = i; });
        grid->addWidget(new QLabel(TranslatedText(ORVA_TEXT("orva", "外れ値除去")), this), 4, 0);
        grid->addWidget(rejection, 4, 1, 1, 3);
        auto kappa = [&](int* field, const char* name, int column) {
            auto* box = new QDoubleSpinBox(this);
            box->setObjectName(name);
            box->setRange(f.kappa.min / 10.0, f.kappa.max / 10.0);
            box->setSingleStep(0.1);
            box->setDecimals(1);
            box->setValue(f.kappa.Clamp(*field) / 10.0);
            connect(box, &QDoubleSpinBox::valueChanged, this,
                    [field](double v) { *field = static_cast<int>(std::lround(v * 10)); });
            grid->addWidget(box, 5, column);
        };
        grid->addWidget(new QLabel(TranslatedText(ORVA_TEXT("orva", "κ 下・上")), this), 5, 0);
        kappa(&s_.kappa_low, "spin_kappa_low", 1);
        kappa(&s_.kappa_high, "spin_kappa_high", 2);
        auto* iterations = new QSpinBox(this);
        iterations->setObjectName("spin_iterations");
        iterations->setRange(f.iterations.min, f.iterations.max);
        iterations->setValue(f.iterations.Clamp(s_.iterations));
        connect(iterations, &QSpinBox::valueChanged, this, [this](int v) { s_.iterations = v; });
        grid->addWidget(new QLabel(TranslatedText(ORVA_TEXT("orva", "繰り返し")), this), 6, 0);
        grid->addWidget(iterations, 6, 1);
        auto check = [&](int* field, const char* text, const char* name, int row) {
            auto* box = new QCheckBox(TranslatedText(text), this);
            box->setObjectName(name);
            box->setChecked(*field != 0);
            connect(box, &QCheckBox::toggled, this, [field](bool on) { *field = on ? 1 : 0; });
            grid->addWidget(box, row, 1, 1, 3);
        };
        check(&s_.weight_noise, ORVA_TEXT("orva", "ノイズで重み付け"), "check_weight_noise", 7);
        check(&s_.master_median, ORVA_TEXT("orva", "マスターは中央値"), "check_master_median", 8);
        AddSelection(grid, 9);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->setObjectName("buttonBox");
        grid->addWidget(buttons, 14, 0, 1, 4);
        ConnectButtons(this, buttons);
    }

private:
    QComboBox* Choices(int* field, const FieldDecl& decl, std::initializer_list<const char*> items,
                       const char* name) {
        auto* box = new QComboBox(this);
        box->setObjectName(name);
        for (const char* item : items) box->addItem(TranslatedText(item));
        box->setCurrentIndex(decl.Clamp(*field));
        connect(box, &QComboBox::currentIndexChanged, this, [field](int i) { *field = i; });
        return box;
    }

    // Registration, normalisation, the choice of lights and the report file, rows `row` on.
    void AddSelection(QGridLayout* grid, int row) {
        const auto& f = kCalibratedStackFields;
        auto label = [&](const char* text, int r) {
            grid->addWidget(new QLabel(TranslatedText(text), this), r, 0);
        };
        // The field says "by stars" with 1; the list shows stars first.
        auto* reg = new QComboBox(this);
        reg->setObjectName("combo_registration");
        reg->addItem(TranslatedText(ORVA_TEXT("orva", "星（回転・拡大も補正）")));
        reg->addItem(TranslatedText(ORVA_TEXT("orva", "平行移動のみ")));
        reg->setCurrentIndex(f.register_stars.Clamp(s_.register_stars) == 1 ? 0 : 1);
        connect(reg, &QComboBox::currentIndexChanged, this,
                [this](int i) { s_.register_stars = i == 0 ? 1 : 0; });
        label(ORVA_TEXT("orva", "位置合わせ"), row);
        grid->addWidget(reg, row, 1, 1, 3);
        label(ORVA_TEXT("orva", "正規化"), row + 1);
        grid->addWidget(Choices(&s_.normalisation, f.normalisation,
                                {ORVA_TEXT("orva", "無し"), ORVA_TEXT("orva", "加算"),
                                 ORVA_TEXT("orva", "乗算"), ORVA_TEXT("orva", "加算＋スケール")},
                                "combo_normalisation"),
                        row + 1, 1, 1, 3);
        auto* keep = new QSpinBox(this);
        keep->setObjectName("spin_keep_best");
        keep->setRange(f.keep_best.min, f.keep_best.max);
        keep->setSuffix(" %");
        keep->setSpecialValueText(TranslatedText(ORVA_TEXT("orva", "全て使用")));
        keep->setValue(f.keep_best.Clamp(s_.keep_best));
        connect(keep, &QSpinBox::valueChanged, this, [this](int v) { s_.keep_best = v; });
        label(ORVA_TEXT("orva", "FWHMの良い順に残す"), row + 2);
        grid->addWidget(keep, row + 2, 1);
        auto* fwhm = new QDoubleSpinBox(this);
        fwhm->setObjectName("spin_max_fwhm");
        fwhm->setRange(f.max_fwhm.min / 10.0, f.max_fwhm.max / 10.0);
        fwhm->setDecimals(1);
        fwhm->setSingleStep(0.1);
        fwhm->setSuffix(" px");
        fwhm->setSpecialValueText(TranslatedText(ORVA_TEXT("orva", "制限なし")));
        fwhm->setValue(f.max_fwhm.Clamp(s_.max_fwhm) / 10.0);
        connect(fwhm, &QDoubleSpinBox::valueChanged, this,
                [this](double v) { s_.max_fwhm = static_cast<int>(std::lround(v * 10)); });
        label(ORVA_TEXT("orva", "FWHMの上限"), row + 3);
        grid->addWidget(fwhm, row + 3, 1);
        auto* report = new QLineEdit(QString::fromStdString(s_.report), this);
        report->setObjectName("edit_report");
        report->setPlaceholderText(TranslatedText(ORVA_TEXT("orva", "（書き出さない）")));
        connect(report, &QLineEdit::textChanged, this,
                [this](const QString& t) { s_.report = t.trimmed().toStdString(); });
        auto* browse = new QPushButton(TranslatedText(ORVA_TEXT("orva", "参照…")), this);
        browse->setObjectName("button_report");
        connect(browse, &QPushButton::clicked, this, [this, report] {
            const QString path = QFileDialog::getSaveFileName(this, QString(), report->text(),
                                                              TranslatedText("CSV (*.csv)"));
            if (!path.isEmpty()) report->setText(path);
        });
        label(ORVA_TEXT("orva", "レポート（CSV）"), row + 4);
        grid->addWidget(report, row + 4, 1, 1, 2);
        grid->addWidget(browse, row + 4, 3);
    }

    CalibratedStackSettings& s_;
};

}  // namespace

std::unique_ptr<QDialog> MakeCalibratedStackDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<CalibratedStackDialog>(ctx, parent);
}

}  // namespace orva::gui
