#pragma once
// One thumbnail of the player's strip: a 30x30 picture with rounded corners, outlined in
// red while its entry plays.

#include "platform/lists/CellImageView.h"
#include "platform/lists/CollectionViewCell.h"

namespace kavio::carplay {

class KavioCollectionViewCell : public platform::CollectionViewCell {
    Q_OBJECT
public:
    static constexpr int kSide = 30;
    static constexpr qreal kPlayingBorder = 1.5;
    static inline const QString kReuseIdentifier = QStringLiteral("KavioCollectionViewCell");

    explicit KavioCollectionViewCell(QWidget* parent = nullptr);

    platform::CellImageView* appImageView = nullptr; // child of the content view

    void setSelected(bool selected) override;

private:
    void createUI();
};

} // namespace kavio::carplay
