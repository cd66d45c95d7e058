#include "shell/KVRootViewController.h"

#include "library/Avatar.h"
#include "phone/IPFMController.h"
#include "platform/base/Http.h"
#include "platform/base/MachineIdentifier.h"
#include "platform/lists/CellImageView.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/modals/AlertController.h"
#include "platform/modals/LinkSheet.h"
#include "platform/modals/ShareSheet.h"
#include "platform/screens/NavigationBar.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/NavigationItem.h"
#include "platform/views/Symbols.h"
#include "shell/GetPlatForm.h"
#include "shell/Links.h"
#include "shell/ModelNames.h"
#include "shell/SectionHeader.h"
#include "shell/ShareText.h"
#include "shell/ShellStyle.h"

#include <QAction>
#include <QLabel>
#include <QResizeEvent>

namespace kavio::shell {

namespace {

// The app icon and the thank-you line above the table; lays itself out at any width.
class Banner : public QWidget {
public:
    Banner()
    {
        setFixedHeight(style::kBannerHeight);
        bannerIcon = new QLabel(this);
        bannerIcon->setPixmap(platform::resourcePixmap(QStringLiteral("AppIcon76x76.png")));
        bannerIcon->setScaledContents(true);
        footerLabel = new QLabel(QStringLiteral("Thank you for using Kavio.\nby: Morvel"), this);
        footerLabel->setFont(style::bannerFont());
        footerLabel->setAlignment(Qt::AlignCenter);
        QPalette palette = footerLabel->palette();
        palette.setColor(QPalette::WindowText, style::bannerText);
        footerLabel->setPalette(palette);
    }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        constexpr int kIcon = 60;
        bannerIcon->setGeometry((width() - kIcon) / 2, 24, kIcon, kIcon);
        const QSize text = footerLabel->sizeHint();
        footerLabel->setGeometry((width() - text.width()) / 2, 24 + kIcon + 10, text.width(), text.height());
    }

private:
    QLabel* bannerIcon = nullptr; // children
    QLabel* footerLabel = nullptr;
};

} // namespace

namespace {
constexpr int kFilesSection = 0;
constexpr int kCarSection = 1;
} // namespace

KVRootViewController::KVRootViewController(std::filesystem::path documents, QAction* connectCar)
    : platform::TableViewController(platform::TableViewStyle::InsetGrouped), documents_(std::move(documents)),
      removals_(std::make_shared<phone::RemovalHistory>()), connectCar_(connectCar)
{
    setTitle(QStringLiteral("Movies"));
    // The section comes and goes with the car window.
    if (connectCar)
        connect(connectCar, &QAction::changed, this, [this] {
            if (isViewLoaded())
                tableView()->reloadData();
        });
}

bool KVRootViewController::offersCarConnection() const
{
    return connectCar_ && connectCar_->isEnabled();
}

int KVRootViewController::numberOfSections(platform::TableView&)
{
    return offersCarConnection() ? 2 : 1;
}

void KVRootViewController::loadView()
{
    platform::TableViewController::loadView();
    tableView()->setBackgroundColor(style::background);
    navBarMagic();
    banner();
    checkNewKavioVersions();
}

void KVRootViewController::navBarMagic()
{
    if (platform::NavigationController* nav = navigationController())
        phone::style::styleBar(*nav->navigationBar());
    auto* heart = new platform::MenuButton(QStringLiteral("heart"));
    heart->setTintColor(style::barItems);
    heart->setToolTip(tr("Support Kavio"));
    heart->setAccessibleName(tr("Support Kavio"));
    heart->setMenuProvider([this] { return heartMenu(); });
    std::vector<platform::BarButtonItem> items; // from the right edge inwards
    items.push_back(platform::BarButtonItem::fixedSpace(2));
    items.push_back(platform::BarButtonItem::customView(heart));
    navigationItem().setRightBarButtonItems(std::move(items));
}

void KVRootViewController::banner()
{
    tableView()->setTableHeaderView(new Banner);
}

platform::Menu KVRootViewController::heartMenu()
{
    using platform::MenuElementAttributes;
    return {QStringLiteral("Kavio\n%1").arg(QStringLiteral("Choose your option")),
            {{QStringLiteral("Donate with PayPal"), QStringLiteral("gift"), MenuElementAttributes::None,
              [this] { platform::openLink(*this, QUrl(QString::fromLatin1(links::kDonation))); }},
             {QStringLiteral("Share Kavio"), QStringLiteral("square.and.arrow.up"), MenuElementAttributes::None,
              [this] { share(); }}}};
}

void KVRootViewController::share()
{
    // A phone model when it is one; a desktop is named as its firmware names it.
    QString machine = GetPlatForm::platformName();
    if (machine == kUnknownModel)
        machine = QString::fromStdString(platform::machineIdentifier());
    const QString text = shareText(runningVersion(), machine, QString::fromStdString(platform::systemName()));
    platform::presentShareSheet(*this, std::make_unique<platform::ShareSheet>(QStringLiteral("Share Kavio"), text));
}

void KVRootViewController::checkNewKavioVersions()
{
    if (!links::kUpdateCheck)
        return;
    // GitHub answers nothing without a User-Agent.
    platform::httpGet(latestReleaseApiUrl(), {}, this,
                      [this](std::optional<QByteArray> body) { updateChecked(updateVerdict(body, runningVersion())); },
                      QStringLiteral("Kavio/") + runningVersion());
}

void KVRootViewController::updateChecked(const UpdateVerdict& verdict)
{
    if (verdict.kind != UpdateVerdict::Kind::Update)
        return; // every other answer is silence
    auto alert = std::make_unique<platform::AlertController>(
        QStringLiteral("Update Available"),
        QStringLiteral("A new version %1 of Kavio is available.\nWe recommend updating to avoid bugs.").arg(verdict.tag));
    alert->addAction(QStringLiteral("OK"), platform::AlertActionStyle::Default,
                     [this](platform::AlertController&) { platform::openLink(*this, latestReleasePage()); });
    platform::presentAlert(*this, std::move(alert));
}

std::unique_ptr<platform::TableViewCell> KVRootViewController::carConnectionCell()
{
    auto cell = std::make_unique<platform::TableViewCell>(platform::TableViewCellStyle::Subtitle,
                                                          QStringLiteral("KavioCarConnection"));
    cell->setBackgroundColor(Qt::white);
    cell->textLabel()->setTextColor(Qt::black);
    cell->detailTextLabel()->setTextColor(style::sectionHeader);
    cell->textLabel()->setText(tr("Connect car display"));
    const QString shortcut = connectCar_->shortcut().toString(QKeySequence::NativeText);
    cell->detailTextLabel()->setText(shortcut.isEmpty() ? tr("The car window is closed") : tr("Or press %1").arg(shortcut));
    cell->imageView()->setImage(platform::symbolImage(QStringLiteral("car"), QSize(32, 32), style::carSymbol,
                                                      tableView()->devicePixelRatioF()));
    cell->imageView()->setFixedSize(QSize(40, 40));
    cell->setAccessibleName(tr("Connect car display"));
    return cell;
}

std::unique_ptr<platform::TableViewCell> KVRootViewController::cellForRow(platform::TableView&, const platform::IndexPath& path)
{
    if (path.section == kCarSection)
        return carConnectionCell();
    auto cell = std::make_unique<platform::TableViewCell>(platform::TableViewCellStyle::Subtitle,
                                                          QStringLiteral("KavioCelloniPhone"));
    cell->setBackgroundColor(Qt::white);
    cell->textLabel()->setTextColor(Qt::black);
    cell->detailTextLabel()->setTextColor(style::sectionHeader);
    cell->textLabel()->setText(QStringLiteral("Files"));
    QImage icon = platform::resourceImage(QStringLiteral("icons/folder.png"));
    icon.setDevicePixelRatio(icon.width() / 40.0);
    cell->imageView()->setImage(icon);
    cell->imageView()->setFixedSize(QSize(40, 40));
    cell->setAccessoryType(platform::TableViewCellAccessory::DisclosureIndicator);
    return cell;
}

int KVRootViewController::heightForRow(platform::TableView&, const platform::IndexPath&)
{
    return style::kHomeRowHeight;
}

std::unique_ptr<QWidget> KVRootViewController::viewForHeaderInSection(platform::TableView&, int section)
{
    return makeSectionHeader(section == kCarSection ? tr("Car Display") : QStringLiteral("Added Videos"));
}

int KVRootViewController::heightForHeaderInSection(platform::TableView&, int)
{
    return style::kSectionHeaderHeight;
}

void KVRootViewController::didSelectRow(platform::TableView& table, const platform::IndexPath& path)
{
    table.deselectRow(path, platform::Animated::Yes);
    if (path.section == kCarSection) {
        if (offersCarConnection())
            connectCar_->trigger();
        return;
    }
    if (path.section != kFilesSection || path.row != 0)
        return;
    Avatar::shared().setDocumentsDirectory(documents_);
    if (platform::NavigationController* nav = navigationController())
        nav->pushViewController(std::make_unique<phone::IPFMController>(documents_, removals_), platform::Animated::Yes);
}

} // namespace kavio::shell
