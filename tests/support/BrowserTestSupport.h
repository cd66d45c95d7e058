#pragma once
// Finding and tapping rows of either face's folder browser by the entry's file name.

#include "support/CarplayTestSupport.h"

#include "browser/FolderBrowser.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

namespace kavio::test {

inline std::optional<int> rowOf(const browser::FolderBrowser& browser, const std::string& name)
{
    const auto& entries = browser.model().dirCon();
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.name == name; });
    return it == entries.end() ? std::nullopt : std::optional<int>(int(it - entries.begin()));
}

inline FolderEntry entryNamed(const browser::FolderBrowser& browser, const std::string& name)
{
    const std::optional<int> row = rowOf(browser, name);
    if (!row) {
        ADD_FAILURE() << name << " is not listed";
        return {browser.currentURL() / name, name, EntryKind::Video};
    }
    return browser.model().dirCon().at(static_cast<std::size_t>(*row));
}

// The row's cell, scrolled into view first (only visible rows have one).
inline platform::TableViewCell* cellFor(browser::FolderBrowser& browser, const std::string& name)
{
    const std::optional<int> row = rowOf(browser, name);
    if (!row)
        return nullptr;
    browser.tableView()->scrollToRow(platform::IndexPath::forRow(*row), platform::TableViewScrollPosition::Middle,
                                     platform::Animated::No);
    carplay::test::CarWindow::settle();
    return browser.tableView()->cellForRow(platform::IndexPath::forRow(*row));
}

inline QString sizeText(platform::TableViewCell& cell)
{
    auto* label = qobject_cast<QLabel*>(cell.accessoryView());
    return label ? label->text() : QString();
}

inline void tap(browser::FolderBrowser& browser, const std::string& name)
{
    const std::optional<int> row = rowOf(browser, name);
    ASSERT_TRUE(row) << name;
    browser.didSelectRow(*browser.tableView(), platform::IndexPath::forRow(*row));
    carplay::test::CarWindow::settle();
}

} // namespace kavio::test
