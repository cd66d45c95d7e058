#include "platform/modals/Notice.h"

#include "platform/screens/NavigationController.h"
#include "platform/screens/ViewController.h"
#include "platform/views/Colors.h"

#include <QDateTime>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace kavio::platform {

namespace {

constexpr int kMaxWidth = 480;
constexpr int kPadding = 14;
constexpr qreal kCornerRadius = 12;
constexpr int kTextPixels = 15;

QWidget* hostFor(ViewController& over)
{
    if (NavigationController* nav = over.navigationController())
        return nav->view();
    return over.view();
}

} // namespace

NoticeBar::NoticeBar(QWidget* host) : QWidget(host)
{
    setObjectName(QStringLiteral("NoticeBar"));
    setFocusPolicy(Qt::NoFocus); // never takes the keyboard from what the person is doing
    setAttribute(Qt::WA_Hover);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kPadding, 10, 8, 10);
    layout->setSpacing(8);

    label_ = new QLabel(this);
    label_->setWordWrap(true);
    label_->setTextFormat(Qt::PlainText);
    QFont font = label_->font();
    font.setPixelSize(kTextPixels);
    label_->setFont(font);
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, colors::noticeText);
    label_->setPalette(palette);
    layout->addWidget(label_, 1);

    button_ = new QPushButton(this);
    button_->setFocusPolicy(Qt::TabFocus); // Tab reaches it; a click does not move the focus
    button_->setCursor(Qt::PointingHandCursor);
    QFont bold = font;
    bold.setWeight(QFont::DemiBold);
    button_->setFont(bold);
    button_->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: transparent; border: 2px solid transparent;"
                                          " border-radius: 8px; padding: 4px 8px; }"
                                          " QPushButton:focus { border-color: %1; }"
                                          " QPushButton:pressed { background: %2; }")
                               .arg(colors::noticeAction.name(), colors::noticePressed.name(QColor::HexArgb)));
    connect(button_, &QPushButton::clicked, this, [this] { triggerAction(); });
    button_->installEventFilter(this);
    layout->addWidget(button_, 0, Qt::AlignVCenter);

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &NoticeBar::dismiss);
    host->installEventFilter(this);
    hide();
}

NoticeBar::~NoticeBar() = default;

void NoticeBar::showNotice(NoticeContent content)
{
    label_->setText(content.text);
    setAccessibleName(content.text);
    button_->setText(content.actionTitle);
    button_->setAccessibleName(content.actionTitle);
    button_->setVisible(!content.actionTitle.isEmpty());
    action_ = std::move(content.action);
    left_ = content.duration;
    show();
    raise();
    place();
    runningSince_ = 0;
    pauseOrRun();
}

void NoticeBar::dismiss()
{
    if (!isVisible())
        return;
    timer_->stop();
    action_ = nullptr;
    hide();
    Q_EMIT dismissed();
}

QString NoticeBar::text() const
{
    return label_->text();
}

QString NoticeBar::actionTitle() const
{
    return button_->isVisibleTo(this) ? button_->text() : QString();
}

bool NoticeBar::triggerAction()
{
    if (!isVisible() || !action_)
        return false;
    std::function<void()> action = std::move(action_);
    dismiss();
    action();
    return true;
}

std::chrono::milliseconds NoticeBar::remaining() const
{
    if (!timer_->isActive())
        return left_;
    return std::chrono::milliseconds(timer_->remainingTime());
}

// The time runs only while nobody is reading or about to use it.
void NoticeBar::pauseOrRun()
{
    const bool held = hovered_ || button_->hasFocus();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (held && timer_->isActive()) {
        left_ -= std::chrono::milliseconds(now - runningSince_);
        timer_->stop();
    } else if (!held && !timer_->isActive() && isVisible()) {
        runningSince_ = now;
        timer_->start(std::max(left_, std::chrono::milliseconds(1500))); // time to read it again
    }
}

void NoticeBar::place()
{
    QWidget* host = parentWidget();
    if (!host)
        return;
    const int width = std::min(kMaxWidth, host->width() - 2 * kMargin);
    const int height = std::max(layout()->heightForWidth(width), layout()->minimumSize().height());
    setGeometry((host->width() - width) / 2, host->height() - height - kMargin, width, height);
}

bool NoticeBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible()) {
        place();
    } else if (watched == button_) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            pauseOrRun();
        } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            dismiss();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void NoticeBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors::noticeBackground);
    painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
}

void NoticeBar::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    pauseOrRun();
    QWidget::enterEvent(event);
}

void NoticeBar::leaveEvent(QEvent* event)
{
    hovered_ = false;
    pauseOrRun();
    QWidget::leaveEvent(event);
}

NoticeBar* noticeBarFor(ViewController& over)
{
    QWidget* host = hostFor(over);
    return host ? host->findChild<NoticeBar*>(QStringLiteral("NoticeBar"), Qt::FindDirectChildrenOnly) : nullptr;
}

NoticeBar* showNotice(ViewController& over, NoticeContent content)
{
    QWidget* host = hostFor(over);
    if (!host)
        return nullptr;
    NoticeBar* bar = noticeBarFor(over);
    if (!bar)
        bar = new NoticeBar(host);
    bar->showNotice(std::move(content));
    return bar;
}

} // namespace kavio::platform
