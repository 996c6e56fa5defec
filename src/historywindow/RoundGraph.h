// The round trips of a span, drawn a pixel column at a time, so that drawing costs the same for any
// number of rounds. In each column: a bar from the least to the most round trip of its answered rounds,
// with a tick at the middle one, and a mark of its own when a round in it failed (yellow, or red when one
// was red). Columns without rounds stay blank and nothing is joined across columns. Levels A to C are
// lines across. The pointer, or the keyboard cursor (Left, Right, Home, End), picks a column, whose
// rounds are told through CursorText().
#pragma once

#include <QWidget>
#include <array>
#include <span>
#include <vector>

#include "history/Span.h"
#include "platform/forms/Accessible.h"

namespace historywindow {

// A moment on the local clock as the window shows it: "2026-12-09 10:15:03".
QString LocalTimeText(int64_t ms);

class RoundGraph : public forms::Chart {
    Q_OBJECT
  public:
    explicit RoundGraph(QWidget* parent);
    // The rounds stay the caller's: it hands them in again whenever they change or move.
    void SetRounds(std::span<const history::Point> rounds, int64_t fromMs, int64_t toMs);
    // Levels A to C, drawn from the next SetRounds on.
    void SetLevels(const std::array<double, 3>& levels) { levels_ = levels; }
    // The cursor column's latest round, as "2026-12-09 10:15:03, main site, status 0, 18 ms".
    QString CursorText() const;
    QSize sizeHint() const override { return {480, 160}; }

  signals:
    void CursorMoved();

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct Column {
        int32_t least = -1, middle = -1, most = -1;  // -1: no answered round
        uint8_t worst = 0;                           // the worst lamp of a failed round; 0 none
        int64_t last = -1;                           // the column's latest round
    };
    void Bin();
    void MoveCursor(int column);
    int YOf(double ms) const;

    std::span<const history::Point> rounds_;
    int64_t fromMs_ = 0, toMs_ = 1;
    std::array<double, 3> levels_{};
    std::vector<Column> columns_;
    double scaleMs_ = 1;
    int cursor_ = -1;
};

}  // namespace historywindow
