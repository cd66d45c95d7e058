#include "ListTestSupport.h"

#include "platform/TableViewCellLabel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <QWheelEvent>

namespace kavio::platform {

void PrintTo(const IndexPath& path, std::ostream* os)
{
    *os << "{section " << path.section << ", row " << path.row << "}";
}

namespace test {

std::vector<int> RecordingTable::sectionRows() const
{
    return sections.empty() ? std::vector<int>{rows} : sections;
}

int RecordingTable::numberOfRowsInSection(TableView&, int section)
{
    return sectionRows().at(static_cast<std::size_t>(section));
}

std::unique_ptr<TableViewCell> RecordingTable::cellForRow(TableView& table, const IndexPath& path)
{
    cellRequests.push_back(path);
    std::unique_ptr<TableViewCell> cell;
    if (!reuseIdentifier.isEmpty() && dequeue)
        cell = table.dequeueReusableCell(reuseIdentifier);
    if (!cell) {
        ++cellsMade;
        cell = std::make_unique<TableViewCell>(TableViewCellStyle::Subtitle, reuseIdentifier);
    }
    return cell;
}

int RecordingTable::heightForRow(TableView&, const IndexPath& path)
{
    heightRequests.push_back(path);
    auto it = heights.find(path);
    return it == heights.end() ? kTableViewAutomaticDimension : it->second;
}

QString RecordingTable::titleForHeaderInSection(TableView&, int section)
{
    return section < static_cast<int>(headerTitles.size())
               ? headerTitles[static_cast<std::size_t>(section)]
               : QString();
}

void RecordingTable::willDisplayCell(TableView&, TableViewCell& cell, const IndexPath& path)
{
    displayed.push_back(path);
    visibleWhenDisplayed.push_back(cell.isVisible());
    cell.textLabel()->setText(QStringLiteral("Row %1").arg(path.row));
}

TableViewEditingStyle RecordingTable::editingStyleForRow(TableView&, const IndexPath&)
{
    return deletable ? TableViewEditingStyle::Delete : TableViewEditingStyle::None;
}

CollectionViewCell* RecordingStrip::cellForItem(CollectionView& view, const IndexPath& path)
{
    cellRequests.push_back(path);
    return view.dequeueReusableCell(kIdentifier, path);
}

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

void press(QWidget* widget, QPoint pos)
{
    sendMouse(widget, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}

void moveTo(QWidget* widget, QPoint pos)
{
    sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}

void release(QWidget* widget, QPoint pos)
{
    sendMouse(widget, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

void click(QWidget* widget, QPoint pos)
{
    press(widget, pos);
    release(widget, pos);
}

void drag(QWidget* widget, QPoint from, QPoint to, int steps)
{
    press(widget, from);
    for (int i = 1; i <= steps; ++i)
        moveTo(widget, from + (to - from) * i / steps);
    release(widget, to);
}

void wheel(QWidget* widget, QPoint pos, int angleDeltaY)
{
    QWheelEvent event(QPointF(pos), QPointF(widget->mapToGlobal(pos)), QPoint(),
                      QPoint(0, angleDeltaY), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(widget, &event);
}

void key(QWidget* widget, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void rightClick(QWidget* widget, QPoint pos)
{
    sendMouse(widget, QEvent::MouseButtonPress, pos, Qt::RightButton, Qt::RightButton);
    sendMouse(widget, QEvent::MouseButtonRelease, pos, Qt::RightButton, Qt::NoButton);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
}

bool waitFor(const std::function<bool()>& condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 2000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

} // namespace test
} // namespace kavio::platform
