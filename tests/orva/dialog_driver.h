// Driving the dialogs through their widgets: finding children by name, typing, pressing the
// standard buttons.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <initializer_list>
#include <memory>

#include "dialogs/dialogs.h"
#include "support/scripted_ui.h"

namespace orva::gui {

template <class W>
W* Child(QWidget* parent, const char* name) {
    W* w = parent->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

inline QAbstractButton* Button(QDialog* d, QDialogButtonBox::StandardButton which) {
    return Child<QDialogButtonBox>(d, "buttonBox")->button(which);
}

// A dialog shown without a modal loop over 100 x 50 images in the given slots (the first
// current), so that a test can drive it and then press a button.
struct Open {
    testing::Harness h;
    AppContext& ctx = *h.ctx;
    Settings& settings = h.ctx->settings;
    std::unique_ptr<QDialog> dialog;

    explicit Open(const char* name, std::initializer_list<int> slots = {0}) {
        for (int s : slots) testing::MakeImage(ctx.ws, s, 100, 50, [](int, int, int) { return 0; });
        if (slots.size() > 0) ctx.ws.current = *slots.begin();
        Show(name);
    }
    void Show(const char* name) {
        dialog = CreateNamedDialog(name, ctx, nullptr);
        ASSERT_NE(dialog, nullptr) << name;
        dialog->show();
    }
    template <typename W>
    W* Find(const char* name) {
        return Child<W>(dialog.get(), name);
    }
    // Replaces the edit's text key by key; `finish` ends the editing as leaving the field does.
    void Type(const char* edit, const char* text, bool finish = true) {
        QLineEdit* e = Find<QLineEdit>(edit);
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, QString::fromUtf8(text));
        if (finish) Q_EMIT e->editingFinished();
    }
    QString Text(const char* edit) { return Find<QLineEdit>(edit)->text(); }
    void Click(const char* button) { Find<QAbstractButton>(button)->click(); }
    bool Press(QDialogButtonBox::StandardButton which) {
        Button(dialog.get(), which)->click();
        return dialog->result() == QDialog::Accepted;
    }
};

}  // namespace orva::gui
