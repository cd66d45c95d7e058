#include "platform/views/Symbols.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace kavio::platform {
namespace {

QString symbolPath(const QString& name)
{
    return QStringLiteral(":/symbols/") + name + QStringLiteral(".svg");
}

// A bare name: no way out of the symbol folder.
bool isSymbolName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\');
}

QImage renderSymbol(const QString& name, QSize pixels, const QColor& tint)
{
    if (!isSymbolName(name) || pixels.isEmpty() || !QFile::exists(symbolPath(name)))
        return {};
    QSvgRenderer renderer(symbolPath(name));
    if (!renderer.isValid())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    // Keep the drawn coverage, replace its colour: the SVGs are black templates.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), tint);
    return image;
}

// Renders on demand so the symbol stays crisp at every size a style asks for.
class SymbolIconEngine final : public QIconEngine {
public:
    SymbolIconEngine(QString name, QColor tint) : name_(std::move(name)), tint_(tint) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QSize pixels(int(std::ceil(rect.width() * ratio)), int(std::ceil(rect.height() * ratio)));
        QImage image = renderSymbol(name_, pixels, colourFor(mode));
        image.setDevicePixelRatio(ratio);
        painter->drawImage(rect, image);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        return QPixmap::fromImage(renderSymbol(name_, size, colourFor(mode)));
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(name_, tint_); }
    QString key() const override { return QStringLiteral("kavio-symbol"); }

private:
    QColor colourFor(QIcon::Mode mode) const
    {
        if (mode != QIcon::Disabled)
            return tint_;
        QColor faded = tint_;
        faded.setAlphaF(tint_.alphaF() * 0.35f);
        return faded;
    }

    QString name_;
    QColor tint_;
};

} // namespace

bool hasSymbol(const QString& name)
{
    return isSymbolName(name) && QFile::exists(symbolPath(name));
}

QImage symbolImage(const QString& name, QSize sizePoints, const QColor& tint, qreal devicePixelRatio)
{
    if (devicePixelRatio <= 0)
        devicePixelRatio = 1.0;
    const QSize pixels(int(std::ceil(sizePoints.width() * devicePixelRatio)),
                       int(std::ceil(sizePoints.height() * devicePixelRatio)));
    QImage image = renderSymbol(name, pixels, tint);
    if (!image.isNull())
        image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QPixmap symbolPixmap(const QString& name, QSize sizePoints, const QColor& tint, qreal devicePixelRatio)
{
    return QPixmap::fromImage(symbolImage(name, sizePoints, tint, devicePixelRatio));
}

QIcon symbolIcon(const QString& name, const QColor& tint)
{
    if (!hasSymbol(name))
        return {};
    return QIcon(new SymbolIconEngine(name, tint));
}

QImage resourceImage(const QString& name)
{
    if (name.isEmpty())
        return {};
    return QImage(QStringLiteral(":/") + name);
}

QPixmap resourcePixmap(const QString& name)
{
    if (name.isEmpty())
        return {};
    return QPixmap(QStringLiteral(":/") + name);
}

} // namespace kavio::platform
