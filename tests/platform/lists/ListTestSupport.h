#pragma once
// Scripted data sources that record what a list asks, and the input QTest does not send.

#include "platform/lists/CollectionView.h"
#include "platform/lists/IndexPath.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"

#include <QApplication>
#include <QPointingDevice>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <ostream>
#include <vector>

namespace kavio::platform {

inline void PrintTo(const IndexPath& path, std::ostream* os)
{
    *os << "{section " << path.section << ", row " << path.row << "}";
}

namespace test {

class RecordingTable : public TableViewDataSource, public TableViewDelegate {
public:
    explicit RecordingTable(int rowCount = 0) : rows(rowCount) {}

    int numberOfRowsInSection(TableView&, int) override { return rows; }
    std::unique_ptr<TableViewCell> cellForRow(TableView& table, const IndexPath& path) override
    {
        cellRequests.push_back(path);
        std::unique_ptr<TableViewCell> cell;
        if (!reuseIdentifier.isEmpty())
            cell = table.dequeueReusableCell(reuseIdentifier);
        if (!cell) {
            ++cellsMade;
            cell = std::make_unique<TableViewCell>(TableViewCellStyle::Subtitle, reuseIdentifier);
        }
        return cell;
    }
    int heightForRow(TableView&, const IndexPath& path) override
    {
        auto it = heights.find(path);
        return it == heights.end() ? kTableViewAutomaticDimension : it->second;
    }
    QString titleForFooterInSection(TableView&, int) override { return footerTitle; }
    void willDisplayCell(TableView&, TableViewCell& cell, const IndexPath& path) override
    {
        displayed.push_back(path);
        visibleWhenDisplayed.push_back(cell.isVisible());
        cell.textLabel()->setText(QStringLiteral("Row %1").arg(path.row));
        if (onDisplay)
            onDisplay();
    }
    void didSelectRow(TableView&, const IndexPath& path) override { selected.push_back(path); }
    TableViewEditingStyle editingStyleForRow(TableView&, const IndexPath&) override
    {
        return deletable ? TableViewEditingStyle::Delete : TableViewEditingStyle::None;
    }
    void commitDelete(TableView&, const IndexPath& path) override { deleted.push_back(path); }
    void contextMenuRequested(TableView&, const IndexPath& path, const QPoint&) override { menus.push_back(path); }
    void renameRequested(TableView&, const IndexPath& path) override { renamed.push_back(path); }

    // Script.
    int rows = 0;
    std::map<IndexPath, int> heights; // rows not listed use the table's height
    QString footerTitle;              // of every section
    QString reuseIdentifier;          // given to every cell
    bool deletable = false;
    std::function<void()> onDisplay;  // after each willDisplayCell

    // Record.
    std::vector<IndexPath> cellRequests;
    std::vector<IndexPath> displayed;
    std::vector<bool> visibleWhenDisplayed;
    std::vector<IndexPath> selected;
    std::vector<IndexPath> deleted;
    std::vector<IndexPath> menus;
    std::vector<IndexPath> renamed;
    int cellsMade = 0;
};

class RecordingStrip : public CollectionViewDataSource, public CollectionViewDelegate {
public:
    static inline const QString kIdentifier = QStringLiteral("Thumb");

    int numberOfItemsInSection(CollectionView&, int) override { return items; }
    CollectionViewCell* cellForItem(CollectionView& view, const IndexPath& path) override
    {
        cellRequests.push_back(path);
        return view.dequeueReusableCell(kIdentifier, path);
    }
    void willDisplayCell(CollectionView&, CollectionViewCell&, const IndexPath&) override
    {
        if (onDisplay)
            onDisplay();
    }
    void didSelectItem(CollectionView&, const IndexPath& path) override { selected.push_back(path); }

    int items = 0;
    std::function<void()> onDisplay; // after each willDisplayCell
    std::vector<IndexPath> cellRequests;
    std::vector<IndexPath> selected;
};

// Press, move in eight even steps, release; positions in the widget's coordinates.
inline void drag(QWidget* widget, QPoint from, QPoint to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 8; ++i)
        QTest::mouseMove(widget, from + (to - from) * i / 8);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}

// Qt's test touch screen, made once per process.
inline QPointingDevice* touchScreen()
{
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
}

// A finger on the glass: down, moved in even steps stepMs apart, then lifted at once, or
// held still for restMs before lifting. Positions in the widget's coordinates.
inline void touchDrag(QWidget* widget, QPoint from, QPoint to, int steps = 8, int stepMs = 16, int restMs = 0)
{
    QTest::touchEvent(widget, touchScreen()).press(0, from, widget);
    for (int i = 1; i <= steps; ++i) {
        QTest::qWait(stepMs);
        QTest::touchEvent(widget, touchScreen()).move(0, from + (to - from) * i / steps, widget);
    }
    if (restMs > 0)
        QTest::qWait(restMs);
    QTest::touchEvent(widget, touchScreen()).release(0, to, widget);
}

inline void touchTap(QWidget* widget, QPoint at)
{
    QTest::touchEvent(widget, touchScreen()).press(0, at, widget);
    QTest::qWait(20);
    QTest::touchEvent(widget, touchScreen()).release(0, at, widget);
}

inline void wheel(QWidget* widget, QPoint pos, int angleDeltaY)
{
    QWheelEvent event(QPointF(pos), QPointF(widget->mapToGlobal(pos)), QPoint(), QPoint(0, angleDeltaY),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace test
} // namespace kavio::platform
