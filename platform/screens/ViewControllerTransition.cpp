#include "platform/screens/ViewControllerTransition.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QVariantAnimation>

namespace kavio::platform {
namespace {

constexpr char kFillProperty[] = "kavio_fillsHost";

// One per host: resizes every marked child view with the host.
class FillHostFilter final : public QObject {
public:
    explicit FillHostFilter(QWidget* host) : QObject(host) { setObjectName(name()); }
    static QString name() { return QStringLiteral("kavio-fill-host"); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize) {
            auto* host = static_cast<QWidget*>(watched);
            for (QObject* child : host->children()) {
                auto* widget = qobject_cast<QWidget*>(child);
                if (widget && widget->property(kFillProperty).toBool())
                    widget->setGeometry(host->rect());
            }
        }
        return false;
    }
};

} // namespace

void fillHost(QWidget* host, QWidget* view)
{
    if (!host || !view)
        return;
    if (!host->findChild<FillHostFilter*>(FillHostFilter::name(), Qt::FindDirectChildrenOnly))
        host->installEventFilter(new FillHostFilter(host));
    if (view->parentWidget() != host)
        view->setParent(host);
    view->setProperty(kFillProperty, true);
    view->setGeometry(host->rect());
}

bool holdsFocus(const QWidget* view)
{
    const QWidget* focus = view ? view->window()->focusWidget() : nullptr;
    return focus && (focus == view || view->isAncestorOf(focus));
}

ViewControllerTransition::ViewControllerTransition(Kind kind, ModalTransitionStyle style,
                                                   QWidget* moving, std::function<void()> done)
    : kind_(kind), style_(style), moving_(moving), done_(std::move(done))
{
}

ViewControllerTransition::~ViewControllerTransition()
{
    ended_ = true;
    if (animation_) {
        animation_->disconnect(this);
        animation_->stop();
    }
    if (opacity_ && moving_ && moving_->graphicsEffect() == opacity_)
        moving_->setGraphicsEffect(nullptr);
}

void ViewControllerTransition::start(Animated animated)
{
    if (!shouldAnimate(animated) || !moving_ || !moving_->parentWidget()) {
        end();
        return;
    }
    if (style_ == ModalTransitionStyle::CrossDissolve) {
        opacity_ = new QGraphicsOpacityEffect(moving_);
        moving_->setGraphicsEffect(opacity_);
    }
    animation_ = new QVariantAnimation(this);
    animation_->setDuration(kDurationMs);
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    animation_->setEasingCurve(kind_ == Kind::Present ? QEasingCurve::OutCubic : QEasingCurve::InCubic);
    connect(animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { apply(value.toReal()); });
    connect(animation_, &QVariantAnimation::finished, this, [this] { end(); });
    apply(0.0);
    animation_->start();
}

void ViewControllerTransition::finishNow()
{
    if (animation_)
        animation_->stop(); // stop() does not emit finished
    end();
}

void ViewControllerTransition::apply(qreal progress)
{
    if (!moving_)
        return;
    // Presenting moves from hidden (0) to in place (1); dismissing the other way round.
    const qreal shown = kind_ == Kind::Present ? progress : 1.0 - progress;
    if (style_ == ModalTransitionStyle::CrossDissolve) {
        if (opacity_)
            opacity_->setOpacity(shown);
        return;
    }
    const QRect host = moving_->parentWidget() ? moving_->parentWidget()->rect() : moving_->rect();
    moving_->setGeometry(host.translated(0, qRound(host.height() * (1.0 - shown))));
}

void ViewControllerTransition::end()
{
    if (ended_)
        return;
    ended_ = true;
    if (moving_) {
        if (opacity_ && moving_->graphicsEffect() == opacity_)
            moving_->setGraphicsEffect(nullptr); // deletes the effect
        if (moving_->parentWidget())
            moving_->setGeometry(moving_->parentWidget()->rect());
    }
    if (done_) {
        auto done = std::move(done_);
        done();
    }
}

void ViewControllerTransition::addCompletion(std::function<void()> completion)
{
    if (completion)
        completions_.push_back(std::move(completion));
}

std::vector<std::function<void()>> ViewControllerTransition::takeCompletions()
{
    return std::exchange(completions_, {});
}

} // namespace kavio::platform
