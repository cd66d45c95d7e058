#pragma once
// A scrolling grid of reusable cells laid out by a flow layout. Only the items on screen
// (and one line around them) have cells; cells that leave are kept per reuse identifier
// and handed out again. With paging on, scrolling comes to rest on multiples of the
// view's own height: a wheel notch or a drag moves one page, and so does a finger's flick;
// without paging a flick goes on with momentum. A tap while it moves only stops it.

#include "platform/base/Animated.h"
#include "platform/lists/CollectionViewCell.h"
#include "platform/lists/CollectionViewDataSource.h"
#include "platform/lists/CollectionViewFlowLayout.h"
#include "platform/lists/IndexPath.h"
#include "platform/lists/ScrollView.h"

#include <QColor>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class QTimer;

namespace kavio::platform {

class CollectionView : public ScrollView {
    Q_OBJECT
public:
    using CellFactory = std::function<std::unique_ptr<CollectionViewCell>()>;

    explicit CollectionView(const CollectionViewFlowLayout& layout = {},
                            QWidget* parent = nullptr);
    ~CollectionView() override;
    CollectionView(const CollectionView&) = delete;
    CollectionView& operator=(const CollectionView&) = delete;

    void setCollectionViewLayout(const CollectionViewFlowLayout& layout);
    const CollectionViewFlowLayout& collectionViewLayout() const { return layout_; }

    // Observers, not owned. Setting either schedules a reload.
    void setDataSource(CollectionViewDataSource* dataSource);
    CollectionViewDataSource* dataSource() const { return dataSource_; }
    void setDelegate(CollectionViewDelegate* delegate);
    CollectionViewDelegate* delegate() const { return delegate_; }

    // Transparent by default: whatever lies behind shows through.
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background_; }
    void setPagingEnabled(bool enabled) { paging_ = enabled; }
    bool isPagingEnabled() const { return paging_; }

    void registerCellClass(const QString& identifier, CellFactory factory);
    template <class Cell>
    void registerCellClass(const QString& identifier)
    {
        registerCellClass(identifier, [] { return std::make_unique<Cell>(); });
    }
    // A kept cell (prepared for reuse) or a new one from the registered factory; owned
    // by the view. nullptr when nothing is registered under that identifier.
    CollectionViewCell* dequeueReusableCell(const QString& identifier, const IndexPath& path);
    template <class Cell>
    Cell* dequeueReusableCell(const QString& identifier, const IndexPath& path)
    {
        return dynamic_cast<Cell*>(dequeueReusableCell(identifier, path));
    }

    void reloadData();
    int numberOfSections();
    int numberOfItemsInSection(int section);

    // In content coordinates, and in viewport coordinates.
    QRect frameForItem(const IndexPath& path);
    QRect visualRectForItem(const IndexPath& path);
    QSize contentSize();
    std::optional<IndexPath> indexPathForItemAt(const QPoint& viewportPos);
    // Items smaller than a finger can be given a larger tap target around them (centred
    // on the item; where two overlap, the nearer item wins). Empty: the item's frame.
    void setTapTargetSize(const QSize& size) { tapTarget_ = size; }
    QSize tapTargetSize() const { return tapTarget_; }
    // The item a tap at this point chooses.
    std::optional<IndexPath> indexPathForTapAt(const QPoint& viewportPos);
    CollectionViewCell* cellForItem(const IndexPath& path) const;
    // Items whose frames meet the viewport.
    std::vector<IndexPath> indexPathsForVisibleItems() const;
    int numberOfVisibleItems() const
    {
        return static_cast<int>(indexPathsForVisibleItems().size());
    }
    // Cells alive: on screen, around it and kept for reuse.
    int liveCellCount() const;

    void selectItem(const IndexPath& path);
    void deselectItem(const IndexPath& path);
    std::vector<IndexPath> indexPathsForSelectedItems() const;

    // Still moving after a finger let go (momentum, or a flicked page turning).
    bool isDecelerating() const override;
    void scrollToItem(const IndexPath& path, Animated animated);

    // Scales the item's cell by `scale` over `durationMs`, back over as long again, then
    // calls the completion. With animations off, or no cell on screen, at once.
    void animateItem(const IndexPath& path, qreal scale, int durationMs,
                     std::function<void()> completion);

protected:
    void layoutPass() override;
    void viewportResized() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Press {
        bool active = false;
        bool dragging = false;
        bool touch = false;
        QPoint start;
        int startOffset = 0;
        std::optional<IndexPath> item;
    };

    void setupPaging();
    void ensureLoaded();
    void realizeItems();
    void retireCell(CollectionViewCell* cell, const IndexPath& path);
    int pageHeight() const;
    int targetOffset() const;
    int pageOffset(int page) const;
    void scrollByPages(int pages);
    void snapToPage(int direction);
    void flickAfterLift(const Press& press, qint64 ms);
    void tapItem(const IndexPath& path);

    CollectionViewFlowLayout layout_;
    CollectionViewDataSource* dataSource_ = nullptr;
    CollectionViewDelegate* delegate_ = nullptr;
    std::map<QString, CellFactory> factories_;
    std::map<QString, std::vector<CollectionViewCell*>> pool_; // hidden children
    std::map<IndexPath, CollectionViewCell*> cells_;
    std::set<IndexPath> selected_;
    std::vector<int> itemCounts_;
    QTimer* wheelRest_ = nullptr;
    QColor background_ = Qt::transparent;
    QSize tapTarget_;
    Press press_;
    int wheelTravel_ = 0;
    bool paging_ = false;
    bool pageFlicked_ = false; // the running page turn comes from a flick
    bool needsReload_ = true;
};

} // namespace kavio::platform
