#include "CRFMController.h"

#include "carplay/CarStyle.h"
#include "carplay/KavioCollectionViewCell.h"
#include "carplay/KavioController.h"
#include "carplay/PlayerOpening.h"
#include "library/ImageHelper.h"
#include "library/RowContent.h"
#include "platform/base/FolderWatcher.h"
#include "platform/base/NotificationCenter.h"
#include "platform/lists/CellImageView.h"
#include "platform/lists/RefreshControl.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/views/CircleButton.h"
#include "platform/views/Labels.h"
#include "platform/views/Symbols.h"

#include <QLabel>
#include <QResizeEvent>

#include <utility>

namespace kavio::carplay {

namespace fs = std::filesystem;

namespace {

using style::kThumbnail;

// The header: the app icon, the thank-you line and, over a parent folder, the close
// button. Lays itself out again when the table changes width.
class Banner : public QWidget {
public:
    Banner(CloseButton closeButton, QWidget* parent) : QWidget(parent)
    {
        icon_ = new QLabel(this);
        icon_->setPixmap(platform::resourcePixmap(QStringLiteral("AppIcon76x76.png"))
                             .scaled(kIcon * 2, kIcon * 2, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        icon_->setScaledContents(true);

        text_ = new QLabel(QStringLiteral("Thank you for using Kavio.\nby: Morvel"), this);
        text_->setFont(style::bannerFont());
        text_->setAlignment(Qt::AlignCenter);
        QPalette palette = text_->palette();
        palette.setColor(QPalette::WindowText, style::bannerText);
        text_->setPalette(palette);

        if (closeButton == CloseButton::Shown) {
            close_ = style::makeCloseButton(QObject::tr("Back"), this);
            // A finger-sized target with the ring where it always was.
            const int corner = style::kCloseMargin - (style::kTapTarget - platform::CircleButton::kDiameter) / 2;
            close_->setGeometry(corner, corner, style::kTapTarget, style::kTapTarget);
        }
        setFixedHeight(CRFMController::kBannerHeight);
    }

    platform::CircleButton* closeButton() const { return close_; }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        const int centerX = width() / 2;
        const int iconTop = height() / 2 - 20 - kIcon / 2; // centre 20 above the middle
        icon_->setGeometry(centerX - kIcon / 2, iconTop, kIcon, kIcon);
        const int textWidth = std::min(width(), text_->sizeHint().width() + 4);
        text_->setGeometry(centerX - textWidth / 2, iconTop + kIcon + 2, textWidth, text_->sizeHint().height());
    }

private:
    static constexpr int kIcon = style::kBannerIcon;
    QLabel* icon_ = nullptr;
    QLabel* text_ = nullptr;
    platform::CircleButton* close_ = nullptr;
};

} // namespace

CRFMController::CRFMController(fs::path folder, CloseButton closeButton)
    : platform::TableViewController(platform::TableViewStyle::InsetGrouped), model_(std::move(folder)),
      Korra(Avatar::shared()), closeButton_(closeButton)
{
    setTitle(model_.title());
}

CRFMController::~CRFMController() = default;

void CRFMController::loadView()
{
    platform::TableViewController::loadView();
    setupTable();
    registerNotifications();
    setupBanner();
    setupRefresh();
}

void CRFMController::setupTable()
{
    platform::TableView* table = tableView();
    table->setBackgroundColor(style::background);
    table->setSeparatorColor(style::separator);
    table->setRowHeight(kRowHeight);
}

void CRFMController::setupBanner()
{
    auto* banner = new Banner(closeButton_, nullptr);
    if (platform::CircleButton* close = banner->closeButton())
        connect(close, &QAbstractButton::clicked, this, &CRFMController::CloseTap);
    tableView()->setTableHeaderView(banner);
}

void CRFMController::setupRefresh()
{
    auto* refresh = new platform::RefreshControl;
    refresh->setTintColor(style::refreshTint);
    connect(refresh, &platform::RefreshControl::valueChanged, this, &CRFMController::pulledToRefresh);
    setRefreshControl(refresh);
}

void CRFMController::registerNotifications()
{
    // Every browser alive reloads on return to the foreground, also those covered by a
    // deeper browser or the player.
    platform::NotificationCenter::defaultCenter().addObserver(
        this, platform::NotificationName::WillEnterForeground, [this](const platform::Notification&) { reloadContent(); });
    // A change made on the phone or in a file manager shows without a pull.
    auto* watcher = new platform::FolderWatcher(model_.currentURL(), model_.currentURL() / kStoreFileName, this);
    connect(watcher, &platform::FolderWatcher::changed, this, &CRFMController::reloadContent);
}

void CRFMController::viewDidLoad()
{
    // The first load fills the table as it is built; no reload needed.
    model_.loadMp4Files();
    model_.loadContent();
    loadedForFirstAppearance_ = true;
}

void CRFMController::viewDidAppear(platform::Animated)
{
    // Just loaded for this first appearance, and watched since: nothing to read again.
    if (std::exchange(loadedForFirstAppearance_, false))
        return;
    reloadContent();
}

void CRFMController::reloadContent()
{
    model_.loadMp4Files();
    model_.loadContent();
    if (isViewLoaded())
        tableView()->reloadData();
}

void CRFMController::pulledToRefresh()
{
    reloadContent();
    if (platform::RefreshControl* refresh = refreshControl())
        refresh->endRefreshing();
}

void CRFMController::CloseTap()
{
    dismiss(platform::Animated::No);
}

int CRFMController::numberOfRowsInSection(platform::TableView&, int)
{
    return static_cast<int>(model_.dirCon().size());
}

std::unique_ptr<platform::TableViewCell> CRFMController::cellForRow(platform::TableView&, const platform::IndexPath&)
{
    auto cell = std::make_unique<platform::TableViewCell>(platform::TableViewCellStyle::Subtitle, QStringLiteral("CarCell"));
    cell->setSelectionStyle(platform::TableViewCellSelectionStyle::None);
    cell->setBackgroundColor(style::rowBackground);
    cell->textLabel()->setTextColor(style::titleText);
    cell->detailTextLabel()->setTextColor(style::detailText);
    return cell;
}

void CRFMController::willDisplayCell(platform::TableView& table, platform::TableViewCell& cell,
                                     const platform::IndexPath& path)
{
    const auto index = static_cast<std::size_t>(path.row);
    if (index >= model_.dirCon().size())
        return;
    const RowContent row = rowContent(model_.dirCon()[index], *model_.save_items());
    cell.textLabel()->setText(row.title);
    cell.detailTextLabel()->setText(row.detail.value_or(QString()));
    cell.imageView()->setImage(rowImage(row, Korra, kThumbnail, table.devicePixelRatioF()));
    cell.imageView()->setFixedSize(QSize(kThumbnail, kThumbnail));
    if (row.disclosure) {
        cell.setAccessoryType(platform::TableViewCellAccessory::DisclosureIndicator);
    } else {
        cell.setAccessoryView(platform::makeSizeTextLabel(row.sizeText.value_or(QString())));
    }
}

void CRFMController::didSelectRow(platform::TableView& table, const platform::IndexPath& path)
{
    table.deselectRow(path, platform::Animated::Yes);
    const auto index = static_cast<std::size_t>(path.row);
    if (index >= model_.dirCon().size())
        return;
    const FolderEntry entry = model_.dirCon()[index];
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(entry.path, ec)))
        return; // vanished since the listing: only the deselection
    if (!fs::is_regular_file(entry.path, ec)) {
        present(std::make_unique<CRFMController>(entry.path, CloseButton::Shown), platform::Animated::Yes);
        return;
    }
    present(playerForEntry(entry), platform::Animated::No);
}

std::unique_ptr<KavioController> CRFMController::playerForEntry(const FolderEntry& entry)
{
    PlayQueue::Opening opening = openingForFile(model_.currentURL(), model_.save_items(), entry.name);
    sele_indexPath_ = static_cast<int>(opening.currentIndex);
    auto player = std::make_unique<KavioController>();
    player->setOpening(std::move(opening));
    return player;
}

} // namespace kavio::carplay
