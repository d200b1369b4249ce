// The 24-pixel toolbar strip across the top of the main window: the picture cells, the
// all-images label, the batch prompt in batch mode, and the pixel read-out at x = 480.
// Left presses are handed on as cellClicked(x, y); the main window runs the cell's command.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <array>

#include "shell/context.h"
#include "view/toolbar.h"

namespace orva::gui {

// Our own 24 x 24 picture for a cell.
QImage ToolbarPicture(ToolbarIcon icon);

class ToolbarStrip : public QWidget {
    Q_OBJECT
public:
    explicit ToolbarStrip(AppContext& ctx, QWidget* parent = nullptr);

    // Text drawn white on black at (480, 0); empty for none.
    void setReadout(const QString& text);
    QString readout() const { return readout_; }
    // The batch notice shown in batch mode instead of the drop prompt; empty for the prompt.
    void setBatchText(const std::string& text) { batch_text_ = text; }
    // False for a cell whose command cannot run now; cells without a command count as
    // enabled.
    bool cellEnabled(int cell) const;

Q_SIGNALS:
    void cellClicked(int x, int y);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    AppContext& ctx_;
    QString readout_;
    std::string batch_text_;
    std::array<int, kToolbarCells> pressed_{};
};

}  // namespace orva::gui
