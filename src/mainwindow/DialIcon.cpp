#include "mainwindow/DialIcon.h"

#include <QPainter>
#include <QPainterPath>

#include "platform/forms/DrawnIcon.h"

QPixmap DialPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    // The case: a grey rounded square with a darker rim.
    p.setPen(QPen(QColor(64, 64, 64), std::max(1.0, s / 16)));
    p.setBrush(QColor(160, 160, 160));
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s / 6, s / 6);
    // The face: a white half-disc opening upwards.
    const QRectF face(s * 0.12, s * 0.2, s * 0.76, s * 0.76);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPie(face, 0, 180 * 16);
    // Marks: green on the left, yellow at the top, red on the right.
    const QRectF scale = face.adjusted(s * 0.06, s * 0.06, -s * 0.06, -s * 0.06);
    const double width = std::max(1.5, s / 10);
    const struct {
        int from, span;
        QColor colour;
    } marks[] = {{120, 60, QColor(0, 192, 0)}, {70, 40, QColor(255, 210, 0)}, {0, 60, QColor(255, 0, 0)}};
    for (const auto& m : marks) {
        p.setPen(QPen(m.colour, width, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(scale, m.from * 16, m.span * 16);
    }
    // The needle, from the centre towards the green.
    const QPointF centre = face.center();
    p.setPen(QPen(Qt::black, std::max(1.0, s / 14), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(-s * 0.22, -s * 0.22));
    p.setBrush(Qt::black);
    p.drawEllipse(centre, s / 16 + 0.5, s / 16 + 0.5);
    return pixmap;
}

QIcon DialIcon() {
    return forms::DrawnIcon([](int side) { return DialPixmap(side).toImage(); }, {16, 22, 24, 32, 48, 64});
}
