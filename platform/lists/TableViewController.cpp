#include "platform/lists/TableViewController.h"

#include "platform/lists/TableViewCell.h"

namespace kavio::platform {

TableViewController::TableViewController(TableViewStyle style) : style_(style) {}

TableViewController::~TableViewController()
{
    // The base class deletes the view after this part of the object is gone: the table
    // must not call back into it meanwhile.
    if (isViewLoaded()) {
        if (auto* table = qobject_cast<TableView*>(view())) {
            table->setDataSource(nullptr);
            table->setDelegate(nullptr);
        }
    }
}

void TableViewController::loadView()
{
    auto* table = new TableView(style_);
    table->setDataSource(this);
    table->setDelegate(this);
    setView(table);
}

TableView* TableViewController::tableView() { return qobject_cast<TableView*>(view()); }

void TableViewController::setRefreshControl(RefreshControl* control)
{
    if (TableView* table = tableView())
        table->setRefreshControl(control);
    else
        delete control;
}

RefreshControl* TableViewController::refreshControl()
{
    TableView* table = tableView();
    return table ? table->refreshControl() : nullptr;
}

std::unique_ptr<TableViewCell> TableViewController::cellForRow(TableView&, const IndexPath&)
{
    return std::make_unique<TableViewCell>();
}

} // namespace kavio::platform
