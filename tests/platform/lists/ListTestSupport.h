#pragma once
// Scripted data sources that record what a list asks, and a table and a strip to show over
// them, each opened once its source is scripted.

#include "platform/lists/CollectionView.h"
#include "platform/lists/IndexPath.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"

#include "support/InputSupport.h"

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

inline std::vector<int> rowsOf(const std::vector<IndexPath>& paths)
{
    std::vector<int> rows;
    for (const IndexPath& p : paths)
        rows.push_back(p.row);
    return rows;
}

class RecordingTable : public TableViewDataSource, public TableViewDelegate {
public:
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

// A list over a recording source, with what the tests ask of either kind; opened once its
// source is scripted.
template <class View, class Source, class Cell>
class Shown {
public:
    template <class... Args>
    explicit Shown(Args... args) : list(args...)
    {
        list.setDataSource(&source);
        list.setDelegate(&source);
    }
    void open(QSize size = {400, 600}) // a table's size; a strip gives its own
    {
        list.resize(size);
        list.show();
        QApplication::processEvents();
    }
    ScrollView& scrollView() { return list; }
    std::vector<int> chosen() { return rowsOf(source.selected); }
    std::size_t cellRequests() { return source.cellRequests.size(); }
    // Cells shown in the viewport now, counted without asking the list.
    int cellsOnScreen()
    {
        int shown = 0;
        for (const Cell* cell : list.viewport()->template findChildren<Cell*>())
            shown += cell->isVisible() && list.viewport()->rect().intersects(cell->geometry());
        return shown;
    }
    void reloadOnceWhileDisplaying()
    {
        source.onDisplay = [this] {
            source.onDisplay = nullptr;
            list.reloadData();
        };
    }

    Source source;
    View list;
};

// A table of 60-point rows.
class ShownTable : public Shown<TableView, RecordingTable, TableViewCell> {
public:
    static constexpr int kPitch = 60;

    explicit ShownTable(int rows, TableViewStyle style = TableViewStyle::InsetGrouped) : Shown(style)
    {
        source.rows = rows;
        table.setRowHeight(kPitch);
    }
    QPoint centreOf(int row) { return table.visualRectForRow(IndexPath::forRow(row)).center(); }
    TableViewCell* cell(int row) { return table.cellForRow(IndexPath::forRow(row)); }
    std::vector<int> visible() { return rowsOf(table.indexPathsForVisibleRows()); }

    TableView& table = list;
};

// A strip of 30-point items 40 points apart, in a column 40 points wide.
class ShownStrip : public Shown<CollectionView, RecordingStrip, CollectionViewCell> {
public:
    static constexpr int kPitch = 40;

    explicit ShownStrip(int items)
    {
        CollectionViewFlowLayout layout;
        layout.setItemSize({30, 30});
        layout.setMinimumLineSpacing(10);
        strip.setCollectionViewLayout(layout);
        strip.registerCellClass(RecordingStrip::kIdentifier, [this] {
            ++cellsMade;
            return std::make_unique<CollectionViewCell>();
        });
        source.items = items;
    }
    QPoint centreOf(int item) { return strip.visualRectForItem(IndexPath::forItem(item)).center(); }
    CollectionViewCell* cell(int item) { return strip.cellForItem(IndexPath::forItem(item)); }
    std::vector<int> visible() { return rowsOf(strip.indexPathsForVisibleItems()); }

    CollectionView& strip = list;
    int cellsMade = 0;
};

} // namespace test
} // namespace kavio::platform
