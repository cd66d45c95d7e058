#include "support/ScreenChecks.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>

namespace kavio::test {

namespace {

double channel(double value)
{
    value /= 255.0;
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c)
{
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

QColor over(const QColor& top, const QColor& bottom)
{
    const double a = top.alphaF();
    return QColor::fromRgbF(static_cast<float>(top.redF() * a + bottom.redF() * (1 - a)),
                            static_cast<float>(top.greenF() * a + bottom.greenF() * (1 - a)),
                            static_cast<float>(top.blueF() * a + bottom.blueF() * (1 - a)));
}

bool showsUnder(const QWidget& widget, const QWidget& root)
{
    return widget.isVisibleTo(&root) && widget.width() > 0 && widget.height() > 0;
}

// The part of widget's rectangle, in root's coordinates, that its holders leave visible.
QRect visibleRect(const QWidget& widget, const QWidget& root)
{
    QRect shown(widget.mapTo(&root, QPoint()), widget.size());
    for (const QWidget* holder = widget.parentWidget(); holder; holder = holder->parentWidget()) {
        shown &= QRect(holder->mapTo(&root, QPoint()), holder->size());
        if (holder == &root)
            break;
    }
    return shown;
}

QString textOf(const QWidget& widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return button->text();
    if (const auto* field = qobject_cast<const QLineEdit*>(&widget))
        return field->text().isEmpty() ? field->placeholderText() : field->text();
    return {};
}

// Draws root with widget's text taken away, and puts the text back.
QImage renderedWithoutText(QWidget& root, QWidget& widget)
{
    QImage without;
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        const QString text = label->text();
        label->setText(QString());
        without = root.grab().toImage();
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        const QString text = button->text();
        button->setText(QString());
        without = root.grab().toImage();
        button->setText(text);
    } else if (auto* field = qobject_cast<QLineEdit*>(&widget)) {
        const QString text = field->text();
        const QString placeholder = field->placeholderText();
        field->setText(QString());
        field->setPlaceholderText(QString());
        without = root.grab().toImage();
        field->setText(text);
        field->setPlaceholderText(placeholder);
    }
    return without;
}

} // namespace

double contrastRatio(const QColor& foreground, const QColor& background)
{
    const QColor back = background.alpha() == 255 ? background : over(background, Qt::white);
    const double a = luminance(over(foreground, back));
    const double b = luminance(back);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

std::vector<std::string> cutTexts(const QWidget& root)
{
    std::vector<std::string> cut;
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!showsUnder(*label, root) || label->text().isEmpty() || !label->pixmap().isNull())
            continue;
        const QRect area = label->contentsRect();
        QString why;
        if (label->wordWrap()) {
            const int needed = label->heightForWidth(label->width());
            if (needed > label->height())
                why = QStringLiteral("needs %1 high, has %2").arg(needed).arg(label->height());
        } else {
            const QRect needed = label->fontMetrics().boundingRect(area, static_cast<int>(label->alignment()), label->text());
            if (needed.width() > area.width() + 1 || needed.height() > area.height() + 1)
                why = QStringLiteral("needs %1x%2, has %3x%4")
                          .arg(needed.width()).arg(needed.height()).arg(area.width()).arg(area.height());
        }
        if (why.isEmpty() && visibleRect(*label, root) != QRect(label->mapTo(&root, QPoint()), label->size()))
            why = QStringLiteral("reaches outside what holds it");
        if (!why.isEmpty())
            cut.push_back((label->text().simplified() + QStringLiteral(" (") + why + u')').toStdString());
    }
    return cut;
}

std::vector<std::string> lowContrastTexts(QWidget& root, double minimum)
{
    // A text cursor is neither letters nor ground: fields hide it while read-only.
    std::vector<QLineEdit*> editable;
    for (QLineEdit* field : root.findChildren<QLineEdit*>()) {
        if (!field->isReadOnly()) {
            field->setReadOnly(true);
            editable.push_back(field);
        }
    }
    const auto restore = qScopeGuard([&editable] {
        for (QLineEdit* field : editable)
            field->setReadOnly(false);
    });
    std::vector<std::string> low;
    const QImage with = root.grab().toImage();
    const qreal ratio = with.devicePixelRatio();
    std::vector<QWidget*> texts;
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        if (showsUnder(*widget, root) && !textOf(*widget).trimmed().isEmpty())
            texts.push_back(widget);
    }
    for (QWidget* widget : texts) {
        const QImage without = renderedWithoutText(root, *widget);
        if (without.isNull() || without.size() != with.size())
            continue;
        const QRect area = visibleRect(*widget, root);
        const QRect pixels(QPoint(static_cast<int>(area.left() * ratio), static_cast<int>(area.top() * ratio)),
                           QSize(static_cast<int>(area.width() * ratio), static_cast<int>(area.height() * ratio)));
        // The letters' ink is the drawn pixel that differs most from what lies beneath it;
        // the worst background under any letter pixel decides.
        QColor ink;
        double inkContrast = 0;
        std::vector<QPoint> letters;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
            for (int x = pixels.left(); x <= pixels.right(); ++x) {
                if (x < 0 || y < 0 || x >= with.width() || y >= with.height())
                    continue;
                const QRgb a = with.pixel(x, y);
                const QRgb b = without.pixel(x, y);
                if (a == b)
                    continue;
                letters.emplace_back(x, y);
                const double c = contrastRatio(QColor(a), QColor(b));
                if (c > inkContrast) {
                    inkContrast = c;
                    ink = QColor(a);
                }
            }
        }
        if (letters.empty())
            continue;
        double worst = inkContrast;
        for (const QPoint& p : letters)
            worst = std::min(worst, contrastRatio(ink, QColor(without.pixel(p))));
        if (worst < minimum)
            low.push_back(QStringLiteral("%1: %2").arg(textOf(*widget).simplified()).arg(worst, 0, 'f', 2).toStdString());
    }
    return low;
}

QImage screenshot(QWidget& root, const QString& name)
{
    const QImage image = root.grab().toImage();
    if (const QString dir = qEnvironmentVariable("KAVIO_TEST_SHOTS"); !dir.isEmpty()) {
        QDir().mkpath(dir);
        image.save(QDir(dir).filePath(name + QStringLiteral(".png")));
    }
    return image;
}

} // namespace kavio::test
