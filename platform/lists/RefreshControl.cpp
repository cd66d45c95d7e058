#include "platform/lists/RefreshControl.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kavio::platform {

namespace {
constexpr int kSpokes = 8;
constexpr int kSpinMs = 90;
} // namespace

RefreshControl::RefreshControl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(width(), kHeight);
    spin_ = new QTimer(this);
    spin_->setInterval(kSpinMs);
    connect(spin_, &QTimer::timeout, this, [this] {
        phase_ = (phase_ + 1) % kSpokes;
        update();
    });
}

void RefreshControl::beginRefreshing() { setRefreshing(true); }

void RefreshControl::endRefreshing() { setRefreshing(false); }

void RefreshControl::sendValueChanged()
{
    if (refreshing_)
        return;
    setRefreshing(true);
    Q_EMIT valueChanged();
}

void RefreshControl::setRefreshing(bool refreshing)
{
    if (refreshing_ == refreshing)
        return;
    refreshing_ = refreshing;
    if (refreshing_)
        spin_->start();
    else
        spin_->stop();
    progress_ = 0;
    update();
    Q_EMIT refreshingChanged(refreshing_);
}

void RefreshControl::setPullProgress(qreal progress)
{
    progress = std::clamp<qreal>(progress, 0, 1);
    if (progress_ != progress) {
        progress_ = progress;
        update();
    }
}

void RefreshControl::setTintColor(const QColor& color)
{
    tint_ = color;
    update();
}

void RefreshControl::paintEvent(QPaintEvent*)
{
    const int shown = refreshing_ ? kSpokes : static_cast<int>(std::floor(progress_ * kSpokes));
    if (shown == 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The spinner stays centred in the lowest kHeight points, where the pull uncovers it.
    p.translate(width() / 2.0, height() - kHeight / 2.0);
    for (int i = 0; i < shown; ++i) {
        QColor c = tint_;
        // While spinning, the spoke at the phase is brightest and the others trail off.
        const int age = refreshing_ ? (phase_ - i + kSpokes) % kSpokes : 0;
        c.setAlphaF(static_cast<float>(1.0 - 0.75 * age / kSpokes));
        p.save();
        p.rotate(-90.0 + 360.0 * i / kSpokes);
        p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 0), QPointF(12, 0));
        p.restore();
    }
}

} // namespace kavio::platform
