#include "platform/lists/CollectionViewCell.h"

#include <QPainter>

namespace kavio::platform {

CollectionViewCell::CollectionViewCell(QWidget* parent) : QWidget(parent)
{
    content_ = new QWidget(this);
}

CollectionViewCell::~CollectionViewCell() = default;

void CollectionViewCell::setBackgroundColor(const QColor& color)
{
    background_ = color;
    update();
}

void CollectionViewCell::setSelected(bool selected) { selected_ = selected; }

void CollectionViewCell::setHighlighted(bool highlighted) { highlighted_ = highlighted; }

void CollectionViewCell::prepareForReuse()
{
    setSelected(false);
    setHighlighted(false);
}

void CollectionViewCell::resizeEvent(QResizeEvent*) { content_->setGeometry(rect()); }

void CollectionViewCell::paintEvent(QPaintEvent*)
{
    if (background_.alpha() == 0)
        return;
    QPainter p(this);
    p.fillRect(rect(), background_);
}

} // namespace kavio::platform
