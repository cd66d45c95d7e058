#pragma once
// What a table asks of its owner. Every answer has a default except the row count and
// the cell. The table holds both as plain observer pointers: the owner outlives it or
// clears them first.

#include "platform/lists/IndexPath.h"

#include <QPoint>
#include <QString>

#include <memory>

class QWidget;

namespace kavio::platform {

class TableView;
class TableViewCell;

// Heights answered with this use the table's own default for that kind of element.
inline constexpr int kTableViewAutomaticDimension = -1;

enum class TableViewEditingStyle { None, Delete };

class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;

    virtual int numberOfSections(TableView&) { return 1; }
    virtual int numberOfRowsInSection(TableView&, int section) = 0;
    // Asked only for rows about to come on screen. A new cell or one taken from
    // TableView::dequeueReusableCell(); the table owns it from here on.
    virtual std::unique_ptr<TableViewCell> cellForRow(TableView&, const IndexPath& path) = 0;
    // Asked lazily, in order, as far down as the table has been looked at.
    virtual int heightForRow(TableView&, const IndexPath&) { return kTableViewAutomaticDimension; }
    virtual QString titleForHeaderInSection(TableView&, int) { return {}; }
    virtual QString titleForFooterInSection(TableView&, int) { return {}; }
};

class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;

    // The cell is sized and placed but not yet shown: fill its content here.
    virtual void willDisplayCell(TableView&, TableViewCell&, const IndexPath&) {}
    // The cell is about to be destroyed or put back for reuse.
    virtual void didEndDisplayingCell(TableView&, TableViewCell&, const IndexPath&) {}
    virtual void didSelectRow(TableView&, const IndexPath&) {}

    // A section header widget; the table owns it while the header is on screen.
    virtual std::unique_ptr<QWidget> viewForHeaderInSection(TableView&, int) { return nullptr; }
    virtual int heightForHeaderInSection(TableView&, int) { return kTableViewAutomaticDimension; }
    virtual int heightForFooterInSection(TableView&, int) { return kTableViewAutomaticDimension; }

    // Rows answering Delete can be swiped open or deleted with the Delete key.
    virtual TableViewEditingStyle editingStyleForRow(TableView&, const IndexPath&)
    {
        return TableViewEditingStyle::None;
    }
    virtual void commitDelete(TableView&, const IndexPath&) {}
    // F2 on the keyboard's current row.
    virtual void renameRequested(TableView&, const IndexPath&) {}
    // A long press, a right click or the menu key on a row; globalPos is where to show a menu.
    virtual void contextMenuRequested(TableView&, const IndexPath&, const QPoint& /*globalPos*/) {}
};

} // namespace kavio::platform
