#pragma once
// A screen whose view is a table, and which answers for it: subclasses override the data
// source and delegate calls they need (rows, cells, heights, display, selection...).

#include "platform/lists/RefreshControl.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewDataSource.h"
#include "platform/screens/ViewController.h"

#include <memory>

namespace kavio::platform {

class TableViewController : public ViewController,
                            public TableViewDataSource,
                            public TableViewDelegate {
    Q_OBJECT
public:
    explicit TableViewController(TableViewStyle style = TableViewStyle::Plain);
    ~TableViewController() override;

    TableViewStyle tableStyle() const { return style_; }
    // The view, built on first use.
    TableView* tableView();

    // The table owns the control; nullptr removes it.
    void setRefreshControl(RefreshControl* control);
    RefreshControl* refreshControl();

    // An empty table until a subclass says otherwise.
    int numberOfRowsInSection(TableView&, int) override { return 0; }
    std::unique_ptr<TableViewCell> cellForRow(TableView&, const IndexPath&) override;

protected:
    // Builds the table in the controller's style with this controller answering for it.
    // Subclasses that override call this first, then style the table.
    void loadView() override;

private:
    TableViewStyle style_;
};

} // namespace kavio::platform
