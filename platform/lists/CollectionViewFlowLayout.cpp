#include "platform/lists/CollectionViewFlowLayout.h"

#include <algorithm>

namespace kavio::platform {

void CollectionViewFlowLayout::prepare(int width, std::vector<int> itemCounts)
{
    width_ = width;
    const int available = width - sectionInset_.left() - sectionInset_.right();
    const int step = std::max(1, itemSize_.width() + interitemSpacing_);
    columns_ = std::max(1, (available + interitemSpacing_) / step);
    sections_.clear();
    int top = 0;
    for (int count : itemCounts) {
        Section s;
        s.count = std::max(0, count);
        s.top = top;
        s.lines = (s.count + columns_ - 1) / columns_;
        top += sectionHeight(s);
        sections_.push_back(s);
    }
}

int CollectionViewFlowLayout::sectionHeight(const Section& s) const
{
    const int lines = s.lines > 0 ? s.lines * pitch() - lineSpacing_ : 0;
    return sectionInset_.top() + lines + sectionInset_.bottom();
}

QSize CollectionViewFlowLayout::contentSize() const
{
    if (sections_.empty())
        return {width_, 0};
    const Section& last = sections_.back();
    return {width_, last.top + sectionHeight(last)};
}

QRect CollectionViewFlowLayout::frameForItem(const IndexPath& path) const
{
    if (path.section < 0 || path.section >= static_cast<int>(sections_.size()))
        return {};
    const Section& s = sections_[static_cast<std::size_t>(path.section)];
    if (path.item() < 0 || path.item() >= s.count)
        return {};
    const int line = path.item() / columns_;
    const int column = path.item() % columns_;
    const int inLine = std::min(columns_, s.count - line * columns_);
    const int available = width_ - sectionInset_.left() - sectionInset_.right();
    int x = sectionInset_.left();
    if (inLine == 1) {
        x += (available - itemSize_.width()) / 2;
    } else {
        const int gap = (available - inLine * itemSize_.width()) / (inLine - 1);
        x += column * (itemSize_.width() + std::max(gap, interitemSpacing_));
    }
    const int y = s.top + sectionInset_.top() + line * pitch();
    return {x, y, itemSize_.width(), itemSize_.height()};
}

std::vector<IndexPath> CollectionViewFlowLayout::itemsInRange(int top, int bottom) const
{
    std::vector<IndexPath> out;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (s.lines == 0)
            continue;
        const int base = s.top + sectionInset_.top();
        const int end = base + s.lines * pitch() - lineSpacing_;
        if (bottom <= base || top >= end)
            continue;
        const int firstLine = std::clamp((top - base) / pitch(), 0, s.lines - 1);
        const int lastLine = std::clamp((bottom - 1 - base) / pitch(), 0, s.lines - 1);
        const int first = firstLine * columns_;
        const int last = std::min(s.count, (lastLine + 1) * columns_);
        for (int item = first; item < last; ++item)
            out.push_back(IndexPath::forItem(item, static_cast<int>(i)));
    }
    return out;
}

std::optional<IndexPath> CollectionViewFlowLayout::itemAt(const QPoint& contentPos) const
{
    for (const IndexPath& path : itemsInRange(contentPos.y(), contentPos.y() + 1)) {
        if (frameForItem(path).contains(contentPos))
            return path;
    }
    return std::nullopt;
}

} // namespace kavio::platform
