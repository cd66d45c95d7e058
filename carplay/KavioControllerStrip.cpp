// The player's column: the strip of the queue's thumbnails (drawn at the size shown) and
// the playing entry's artwork for the desktop's media controls.

#include "carplay/KavioController.h"

#include "carplay/KavioCollectionViewCell.h"
#include "library/Avatar.h"
#include "library/ImageHelper.h"
#include "library/Utf8.h"
#include "platform/base/Dispatch.h"
#include "platform/lists/CellImageView.h"

#include <QBuffer>
#include <QPointer>

namespace kavio::carplay {

namespace {

constexpr int kArtworkSide = 512; // what the desktop's media controls show at most

} // namespace

void KavioController::prepareArtwork(std::size_t index)
{
    const MovieInfo& entry = queue_->entry(index);
    if (!entry.imgData || artwork_.index == index)
        return;
    // Decoding and encoding a camera picture would stall the video: off the main thread.
    const plist::Bytes bytes = *entry.imgData;
    platform::dispatchInBackground(this, [bytes, index] {
        Artwork made{index, decodeImage(bytes.view(), kArtworkSide, Fit::Within), {}};
        QBuffer buffer(&made.png);
        buffer.open(QIODevice::WriteOnly);
        if (!made.image.isNull())
            made.image.save(&buffer, "PNG");
        return made;
    }, [this](Artwork made) {
        if (made.image.isNull())
            return;
        artwork_ = std::move(made);
        if (player_ && !queue_->isEmpty() && queue_->currentIndex() == artwork_.index)
            upArtowaork(player_->currentTime());
    });
}

void KavioController::reloadStrip()
{
    if (!collectionItem_)
        return;
    const auto playing = platform::IndexPath::forItem(static_cast<int>(queue_->currentIndex()));
    collectionItem_->reloadData();
    collectionItem_->scrollToItem(playing, platform::Animated::Yes);
}

int KavioController::numberOfItemsInSection(platform::CollectionView&, int)
{
    return static_cast<int>(queue_->count());
}

platform::CollectionViewCell* KavioController::cellForItem(platform::CollectionView& view,
                                                           const platform::IndexPath& path)
{
    auto* cell = view.dequeueReusableCell<KavioCollectionViewCell>(KavioCollectionViewCell::kReuseIdentifier, path);
    if (!cell)
        return nullptr;
    const auto index = static_cast<std::size_t>(path.row);
    cell->appImageView->setBorderWidth(index == queue_->currentIndex() ? KavioCollectionViewCell::kPlayingBorder : 0);
    cell->appImageView->setImage(thumbnail(index));
    const MovieInfo& entry = queue_->entry(index);
    cell->setToolTip(fromUtf8(entry.FILENAME.value_or("")));
    return cell;
}

void KavioController::willDisplayCell(platform::CollectionView&, platform::CollectionViewCell& cell,
                                      const platform::IndexPath& path)
{
    // The strip applies its own selection state after producing a cell; the playing
    // entry's outline wins over it.
    if (auto* thumb = dynamic_cast<KavioCollectionViewCell*>(&cell); thumb && static_cast<std::size_t>(path.row) == queue_->currentIndex())
        thumb->appImageView->setBorderWidth(KavioCollectionViewCell::kPlayingBorder);
}

void KavioController::didSelectItem(platform::CollectionView& view, const platform::IndexPath& path)
{
    const auto index = static_cast<std::size_t>(path.row);
    if (index >= queue_->count())
        return;
    QPointer<KavioController> self(this);
    view.animateItem(path, 1.2, 200, [self] {
        if (self && self->collectionItem_)
            self->collectionItem_->reloadData();
    });
    // At once, not after the animation; the playing entry starts over.
    playEntry(index);
}

QImage KavioController::thumbnail(std::size_t index)
{
    if (index >= thumbnails_.size())
        thumbnails_.resize(queue_->count());
    if (!thumbnails_[index]) {
        const MovieInfo& entry = queue_->entry(index);
        const qreal ratio = collectionItem_ ? collectionItem_->devicePixelRatioF() : 1.0;
        const int side = static_cast<int>(KavioCollectionViewCell::kSide * ratio);
        // A video without a picture of its own (copied in by hand, from a folder without a
        // store) shows the video icon rather than an empty square.
        QImage image = entry.imgData ? decodeImage(entry.imgData->view(), side, Fit::Covering) : QImage();
        if (!entry.imgData)
            image = Avatar::shared().mp4Icon().scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        thumbnails_[index] = std::move(image);
    }
    return *thumbnails_[index];
}

} // namespace kavio::carplay
