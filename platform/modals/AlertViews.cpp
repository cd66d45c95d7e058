#include "platform/modals/AlertViews.h"

#include "platform/views/Colors.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

namespace kavio::platform {

namespace {

constexpr int kTitlePixels = 17;
constexpr int kMessagePixels = 13;
constexpr int kFieldPixels = 13;
constexpr int kButtonPixels = 17;
constexpr int kFieldHeight = 28;
constexpr int kSideMargin = 16;
constexpr int kTopMargin = 20;
constexpr int kBottomMargin = 20;
constexpr int kFieldsGap = 14; // between the message and the first field
constexpr int kFieldSpacing = 8;
constexpr int kButtonTextMargin = 8;

QFont pixelFont(const QFont& base, int pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font = base;
    font.setPixelSize(pixels); // points here are device-independent pixels
    font.setWeight(weight);
    return font;
}

QString cssColor(const QColor& color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

// Lines break only between words; a file name or path longer than the card gets places
// to break (zero-width spaces after its separators and every few letters of a long run).
QString breakable(const QString& text)
{
    constexpr int kLongestRun = 16;
    QString out;
    out.reserve(text.size() + text.size() / 8);
    int run = 0;
    for (const QChar c : text) {
        out.append(c);
        run = c.isSpace() ? 0 : run + 1;
        const bool separator = c == u'_' || c == u'/' || c == u'.' || c == u'-' || c == u',' || c == u';';
        if (run >= kLongestRun || (separator && run > 1)) {
            out.append(QChar(0x200B));
            run = 0;
        }
    }
    return out;
}

QLabel* makeHeaderLabel(const QString& text, const QFont& font, QWidget* parent)
{
    auto* label = new QLabel(breakable(text), parent);
    label->setTextFormat(Qt::PlainText); // titles carry file names, never markup
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colors::label);
    label->setPalette(palette);
    label->setVisible(!text.isEmpty());
    return label;
}

} // namespace

// --- button --------------------------------------------------------------------------

AlertButton::AlertButton(const QString& title, AlertActionStyle style, QWidget* parent)
    : QPushButton(title, parent), style_(style)
{
    // Return on a focused button answers with that button, as on any desktop dialog.
    setAutoDefault(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setFlat(true);
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const bool cancel = style == AlertActionStyle::Cancel;
    setFont(pixelFont(font(), kButtonPixels, cancel ? QFont::DemiBold : QFont::Normal));
    QPalette palette = this->palette();
    const QColor& text = style == AlertActionStyle::Destructive ? colors::destructiveOnLight : colors::tintOnLight;
    palette.setColor(QPalette::ButtonText, text);
    setPalette(palette);
}

void AlertButton::setSeparators(ButtonSeparators separators)
{
    separators_ = separators;
    update();
}

QSize AlertButton::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(text()) + 2 * kButtonTextMargin, kHeight};
}

void AlertButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor wash = isDown() ? colors::highlightOnLight
                        : hasFocus() ? colors::keyboardFocusOnLight
                                     : QColor(Qt::transparent);
    if (wash.alpha() > 0) {
        // Keep the wash inside the card's rounded corners.
        QPainterPath own;
        own.addRect(QRectF(rect()));
        QPainterPath card;
        if (QWidget* p = parentWidget()) {
            card.addRoundedRect(QRectF(QPointF(-pos()), QSizeF(p->size())), AlertCard::kCornerRadius,
                                AlertCard::kCornerRadius);
            own = own.intersected(card);
        }
        painter.fillPath(own, wash);
    }

    const qreal hairline = 1.0 / devicePixelRatioF();
    painter.fillRect(QRectF(0, 0, width(), hairline), colors::separatorOnLight);
    if (separators_ == ButtonSeparators::TopAndLeading)
        painter.fillRect(QRectF(0, hairline, hairline, height() - hairline), colors::separatorOnLight);

    painter.setFont(font());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const QRect textRect = rect().adjusted(kButtonTextMargin, 0, -kButtonTextMargin, 0);
    painter.drawText(textRect, Qt::AlignCenter,
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, textRect.width()));
}

// --- card ----------------------------------------------------------------------------

AlertCard::AlertCard(const QString& title, const QString& message, QWidget* parent) : QWidget(parent)
{
    setFixedWidth(kWidth);
    setAttribute(Qt::WA_OpaquePaintEvent, false); // the rounded corners show what lies beneath
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    setupHeader(title, message);
    buttonsLayout_ = new QVBoxLayout;
    buttonsLayout_->setSpacing(0);
    layout_->addLayout(buttonsLayout_);
    fitHeight();
}

void AlertCard::setupHeader(const QString& title, const QString& message)
{
    auto* header = new QVBoxLayout;
    header->setContentsMargins(kSideMargin, kTopMargin, kSideMargin, kBottomMargin);
    header->setSpacing(4);
    header->addWidget(makeHeaderLabel(title, pixelFont(font(), kTitlePixels, QFont::DemiBold), this));
    message_ = makeHeaderLabel(message, pixelFont(font(), kMessagePixels), this);
    header->addWidget(message_);
    fieldsLayout_ = new QVBoxLayout;
    fieldsLayout_->setSpacing(kFieldSpacing);
    header->addLayout(fieldsLayout_);
    layout_->addLayout(header);
}

QLineEdit* AlertCard::addTextField(const AlertTextField& field)
{
    if (fields_.empty())
        fieldsLayout_->setContentsMargins(0, kFieldsGap - 4, 0, 0);
    auto* edit = new QLineEdit(field.text, this);
    edit->setPlaceholderText(field.placeholder);
    edit->setClearButtonEnabled(true);
    edit->setFont(pixelFont(font(), kFieldPixels));
    edit->setFixedHeight(kFieldHeight);
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3;"
                                       " border-radius: 6px; padding: 0px 4px; }")
                            .arg(cssColor(colors::textFieldBackground), cssColor(colors::label),
                                 cssColor(colors::textFieldBorder)));
    QPalette palette = edit->palette();
    palette.setColor(QPalette::PlaceholderText, colors::placeholderText);
    edit->setPalette(palette);
    fieldsLayout_->addWidget(edit);
    fields_.push_back(edit);
    fitHeight();
    return edit;
}

void AlertCard::addAccessory(QWidget* accessory)
{
    accessory->setParent(this);
    fieldsLayout_->setContentsMargins(0, kFieldsGap - 4, 0, 0);
    fieldsLayout_->addWidget(accessory);
    fitHeight();
}

void AlertCard::setMessage(const QString& message)
{
    message_->setText(breakable(message));
    message_->setVisible(!message.isEmpty());
    fitHeight();
}

const std::vector<AlertButton*>& AlertCard::setButtons(
    const std::vector<std::pair<QString, AlertActionStyle>>& actions)
{
    for (AlertButton* button : buttons_)
        delete button;
    buttons_.clear();
    delete buttonsLayout_; // the new row may run the other way
    const bool sideBySide = actions.size() == 2;
    buttonsLayout_ = sideBySide ? static_cast<QBoxLayout*>(new QHBoxLayout) : new QVBoxLayout;
    buttonsLayout_->setSpacing(0);
    layout_->addLayout(buttonsLayout_);
    for (std::size_t i = 0; i < actions.size(); ++i) {
        auto* button = new AlertButton(actions[i].first, actions[i].second, this);
        if (sideBySide && i == 1)
            button->setSeparators(ButtonSeparators::TopAndLeading);
        buttonsLayout_->addWidget(button, sideBySide ? 1 : 0);
        buttons_.push_back(button);
    }
    // Tab follows what the eye reads: fields, then buttons in order.
    std::vector<QWidget*> chain = focusChain();
    for (std::size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
    fitHeight();
    return buttons_;
}

std::vector<QWidget*> AlertCard::focusChain() const
{
    std::vector<QWidget*> chain(fields_.begin(), fields_.end());
    chain.insert(chain.end(), buttons_.begin(), buttons_.end());
    return chain;
}

void AlertCard::fitHeight()
{
    // The overlay's layout would measure the wrapped texts at its own, wider width and
    // give the card a line or two too few.
    setFixedHeight(layout_->totalHeightForWidth(kWidth));
}

void AlertCard::showEvent(QShowEvent* event)
{
    fitHeight(); // fonts and styles are final by now
    QWidget::showEvent(event);
}

void AlertCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors::alertBackground);
    painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
}

// --- overlay -------------------------------------------------------------------------

AlertOverlay::AlertOverlay(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false); // the dimmed window stays visible
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kSideMargin, kSideMargin, kSideMargin, kSideMargin);
    layout->addStretch(1);
    layout->addStretch(1);
}

void AlertOverlay::setCard(AlertCard* card)
{
    card_ = card;
    auto* box = static_cast<QVBoxLayout*>(layout());
    box->insertWidget(1, card, 0, Qt::AlignHCenter);
}

namespace {

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

bool isPlainKey(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    return mods == Qt::NoModifier;
}

} // namespace

bool AlertOverlay::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // The alert answers these keys itself; no window shortcut may take them first.
        auto* key = static_cast<QKeyEvent*>(event);
        if (isPlainKey(key) && (isEnter(key) || key->key() == Qt::Key_Escape)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void AlertOverlay::keyPressEvent(QKeyEvent* event)
{
    if (isPlainKey(event) && isEnter(event)) {
        if (!event->isAutoRepeat())
            Q_EMIT enterPressed();
        event->accept();
        return;
    }
    if (isPlainKey(event) && event->key() == Qt::Key_Escape) {
        Q_EMIT escapePressed();
        event->accept();
        return;
    }
    // Everything else stops here too: nothing beneath the alert may act on it.
    event->accept();
}

bool AlertOverlay::focusNextPrevChild(bool next)
{
    if (!card_ || !isVisible())
        return QWidget::focusNextPrevChild(next); // going away: focus may leave
    std::vector<QWidget*> chain = card_->focusChain();
    std::erase_if(chain, [](QWidget* w) { return !w->isVisible() || !w->isEnabled(); });
    if (chain.empty())
        return true; // still never leave the alert
    const auto current = std::find(chain.begin(), chain.end(), window()->focusWidget());
    std::ptrdiff_t index = current == chain.end() ? (next ? -1 : 0) : current - chain.begin();
    const auto count = static_cast<std::ptrdiff_t>(chain.size());
    index = (index + (next ? 1 : count - 1)) % count;
    chain[static_cast<std::size_t>(index)]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void AlertOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), colors::dimmingOverlay);
}

} // namespace kavio::platform
