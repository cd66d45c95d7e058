#pragma once
// Item frames for a vertically scrolling grid: lines of equal items, the first line of a
// section below its top inset, lines minimumLineSpacing apart. A line holding one item
// centres it; fuller lines spread their items from edge to edge. Plain arithmetic: a
// collection of any length costs the same to lay out.

#include "platform/lists/IndexPath.h"

#include <QMargins>
#include <QRect>
#include <QSize>

#include <optional>
#include <vector>

namespace kavio::platform {

enum class CollectionViewScrollDirection { Vertical };

class CollectionViewFlowLayout {
public:
    void setScrollDirection(CollectionViewScrollDirection direction) { direction_ = direction; }
    CollectionViewScrollDirection scrollDirection() const { return direction_; }
    void setItemSize(const QSize& size) { itemSize_ = size; }
    QSize itemSize() const { return itemSize_; }
    void setMinimumLineSpacing(int spacing) { lineSpacing_ = spacing; }
    int minimumLineSpacing() const { return lineSpacing_; }
    void setMinimumInteritemSpacing(int spacing) { interitemSpacing_ = spacing; }
    int minimumInteritemSpacing() const { return interitemSpacing_; }
    void setSectionInset(const QMargins& inset) { sectionInset_ = inset; }
    QMargins sectionInset() const { return sectionInset_; }

    // Lays out sections with these item counts in a view this wide.
    void prepare(int width, std::vector<int> itemCounts);

    int columns() const { return columns_; }
    QSize contentSize() const;
    QRect frameForItem(const IndexPath& path) const;
    // Items on the lines that meet [top, bottom), in order.
    std::vector<IndexPath> itemsInRange(int top, int bottom) const;
    std::optional<IndexPath> itemAt(const QPoint& contentPos) const;

private:
    struct Section {
        int count = 0;
        int top = 0;
        int lines = 0;
    };
    int pitch() const { return itemSize_.height() + lineSpacing_; }
    int sectionHeight(const Section& s) const;

    CollectionViewScrollDirection direction_ = CollectionViewScrollDirection::Vertical;
    QSize itemSize_{50, 50};
    int lineSpacing_ = 10;
    int interitemSpacing_ = 10;
    QMargins sectionInset_;
    int width_ = 0;
    int columns_ = 1;
    std::vector<Section> sections_;
};

} // namespace kavio::platform
