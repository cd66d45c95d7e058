#pragma once
// What a collection view asks of its owner. Held as plain observer pointers: the owner
// outlives the view or clears them first.

#include "platform/lists/IndexPath.h"

namespace kavio::platform {

class CollectionView;
class CollectionViewCell;

class CollectionViewDataSource {
public:
    virtual ~CollectionViewDataSource() = default;

    virtual int numberOfSections(CollectionView&) { return 1; }
    virtual int numberOfItemsInSection(CollectionView&, int section) = 0;
    // Asked only for items about to come on screen; answer with
    // CollectionView::dequeueReusableCell(). The view keeps owning the cell.
    virtual CollectionViewCell* cellForItem(CollectionView&, const IndexPath& path) = 0;
};

class CollectionViewDelegate {
public:
    virtual ~CollectionViewDelegate() = default;

    virtual void willDisplayCell(CollectionView&, CollectionViewCell&, const IndexPath&) {}
    virtual void didEndDisplayingCell(CollectionView&, CollectionViewCell&, const IndexPath&) {}
    virtual void didSelectItem(CollectionView&, const IndexPath&) {}
};

} // namespace kavio::platform
