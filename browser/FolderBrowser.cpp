#include "browser/FolderBrowser.h"

#include "library/RowContent.h"
#include "platform/base/FolderWatcher.h"
#include "platform/base/NotificationCenter.h"
#include "platform/lists/CellImageView.h"
#include "platform/lists/RefreshControl.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/views/Labels.h"

#include <QEvent>
#include <QLabel>

#include <algorithm>
#include <utility>

namespace kavio::browser {

namespace fs = std::filesystem;

FolderBrowser::FolderBrowser(fs::path folder, FolderBrowserLook look)
    : platform::TableViewController(platform::TableViewStyle::InsetGrouped), model_(std::move(folder)),
      look_(std::move(look)), Korra(Avatar::shared())
{
    setTitle(model_.title());
}

FolderBrowser::~FolderBrowser() = default;

void FolderBrowser::loadView()
{
    platform::TableViewController::loadView();
    setupTable();
    setupRefresh();
    setupEmptyLabel();
}

void FolderBrowser::setupTable()
{
    platform::TableView* table = tableView();
    table->setBackgroundColor(look_.background);
    if (look_.separator)
        table->setSeparatorColor(*look_.separator);
    table->setRowHeight(look_.rowHeight);
}

void FolderBrowser::setupRefresh()
{
    auto* refresh = new platform::RefreshControl;
    if (look_.refreshTint)
        refresh->setTintColor(*look_.refreshTint);
    connect(refresh, &platform::RefreshControl::valueChanged, this, &FolderBrowser::pulledToRefresh);
    setRefreshControl(refresh);
}

void FolderBrowser::setupEmptyLabel()
{
    if (look_.emptyText.isEmpty())
        return;
    QWidget* viewport = tableView()->viewport();
    emptyLabel_ = new QLabel(look_.emptyText, viewport);
    emptyLabel_->setWordWrap(true);
    emptyLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont font = emptyLabel_->font();
    font.setPixelSize(look_.emptyTextPixels);
    emptyLabel_->setFont(font);
    QPalette palette = emptyLabel_->palette();
    palette.setColor(QPalette::WindowText, look_.emptyTextColor);
    palette.setColor(QPalette::Text, look_.emptyTextColor);
    emptyLabel_->setPalette(palette);
    emptyLabel_->setAttribute(Qt::WA_TransparentForMouseEvents); // pulls and taps reach the table
    emptyLabel_->hide();
    viewport->installEventFilter(this);
}

void FolderBrowser::updateEmptyLabel()
{
    if (!emptyLabel_)
        return;
    if (!model_.dirCon().empty()) {
        emptyLabel_->hide();
        return;
    }
    // Below the table's header, where the first row would be.
    const QWidget* viewport = emptyLabel_->parentWidget();
    const QWidget* header = tableView()->tableHeaderView();
    constexpr int kMargin = 24;
    const int top = (header ? header->height() : 0) + kMargin;
    const int width = std::max(0, viewport->width() - 2 * kMargin);
    emptyLabel_->setGeometry(kMargin, top, width, emptyLabel_->heightForWidth(width));
    emptyLabel_->show();
}

bool FolderBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (emptyLabel_ && watched == emptyLabel_->parentWidget() && event->type() == QEvent::Resize)
        updateEmptyLabel();
    return platform::TableViewController::eventFilter(watched, event);
}

void FolderBrowser::registerNotifications()
{
    // Every browser alive reloads on return to the foreground, also those covered by a
    // deeper browser or the player.
    platform::NotificationCenter::defaultCenter().addObserver(
        this, platform::NotificationName::WillEnterForeground, [this](const platform::Notification&) { reloadContent(); });
    // A change made in the other face, by another browser or in a file manager shows
    // without a pull.
    auto* watcher = new platform::FolderWatcher(model_.currentURL(), model_.currentURL() / kStoreFileName, this);
    connect(watcher, &platform::FolderWatcher::changed, this, &FolderBrowser::reloadContent);
}

void FolderBrowser::viewDidLoad()
{
    // Watched first, so nothing changed between the load and the watch goes unseen; the
    // first load fills the table as it is built.
    registerNotifications();
    model_.reloadContent();
    updateEmptyLabel();
    loadedForFirstAppearance_ = true;
}

void FolderBrowser::viewDidAppear(platform::Animated)
{
    // Just loaded for this first appearance, and watched since: nothing to read again.
    if (std::exchange(loadedForFirstAppearance_, false))
        return;
    reloadContent();
}

void FolderBrowser::reloadContent()
{
    model_.reloadContent();
    if (isViewLoaded())
        tableView()->reloadData();
    updateEmptyLabel();
    contentReloaded();
}

void FolderBrowser::pulledToRefresh()
{
    reloadContent();
    if (platform::RefreshControl* refresh = refreshControl())
        refresh->endRefreshing();
}

std::optional<FolderEntry> FolderBrowser::entryAt(const platform::IndexPath& path) const
{
    const auto index = static_cast<std::size_t>(path.row);
    if (path.row < 0 || index >= model_.dirCon().size())
        return std::nullopt;
    return model_.dirCon()[index];
}

int FolderBrowser::numberOfRowsInSection(platform::TableView&, int)
{
    return static_cast<int>(model_.dirCon().size());
}

std::unique_ptr<platform::TableViewCell> FolderBrowser::cellForRow(platform::TableView&, const platform::IndexPath&)
{
    auto cell = std::make_unique<platform::TableViewCell>(platform::TableViewCellStyle::Subtitle, kCellIdentifier);
    cell->setSelectionStyle(look_.selection);
    cell->setBackgroundColor(look_.rowBackground);
    cell->textLabel()->setTextColor(look_.titleText);
    cell->detailTextLabel()->setTextColor(look_.detailText);
    return cell;
}

void FolderBrowser::willDisplayCell(platform::TableView& table, platform::TableViewCell& cell,
                                    const platform::IndexPath& path)
{
    const std::optional<FolderEntry> entry = entryAt(path);
    if (!entry)
        return;
    const RowContent row = rowContent(*entry, *model_.save_items());
    cell.textLabel()->setText(row.title);
    cell.detailTextLabel()->setText(row.detail.value_or(QString()));
    cell.imageView()->setImage(rowImage(row, Korra, look_.thumbnail, table.devicePixelRatioF()));
    cell.imageView()->setFixedSize(QSize(look_.thumbnail, look_.thumbnail));
    if (row.disclosure)
        cell.setAccessoryType(platform::TableViewCellAccessory::DisclosureIndicator);
    else
        cell.setAccessoryView(platform::makeSizeTextLabel(row.sizeText.value_or(QString())));
}

void FolderBrowser::didSelectRow(platform::TableView& table, const platform::IndexPath& path)
{
    table.deselectRow(path, platform::Animated::Yes);
    const std::optional<FolderEntry> entry = entryAt(path);
    std::error_code ec;
    if (!entry || !fs::exists(fs::symlink_status(entry->path, ec)))
        return; // vanished since the listing
    if (fs::is_regular_file(entry->path, ec))
        openFile(*entry);
    else
        openFolder(*entry);
}

} // namespace kavio::browser
