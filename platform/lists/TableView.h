#pragma once
// A scrolling list of sections and rows that builds widgets only for the rows on screen
// (and a couple around them), asks its data source for nothing else, and lets go of
// rows as they leave. Plain or inset-grouped (rounded sections inset from the sides).
// Tap or Enter selects, arrows move, Delete or a swipe deletes where the delegate
// allows it, F2 asks it to rename, a long press, right click, the menu key or Shift+F10
// asks for a context menu, and pulling down past the top, the wheel past the top or F5 starts the
// refresh control. A finger's flick goes on with momentum; a tap while the rows move stops
// them and chooses nothing.

#include "platform/base/Animated.h"
#include "platform/lists/IndexPath.h"
#include "platform/lists/RefreshControl.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewDataSource.h"
#include "platform/lists/ScrollView.h"
#include "platform/lists/TableViewGeometry.h"
#include "platform/views/Colors.h"

#include <QColor>
#include <QMargins>
#include <QPointer>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class QTimer;
class QVariantAnimation;

namespace kavio::platform {

enum class TableViewStyle { Plain, InsetGrouped };
enum class TableViewScrollPosition { None, Top, Middle, Bottom };
enum class TableViewSeparatorStyle { None, SingleLine };

class TableView : public ScrollView {
    Q_OBJECT
public:
    static constexpr int kDefaultRowHeight = 44;
    static constexpr int kInsetGroupedMargin = 20;
    static constexpr int kInsetGroupedCornerRadius = 10;
    static constexpr int kOverscanRows = 2;
    static constexpr int kDeleteButtonWidth = 80;

    explicit TableView(TableViewStyle style = TableViewStyle::Plain, QWidget* parent = nullptr);
    ~TableView() override;
    TableView(const TableView&) = delete;
    TableView& operator=(const TableView&) = delete;

    TableViewStyle tableStyle() const { return style_; }

    // Observers, not owned. Setting either schedules a reload.
    void setDataSource(TableViewDataSource* dataSource);
    TableViewDataSource* dataSource() const { return dataSource_; }
    void setDelegate(TableViewDelegate* delegate);
    TableViewDelegate* delegate() const { return delegate_; }

    // The height of rows whose data source answers kTableViewAutomaticDimension.
    void setRowHeight(int height);
    int rowHeight() const { return rowHeight_; }

    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background_; }
    void setSeparatorStyle(TableViewSeparatorStyle style);
    void setSeparatorColor(const QColor& color);
    QColor separatorColor() const;
    void setSectionTitleColor(const QColor& color);
    QColor sectionTitleColor() const;
    void setContentInsets(const QMargins& insets);
    QMargins contentInsets() const { return insets_; }

    // A widget above the first section that scrolls with the rows; the table owns it and
    // replaces (deletes) the previous one. Its height is kept when set, else its size hint.
    void setTableHeaderView(QWidget* view);
    QWidget* tableHeaderView() const { return headerView_; }

    // The table owns the control and deletes the previous one; nullptr removes it.
    void setRefreshControl(RefreshControl* control);
    RefreshControl* refreshControl() const { return refresh_; }

    // Forgets every row and asks the data source again (rows on screen only).
    void reloadData();
    int numberOfSections();
    int numberOfRowsInSection(int section);

    // The cell shown for a row, or nullptr when that row has no widget now.
    TableViewCell* cellForRow(const IndexPath& path) const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
    std::vector<TableViewCell*> visibleCells() const;
    // Rows that intersect the viewport.
    std::vector<IndexPath> indexPathsForVisibleRows();
    std::optional<IndexPath> indexPathForRowAt(const QPoint& viewportPos);
    // In content coordinates, and in viewport coordinates.
    QRect rectForRow(const IndexPath& path);
    QRect visualRectForRow(const IndexPath& path);

    void selectRow(const IndexPath& path, Animated animated, TableViewScrollPosition position);
    void deselectRow(const IndexPath& path, Animated animated);
    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }

    void scrollToRow(const IndexPath& path, TableViewScrollPosition position, Animated animated);
    int contentHeight();

    // A cell put back by a row that left the screen, prepared for reuse; nullptr if none.
    // Asking once makes the table keep cells with that identifier from then on.
    std::unique_ptr<TableViewCell> dequeueReusableCell(const QString& identifier);

    // How many row heights have been asked for in a section so far.
    int measuredRowCount(int section);

protected:
    void layoutPass() override;
    void viewportResized() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    enum class Retire { Now, Later };
    enum class Gesture { None, Pending, Scrolling, Swiping, LongPressed };
    enum class Pointer { Mouse, Touch };
    struct Press {
        Gesture gesture = Gesture::None;
        Pointer pointer = Pointer::Mouse;
        QPoint start;
        int startOffset = 0;
        int startSwipe = 0;
        std::optional<IndexPath> row;
    };
    struct SectionTitles {
        QString header;
        QString footer;
        bool footerAutomatic = true;
    };

    // Set-up steps.
    void setupStrip();
    void setupTimers();

    // Model and layout (TableView.cpp).
    void ensureLoaded();
    void loadSections();
    int defaultHeaderHeight(int section) const;
    int defaultFooterHeight(int section) const;
    void measureFooters();
    int headerViewHeight() const;
    int refreshInset() const;
    void updateScrollRange();
    void placeChrome();
    void realizeRows();
    void realizeSectionHeaders(int firstSection, int lastSection);
    void realizeRow(const IndexPath& path);
    void retireCell(TableViewCell* cell, const IndexPath& path, Retire when);
    void placeCell(TableViewCell& cell, const IndexPath& path);
    TableViewCellDecoration decorationFor(const IndexPath& path) const;
    int rowLeft() const;
    int rowWidth() const;
    int toViewport(int contentY) const;

    // Input (TableViewInput.cpp).
    void pointerPressed(QPoint pos, Pointer pointer, qint64 ms);
    void pointerMoved(QPoint pos, qint64 ms);
    void pointerReleased(QPoint pos, qint64 ms);
    void tapRow(const IndexPath& path);
    void setCurrentRow(const std::optional<IndexPath>& path);
    void moveCurrentRow(int direction);
    bool canDelete(const IndexPath& path);
    void commitDelete(const IndexPath& path);
    void setPull(int rawPull);
    void finishPull();
    void refreshingChanged(bool refreshing);
    void wheelPull(int delta);
    void setSwipe(const std::optional<IndexPath>& row, int offset);
    void closeSwipe();
    QRect deleteButtonRect();
    void longPressFired();
    void paintSectionTitles(QPainter& painter, int firstSection, int lastSection);

    TableViewStyle style_;
    TableViewDataSource* dataSource_ = nullptr;
    TableViewDelegate* delegate_ = nullptr;
    TableViewGeometry geometry_;
    std::vector<SectionTitles> titles_;
    std::map<IndexPath, TableViewCell*> cells_;
    std::map<int, QWidget*> sectionHeaders_;
    // Cells kept for reuse: hidden children of the viewport, only for identifiers someone
    // has asked to dequeue (screens that build every cell anew keep nothing).
    std::map<QString, std::vector<TableViewCell*>> reusePool_;
    QPointer<QWidget> headerView_;
    QPointer<RefreshControl> refresh_;
    QVariantAnimation* stripAnimation_ = nullptr;
    QTimer* longPress_ = nullptr;
    QTimer* wheelRest_ = nullptr;
    QColor background_ = colors::systemGroupedBackground;
    QColor separator_;
    QColor sectionTitle_;
    QMargins insets_;
    TableViewSeparatorStyle separatorStyle_ = TableViewSeparatorStyle::SingleLine;
    int rowHeight_ = kDefaultRowHeight;
    std::optional<IndexPath> selected_;
    std::optional<IndexPath> current_;
    std::optional<IndexPath> swiped_;
    int swipeOffset_ = 0;
    int refreshStrip_ = 0; // height kept open above the content for the refresh control
    int pull_ = 0;      // how far the content is drawn below its place, in points
    int rawPull_ = 0;   // how far the user has pulled
    int wheelPull_ = 0; // wheel travel collected at the top
    Press press_;
    bool needsReload_ = true;
    bool keyboardFocusShown_ = false;
};

} // namespace kavio::platform
