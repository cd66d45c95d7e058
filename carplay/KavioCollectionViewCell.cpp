#include "KavioCollectionViewCell.h"

#include "carplay/CarStyle.h"

namespace kavio::carplay {

KavioCollectionViewCell::KavioCollectionViewCell(QWidget* parent) : platform::CollectionViewCell(parent)
{
    createUI();
}

void KavioCollectionViewCell::createUI()
{
    appImageView = new platform::CellImageView(contentView());
    appImageView->setGeometry(0, 0, kSide, kSide);
    appImageView->setContentMode(platform::ImageContentMode::ScaleToFill);
    appImageView->setCornerRadius(3);
    appImageView->setBorderWidth(0);
    appImageView->setBorderColor(style::red);
}

void KavioCollectionViewCell::setSelected(bool selected)
{
    platform::CollectionViewCell::setSelected(selected);
    appImageView->setBorderWidth(selected ? kPlayingBorder : 0);
}

} // namespace kavio::carplay
