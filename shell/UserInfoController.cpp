#include "shell/UserInfoController.h"

#include "library/ImageHelper.h"
#include "library/OwnSettings.h"
#include "library/Settings.h"
#include "platform/lists/CellImageView.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/modals/AlertController.h"
#include "platform/modals/LinkSheet.h"
#include "platform/screens/NavigationBar.h"
#include "platform/screens/NavigationController.h"
#include "platform/views/Switch.h"
#include "platform/views/Symbols.h"
#include "shell/KVDuoTwitterCell.h"
#include "shell/Links.h"
#include "shell/SectionHeader.h"
#include "shell/ShellStyle.h"

#include <QDate>
#include <QLabel>

namespace kavio::shell {

namespace fs = std::filesystem;

UserInfoController::UserInfoController(fs::path documents)
    : platform::TableViewController(platform::TableViewStyle::InsetGrouped),
      sections_(supportSections(QDate::currentDate().year())), filePath_(settingsFilePath(documents))
{
    setTitle(QStringLiteral("Support"));
}

void UserInfoController::viewDidLoad()
{
    tableView()->setBackgroundColor(style::background);
    navBarMagic();
}

void UserInfoController::navBarMagic()
{
    if (platform::NavigationController* nav = navigationController())
        phone::style::styleBar(*nav->navigationBar());
    loadSetting();
}

void UserInfoController::loadSetting()
{
    continueOnStart_ = readContinueOnStart(ownSettingsFile());
    std::error_code ec;
    if (!fs::exists(filePath_, ec)) {
        isChkHand_ = false;
        return;
    }
    if (!prefsDict_)
        prefsDict_ = readSettings(filePath_);
    const auto value = prefsDict_ ? prefsDict_->find(kHandKey) : plist::Dictionary::const_iterator{};
    isChkHand_ = prefsDict_ && value != prefsDict_->end() && boolValue(*value->second);
}

void UserInfoController::switchValueChanged(bool on)
{
    isChkHand_ = on;
    // Written whole and atomically: a failure leaves the file exactly as it was.
    if (!writeRightHandDrive(filePath_, prefsDict_, on))
        platform::presentAlert(*this, platform::makeMessageAlert(QStringLiteral("Err"), QString::fromLatin1(kSettingsSaveFailed)));
}

void UserInfoController::continueSwitchChanged(bool on)
{
    continueOnStart_ = on ? ContinueOnStart::On : ContinueOnStart::Off;
    if (!writeContinueOnStart(ownSettingsFile(), continueOnStart_))
        platform::presentAlert(*this, platform::makeMessageAlert(QStringLiteral("Err"), QString::fromLatin1(kSettingsSaveFailed)));
}

const SupportRow& UserInfoController::rowAt(const platform::IndexPath& path) const
{
    return sections_.at(static_cast<std::size_t>(path.section)).rows.at(static_cast<std::size_t>(path.row));
}

int UserInfoController::numberOfSections(platform::TableView&)
{
    return static_cast<int>(sections_.size());
}

int UserInfoController::numberOfRowsInSection(platform::TableView&, int section)
{
    return static_cast<int>(sections_.at(static_cast<std::size_t>(section)).rows.size());
}

std::unique_ptr<platform::TableViewCell> UserInfoController::cellForRow(platform::TableView& table, const platform::IndexPath& path)
{
    const SupportRow& row = rowAt(path);
    std::unique_ptr<platform::TableViewCell> cell;
    if (row.kind == SupportRowKind::Credits)
        cell = std::make_unique<KVDuoTwitterCell>(QStringLiteral("KavioCell"));
    else
        cell = std::make_unique<platform::TableViewCell>(platform::TableViewCellStyle::Subtitle, QStringLiteral("KavioCell"));
    cell->setBackgroundColor(Qt::white);
    cell->textLabel()->setTextColor(Qt::black);
    cell->detailTextLabel()->setTextColor(style::sectionHeader);
    cell->textLabel()->setText(row.title);
    cell->detailTextLabel()->setText(row.subtitle);
    switch (row.kind) {
    case SupportRowKind::Credits: break;
    case SupportRowKind::Donate: {
        auto* image = new QLabel;
        image->setFixedSize(style::kSupportIcon, style::kSupportIcon);
        image->setScaledContents(true);
        image->setPixmap(platform::resourcePixmap(row.image));
        cell->setAccessoryView(image);
        break;
    }
    case SupportRowKind::RightHandDrive:
    case SupportRowKind::ContinuePlaying: {
        const bool hand = row.kind == SupportRowKind::RightHandDrive;
        if (!hand) // the whole name, in a narrow phone window too
            cell->textLabel()->setNumberOfLines(2);
        auto* toggle = new platform::Switch;
        toggle->setOnTintColor(style::switchOn);
        toggle->setChecked(hand ? isChkHand_ : continueOnStart_ == ContinueOnStart::On);
        toggle->setAccessibleName(row.title);
        connect(toggle, &QAbstractButton::toggled, this,
                hand ? &UserInfoController::switchValueChanged : &UserInfoController::continueSwitchChanged);
        cell->setAccessoryView(toggle);
        cell->setSelectionStyle(platform::TableViewCellSelectionStyle::None);
        break;
    }
    case SupportRowKind::Promotion:
        // Words about other software, with no link: nothing here looks like it can be pressed.
        cell->setSelectionStyle(platform::TableViewCellSelectionStyle::None);
        cell->imageView()->setImage(rescaleImage(platform::resourceImage(row.image), style::kSupportIcon, style::kSupportIcon,
                                                 table.devicePixelRatioF()));
        cell->imageView()->setFixedSize(QSize(style::kSupportIcon, style::kSupportIcon));
        break;
    }
    return cell;
}

int UserInfoController::heightForRow(platform::TableView&, const platform::IndexPath& path)
{
    return rowAt(path).height;
}

QString UserInfoController::titleForFooterInSection(platform::TableView&, int section)
{
    return sections_.at(static_cast<std::size_t>(section)).footer;
}

std::unique_ptr<QWidget> UserInfoController::viewForHeaderInSection(platform::TableView&, int section)
{
    return makeSectionHeader(sections_.at(static_cast<std::size_t>(section)).header);
}

int UserInfoController::heightForHeaderInSection(platform::TableView&, int)
{
    return style::kSectionHeaderHeight;
}

void UserInfoController::didSelectRow(platform::TableView& table, const platform::IndexPath& path)
{
    table.deselectRow(path, platform::Animated::Yes);
    switch (rowAt(path).action) {
    case SupportAction::OpenDeveloperProfile: platform::openLink(*this, QUrl(QString::fromLatin1(links::kDeveloperProfile))); break;
    case SupportAction::OpenDonationPage: platform::openLink(*this, QUrl(QString::fromLatin1(links::kDonation))); break;
    case SupportAction::None: break;
    }
}

} // namespace kavio::shell
