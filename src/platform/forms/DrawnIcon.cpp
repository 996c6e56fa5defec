#include "platform/forms/DrawnIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <utility>

namespace forms {

namespace {

class DrawnIconEngine final : public QIconEngine {
  public:
    DrawnIconEngine(std::function<QImage(int)> draw, std::vector<int> sizes)
        : draw_(std::move(draw)), sizes_(std::move(sizes)) {}

    QIconEngine* clone() const override { return new DrawnIconEngine(draw_, sizes_); }
    QString key() const override { return QStringLiteral("tn.drawn"); }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::max(0, std::min(size.width(), size.height()));
        return {side, side};
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int side : sizes_) sizes.append(QSize(side, side));
        return sizes;
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    // `size` is in device pixels already; the picture is drawn at exactly that size.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal) override {
        const int side = std::min(size.width(), size.height());
        if (side <= 0) return {};
        return QPixmap::fromImage(draw_(side));
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device()->devicePixelRatio();
        const int side = static_cast<int>(std::lround(std::min(rect.width(), rect.height()) * ratio));
        QPixmap drawn = scaledPixmap(QSize(side, side), mode, state, ratio);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), drawn);
    }

  private:
    std::function<QImage(int)> draw_;
    std::vector<int> sizes_;
};

}  // namespace

QIcon DrawnIcon(std::function<QImage(int side)> draw, std::vector<int> sizes) {
    return QIcon(new DrawnIconEngine(std::move(draw), std::move(sizes)));
}

}  // namespace forms
