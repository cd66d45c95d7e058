#include "CRFMController.h"

#include "carplay/CarStyle.h"
#include "carplay/KavioCollectionViewCell.h"
#include "carplay/KavioController.h"
#include "carplay/PlayerOpening.h"
#include "platform/lists/TableView.h"
#include "platform/views/CircleButton.h"
#include "platform/views/Symbols.h"

#include <QLabel>
#include <QResizeEvent>

#include <utility>

namespace kavio::carplay {

namespace fs = std::filesystem;

namespace {

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
        // Both roles: inside the list's header the label inherits the Text foreground role.
        palette.setColor(QPalette::WindowText, style::bannerText);
        palette.setColor(QPalette::Text, style::bannerText);
        text_->setPalette(palette);

        if (closeButton == CloseButton::Shown) {
            close_ = style::makeCloseButton(QObject::tr("Back"), this);
            // A finger-sized target around the ring, which stays kCloseMargin from the corner.
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
    : browser::FolderBrowser(std::move(folder), {.background = style::background,
                                                 .rowBackground = style::rowBackground,
                                                 .titleText = style::titleText,
                                                 .detailText = style::detailText,
                                                 .separator = style::separator,
                                                 .refreshTint = style::refreshTint,
                                                 .selection = platform::TableViewCellSelectionStyle::None,
                                                 .rowHeight = kRowHeight,
                                                 .thumbnail = style::kThumbnail,
                                                 .emptyText = tr("No videos in this folder"),
                                                 .emptyTextColor = style::emptyFolderText,
                                                 .emptyTextPixels = style::kEmptyFolderPixels}),
      closeButton_(closeButton)
{
}

CRFMController::~CRFMController() = default;

void CRFMController::loadView()
{
    browser::FolderBrowser::loadView();
    setupBanner();
}

void CRFMController::setupBanner()
{
    auto* banner = new Banner(closeButton_, nullptr);
    if (platform::CircleButton* close = banner->closeButton())
        connect(close, &QAbstractButton::clicked, this, &CRFMController::CloseTap);
    tableView()->setTableHeaderView(banner);
}

void CRFMController::CloseTap()
{
    dismiss(platform::Animated::No);
}

void CRFMController::openFolder(const FolderEntry& entry)
{
    present(std::make_unique<CRFMController>(entry.path, CloseButton::Shown), platform::Animated::Yes);
}

void CRFMController::openFile(const FolderEntry& entry)
{
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

std::unique_ptr<KavioController> CRFMController::playerToContinue(const PlayerSession& session)
{
    PlayQueue::Opening opening = openingToContinue(session, model_.save_items());
    sele_indexPath_ = static_cast<int>(opening.currentIndex);
    auto player = std::make_unique<KavioController>();
    player->setOpening(std::move(opening));
    return player;
}

void presentSession(CRFMController& root, const PlayerSession& session)
{
    CRFMController* browser = &root;
    if (session.queue == PlayerSession::Queue::Folder) {
        fs::path folder = root.currentURL().lexically_normal();
        for (const fs::path& part : session.folder.lexically_normal().lexically_relative(folder)) {
            if (part.empty() || part == ".")
                continue;
            folder /= part;
            auto next = std::make_unique<CRFMController>(folder, CloseButton::Shown);
            CRFMController* opened = next.get();
            browser->present(std::move(next), platform::Animated::No);
            browser = opened;
        }
    }
    browser->present(browser->playerToContinue(session), platform::Animated::No);
}

} // namespace kavio::carplay
