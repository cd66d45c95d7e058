#include "platform/views/Labels.h"

#include "platform/views/Colors.h"

#include <QEvent>
#include <QLabel>

namespace kavio::platform {

namespace {

void followBackground(QLabel* label)
{
    const bool dark = label->palette().color(QPalette::Window).lightnessF() < 0.5;
    const QColor& text = dark ? colors::sizeTextOnDark : colors::sizeTextOnLight;
    if (label->palette().color(QPalette::WindowText) == text && label->palette().color(QPalette::Text) == text)
        return;
    QPalette palette = label->palette();
    // Both roles: inside a list the label inherits the Text foreground role.
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    label->setPalette(palette);
}

// Sets its grey again whenever it lands on another row or the row changes colour.
class BackgroundFollower final : public QObject {
public:
    explicit BackgroundFollower(QLabel* label) : QObject(label), label_(label) { label->installEventFilter(this); }

    bool eventFilter(QObject*, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::ParentChange || type == QEvent::PaletteChange || type == QEvent::Polish)
            followBackground(label_);
        return false;
    }

private:
    QLabel* label_;
};

} // namespace

void applySizeTextStyle(QLabel* label)
{
    if (!label)
        return;
    QFont font = label->font();
    font.setPixelSize(10); // points here are device-independent pixels
    label->setFont(font);
    followBackground(label);
    new BackgroundFollower(label);
    label->setAlignment(Qt::AlignCenter);
    label->setFixedHeight(15);
}

QLabel* makeSizeTextLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    applySizeTextStyle(label);
    return label;
}

QFont namedFont(const QString& family, int pixelSize, QFont::Weight weight)
{
    QFont font(family);
    font.setFamilies({family, QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    font.setWeight(weight);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace kavio::platform
