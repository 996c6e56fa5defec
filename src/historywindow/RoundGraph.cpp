#include "historywindow/RoundGraph.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "common/Colours.h"
#include "common/QtColours.h"

namespace historywindow {

namespace {

constexpr int kMarkBand = 8;  // the band of failure marks along the bottom, in pixels

QColor MarkColour(uint8_t lamp) {
    return common::ToQColor(lamp == common::kRoundRed ? common::kLitRed : common::kLitYellow);
}

}  // namespace

QString LocalTimeText(int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

RoundGraph::RoundGraph(QWidget* parent) : forms::Chart(parent) {
    forms::InstallAccessibleFactory();
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(240, 100);
}

void RoundGraph::SetRounds(std::span<const history::Point> rounds, int64_t fromMs, int64_t toMs) {
    rounds_ = rounds;
    fromMs_ = fromMs;
    toMs_ = std::max(toMs, fromMs + 1);
    Bin();
}

void RoundGraph::resizeEvent(QResizeEvent*) {
    Bin();
}

// Sorts the rounds into the columns; the middle is the median of a column's answered round trips.
void RoundGraph::Bin() {
    const int width = std::max(1, this->width());
    columns_.assign(static_cast<size_t>(width), Column{});
    std::vector<int32_t> trips;
    size_t at = 0;
    double top = std::max({levels_[0], levels_[1], levels_[2], 1.0});
    for (int c = 0; c < width; ++c) {
        const int64_t end = fromMs_ + (toMs_ - fromMs_) * (c + 1) / width;
        trips.clear();
        Column& column = columns_[static_cast<size_t>(c)];
        for (; at < rounds_.size() && (rounds_[at].atMs < end || c == width - 1); ++at) {
            const history::Point& p = rounds_[at];
            if (p.atMs < fromMs_) continue;
            column.last = static_cast<int64_t>(at);
            if (p.Answered())
                trips.push_back(p.rttMs);
            else
                column.worst =
                    std::max<uint8_t>(column.worst, std::max<uint8_t>(p.lamp, common::kRoundYellow));
        }
        if (trips.empty()) continue;
        std::nth_element(trips.begin(), trips.begin() + static_cast<ptrdiff_t>(trips.size() / 2),
                         trips.end());
        column.middle = trips[trips.size() / 2];
        const auto [least, most] = std::minmax_element(trips.begin(), trips.end());
        column.least = *least;
        column.most = *most;
        top = std::max(top, static_cast<double>(column.most));
    }
    scaleMs_ = top * 1.1;
    update();
}

int RoundGraph::YOf(double ms) const {
    const int h = height() - kMarkBand - 2;
    return 1 + h - static_cast<int>(std::clamp(ms / scaleMs_, 0.0, 1.0) * h);
}

void RoundGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    p.setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DashLine));
    for (const double level : levels_) {
        if (level > 0) p.drawLine(0, YOf(level), width(), YOf(level));
    }
    for (size_t c = 0; c < columns_.size(); ++c) {
        const Column& column = columns_[c];
        const int x = static_cast<int>(c);
        if (column.most >= 0) {
            p.setPen(pal.color(QPalette::Text));
            p.drawLine(x, YOf(column.least), x, YOf(column.most));
            p.setPen(pal.color(QPalette::Highlight));
            p.drawPoint(x, YOf(column.middle));
        }
        if (column.worst != 0) p.fillRect(x, height() - kMarkBand, 1, kMarkBand, MarkColour(column.worst));
    }
    if (cursor_ >= 0) {
        p.setPen(pal.color(QPalette::Highlight));
        p.drawLine(cursor_, 0, cursor_, height());
    }
    if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void RoundGraph::MoveCursor(int column) {
    if (columns_.empty()) return;
    cursor_ = std::clamp(column, 0, static_cast<int>(columns_.size()) - 1);
    update();
    emit CursorMoved();
}

void RoundGraph::mouseMoveEvent(QMouseEvent* event) {
    MoveCursor(static_cast<int>(event->position().x()));
}

void RoundGraph::keyPressEvent(QKeyEvent* event) {
    const int step = event->modifiers() & Qt::ControlModifier ? 10 : 1;
    switch (event->key()) {
        case Qt::Key_Left:
            return MoveCursor(cursor_ < 0 ? width() - 1 : cursor_ - step);
        case Qt::Key_Right:
            return MoveCursor(cursor_ < 0 ? 0 : cursor_ + step);
        case Qt::Key_Home:
            return MoveCursor(0);
        case Qt::Key_End:
            return MoveCursor(width() - 1);
        default:
            QWidget::keyPressEvent(event);
    }
}

QString RoundGraph::CursorText() const {
    if (cursor_ < 0 || static_cast<size_t>(cursor_) >= columns_.size()) return {};
    // The column's own time, or the latest round at or before it.
    int c = cursor_;
    while (c > 0 && columns_[static_cast<size_t>(c)].last < 0) --c;
    const int64_t at = columns_[static_cast<size_t>(c)].last;
    if (at < 0) return QStringLiteral("No rounds here");
    const history::Point& r = rounds_[static_cast<size_t>(at)];
    const QString time = LocalTimeText(r.atMs);
    const QString trip = r.Answered() ? QStringLiteral("%1 ms").arg(r.rttMs) : QStringLiteral("no answer");
    return QStringLiteral("%1, %2 site, status %3, %4")
        .arg(time, r.site == 0 ? QStringLiteral("main") : QStringLiteral("alternate"))
        .arg(r.status)
        .arg(trip);
}

}  // namespace historywindow
