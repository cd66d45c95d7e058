#pragma once
// Scripted data sources that record what a list asks, and input sent straight to a
// viewport the way the window system would deliver it.

#include "platform/CollectionView.h"
#include "platform/IndexPath.h"
#include "platform/TableView.h"
#include "platform/TableViewCell.h"

#include <QPoint>

#include <functional>
#include <map>
#include <ostream>
#include <vector>

namespace kavio::platform {

void PrintTo(const IndexPath& path, std::ostream* os);

namespace test {

class RecordingTable : public TableViewDataSource, public TableViewDelegate {
public:
    explicit RecordingTable(int rowCount = 0) : rows(rowCount) {}

    int numberOfSections(TableView&) override { return static_cast<int>(sectionRows().size()); }
    int numberOfRowsInSection(TableView&, int section) override;
    std::unique_ptr<TableViewCell> cellForRow(TableView& table, const IndexPath& path) override;
    int heightForRow(TableView&, const IndexPath& path) override;
    QString titleForHeaderInSection(TableView&, int section) override;
    QString titleForFooterInSection(TableView&, int) override { return footerTitle; }
    void willDisplayCell(TableView&, TableViewCell& cell, const IndexPath& path) override;
    void didSelectRow(TableView&, const IndexPath& path) override { selected.push_back(path); }
    TableViewEditingStyle editingStyleForRow(TableView&, const IndexPath&) override;
    void commitDelete(TableView&, const IndexPath& path) override { deleted.push_back(path); }
    void contextMenuRequested(TableView&, const IndexPath& path, const QPoint&) override
    {
        menus.push_back(path);
    }

    std::vector<int> sectionRows() const;

    // Script.
    int rows = 0;
    std::vector<int> sections;                // overrides rows when not empty
    std::map<IndexPath, int> heights;         // rows not listed use the table's height
    std::vector<QString> headerTitles;
    QString footerTitle;
    QString reuseIdentifier;                  // given to every cell
    bool dequeue = true;                      // with an identifier, dequeue before making
    bool deletable = false;

    // Record.
    std::vector<IndexPath> cellRequests;
    std::vector<IndexPath> heightRequests;
    std::vector<IndexPath> displayed;
    std::vector<bool> visibleWhenDisplayed;
    std::vector<IndexPath> selected;
    std::vector<IndexPath> deleted;
    std::vector<IndexPath> menus;
    int cellsMade = 0;
};

class RecordingStrip : public CollectionViewDataSource, public CollectionViewDelegate {
public:
    static inline const QString kIdentifier = QStringLiteral("Thumb");

    explicit RecordingStrip(int itemCount) : items(itemCount) {}

    int numberOfItemsInSection(CollectionView&, int) override { return items; }
    CollectionViewCell* cellForItem(CollectionView& view, const IndexPath& path) override;
    void didSelectItem(CollectionView&, const IndexPath& path) override { selected.push_back(path); }

    int items = 0;
    std::vector<IndexPath> cellRequests;
    std::vector<IndexPath> selected;
};

// Input delivered to a widget as the window system would, positions in its coordinates.
void press(QWidget* widget, QPoint pos);
void moveTo(QWidget* widget, QPoint pos);
void release(QWidget* widget, QPoint pos);
void click(QWidget* widget, QPoint pos);
// Press, move in `steps` even steps, release.
void drag(QWidget* widget, QPoint from, QPoint to, int steps = 8);
void wheel(QWidget* widget, QPoint pos, int angleDeltaY);
void key(QWidget* widget, int key);
void rightClick(QWidget* widget, QPoint pos);

// Lets queued events and timers run until the condition holds or about two seconds pass.
bool waitFor(const std::function<bool()>& condition);

} // namespace test
} // namespace kavio::platform
