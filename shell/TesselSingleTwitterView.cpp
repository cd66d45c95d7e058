#include "shell/TesselSingleTwitterView.h"

#include "platform/modals/LinkSheet.h"
#include "platform/views/Symbols.h"
#include "shell/ShellStyle.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

namespace kavio::shell {

namespace {

constexpr int kAvatar = 40;
constexpr int kAvatarRadius = 10;

QPixmap roundedAvatar(const QString& name, qreal ratio)
{
    const QImage image = platform::resourceImage(name);
    const int side = static_cast<int>(kAvatar * ratio);
    QPixmap out(side, side);
    out.fill(Qt::transparent);
    if (!image.isNull()) {
        QPainter p(&out);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(0, 0, side, side), kAvatarRadius * ratio, kAvatarRadius * ratio);
        p.setClipPath(clip);
        p.drawImage(QRect(0, 0, side, side), image);
    }
    out.setDevicePixelRatio(ratio);
    return out;
}

QLabel* makeLabel(const QString& text, int pixels, bool bold, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->setAttribute(Qt::WA_TransparentForMouseEvents); // clicks belong to the credit
    return label;
}

} // namespace

TesselSingleTwitterView::TesselSingleTwitterView(QWidget* parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void TesselSingleTwitterView::showEvent(QShowEvent* event)
{
    QAbstractButton::showEvent(event);
    if (!subviewsAdded_)
        buildSubviews();
}

void TesselSingleTwitterView::buildSubviews()
{
    subviewsAdded_ = true;
    leftImageView = new QLabel(this);
    leftImageView->setPixmap(roundedAvatar(url, devicePixelRatioF()));
    leftImageView->setAttribute(Qt::WA_TransparentForMouseEvents);
    usernameLabel = makeLabel(username, 14, true, style::creditName, this);
    handleLabel = makeLabel(handle, 12, false, style::creditRole, this);
    setAccessibleName(username + QStringLiteral(", ") + handle);
    connect(this, &QAbstractButton::clicked, this, &TesselSingleTwitterView::open);
    for (QWidget* w : {static_cast<QWidget*>(leftImageView), static_cast<QWidget*>(usernameLabel),
                       static_cast<QWidget*>(handleLabel)})
        w->show();
    layoutSubviews();
}

void TesselSingleTwitterView::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    layoutSubviews();
}

void TesselSingleTwitterView::layoutSubviews()
{
    if (!subviewsAdded_)
        return;
    const int centre = height() / 2;
    leftImageView->setGeometry(15, centre - kAvatar / 2, kAvatar, kAvatar);
    const int textLeft = 15 + kAvatar + 10;
    const int textWidth = std::max(0, width() - textLeft - 4);
    usernameLabel->setGeometry(textLeft, centre - 18, textWidth, 20);
    handleLabel->setGeometry(textLeft, centre + 18 - 20, textWidth, 20);
}

void TesselSingleTwitterView::paintEvent(QPaintEvent*)
{
    if (!hasFocus() && !isDown())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(platform::colors::highlightOnLight);
    p.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 8, 8);
}

void TesselSingleTwitterView::open()
{
    platform::openLink(this, QUrl(openURL));
}

} // namespace kavio::shell
