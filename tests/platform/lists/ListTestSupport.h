#pragma once
// Scripted data sources that record what a list asks, and the input QTest does not send.

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

} // namespace test
} // namespace kavio::platform
