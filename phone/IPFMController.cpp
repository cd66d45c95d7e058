#include "phone/IPFMController.h"

#include "library/FolderChange.h"
#include "library/VideoProbe.h"
#include "library/Utf8.h"
#include "phone/BrowserContent.h"
#include "phone/BusyRetry.h"
#include "phone/CopyJob.h"
#include "phone/Exports.h"
#include "phone/KVCustmPreview.h"
#include "phone/Names.h"
#include "phone/PhoneStyle.h"
#include "platform/base/Dispatch.h"
#include "platform/lists/TableView.h"
#include "platform/modals/AlertController.h"
#include "platform/modals/Pickers.h"
#include "platform/screens/NavigationBar.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/NavigationItem.h"

#include <QDebug>

#include <chrono>
#include <utility>

namespace kavio::phone {

namespace fs = std::filesystem;
using platform::AlertActionStyle;
using platform::AlertController;

namespace {

constexpr std::chrono::milliseconds kAfterPicker{200};

platform::MenuAction menuAction(RowAction action, std::function<void()> handler)
{
    const RowActionLook look = lookOf(action);
    return {look.title, look.symbol,
            look.destructive ? platform::MenuElementAttributes::Destructive : platform::MenuElementAttributes::None,
            std::move(handler)};
}

// An alert-style input dialog from its content: the fields, the accept action in the
// default style, then "Cancel" in the destructive style.
std::unique_ptr<AlertController> inputDialog(const DialogContent& content, AlertController::Handler accept)
{
    auto dialog = std::make_unique<AlertController>(content.title, content.message);
    for (const DialogField& field : content.fields)
        dialog->addTextField({field.placeholder, field.text});
    dialog->addAction(content.acceptTitle, AlertActionStyle::Default, std::move(accept));
    dialog->addAction(kCancelTitle, AlertActionStyle::Destructive);
    return dialog;
}

} // namespace

IPFMController::IPFMController(fs::path folder, std::shared_ptr<RemovalHistory> removals)
    : browser::FolderBrowser(std::move(folder), {.background = style::background,
                                                 .rowBackground = style::rowBackground,
                                                 .titleText = style::titleText,
                                                 .detailText = style::detailText,
                                                 .rowHeight = style::kRowHeight,
                                                 .thumbnail = style::kThumbnail,
                                                 .emptyText = tr("No videos yet. Add one with +"),
                                                 .emptyTextColor = style::emptyFolderText,
                                                 .emptyTextPixels = style::kEmptyFolderPixels}),
      removals_(removals ? std::move(removals) : std::make_shared<RemovalHistory>())
{
}

IPFMController::~IPFMController() = default;

void IPFMController::loadView()
{
    browser::FolderBrowser::loadView();
    navBarMagic();
}

void IPFMController::viewDidLoad()
{
    tidyFolder(model_.currentURL()); // opened to be changed: what a crash left goes first
    browser::FolderBrowser::viewDidLoad();
    setupUndo();
}

void IPFMController::navBarMagic()
{
    auto button = [](const QString& symbol, const QString& name, std::function<platform::Menu()> menu) {
        auto* b = new platform::MenuButton(symbol);
        b->setTintColor(style::barItems);
        b->setToolTip(name);
        b->setAccessibleName(name);
        b->setMenuProvider(std::move(menu));
        return b;
    };
    std::vector<platform::BarButtonItem> items; // from the right edge inwards
    items.push_back(platform::BarButtonItem::customView(button(QStringLiteral("plus"), tr("Add"), [this] { return addMenu(); })));
    items.push_back(platform::BarButtonItem::fixedSpace(2));
    items.push_back(platform::BarButtonItem::customView(
        button(QStringLiteral("staroflife.fill"), tr("More"), [this] { return optionMenu(); })));
    navigationItem().setRightBarButtonItems(std::move(items));
}

void IPFMController::leaveIfFolderVanished()
{
    platform::NavigationController* nav = navigationController();
    if (model_.folderExists() || !nav)
        return;
    const std::vector<platform::ViewController*> stack = nav->viewControllers();
    const auto self = std::find(stack.begin(), stack.end(), this);
    if (self != stack.end() && self != stack.begin())
        nav->popToViewController(*(self - 1), platform::Animated::Yes); // deeper browsers went with it
}

void IPFMController::alert(const QString& title, const QString& message)
{
    platform::presentAlert(*this, platform::makeMessageAlert(title, message));
}

void IPFMController::perform(std::function<Outcome()> change, std::function<void()> askAgain)
{
    retryWhileBusy(
        this,
        [this, change = std::move(change), askAgain] {
            const Outcome outcome = change();
            if (outcome.kind == Outcome::Kind::Busy)
                return false;
            show(outcome, askAgain);
            return true;
        },
        [this] { show(Outcome::busy()); });
}

void IPFMController::show(const Outcome& outcome, std::function<void()> askAgain)
{
    for (const std::string& line : outcome.log)
        qInfo().noquote() << fromUtf8(line);
    reloadContent();
    if (outcome.done() || outcome.message.empty())
        return;
    const QString title = QString::fromLatin1(outcome.kind == Outcome::Kind::Busy ? kFolderBusyTitle : kErrTitle);
    if (outcome.kind == Outcome::Kind::Refused && askAgain)
        refuse(fromUtf8(outcome.message), std::move(askAgain));
    else
        alert(title, fromUtf8(outcome.message));
}

void IPFMController::refuse(const QString& message, std::function<void()> askAgain)
{
    auto refusal = std::make_unique<AlertController>(QString::fromLatin1(kErrTitle), message);
    refusal->addAction(QStringLiteral("OK"), AlertActionStyle::Default,
                       [askAgain = std::move(askAgain)](AlertController&) { askAgain(); });
    platform::presentAlert(*this, std::move(refusal));
}

// Actions ------------------------------------------------------------------------------

void IPFMController::beginAction(const FolderEntry& entry)
{
    is_Folder = entry.kind == EntryKind::Folder;
    sele_entry = entryRefFor(model_, entry);
}

platform::Menu IPFMController::contextMenuFor(const FolderEntry& entry)
{
    const RowMenuContent content = rowMenuFor(entry);
    platform::Menu menu{content.title, {}};
    for (RowAction action : content.actions) {
        menu.children.push_back(menuAction(action, [this, action, entry] {
            switch (action) {
            case RowAction::Rename: RenamecunstomText(entry); break;
            case RowAction::ImageRewriting: imageRewriting(entry); break;
            case RowAction::Remove: removeEntry(entry); break;
            }
        }));
    }
    return menu;
}

platform::Menu IPFMController::addMenu()
{
    using platform::MenuElementAttributes;
    return {QStringLiteral("Kavio"),
            {{QStringLiteral("Create Folder"), QStringLiteral("folder"), MenuElementAttributes::None, [this] { createFolder(); }},
             {QStringLiteral("Upload from photo"), QStringLiteral("square.and.arrow.up"), MenuElementAttributes::None,
              [this] { openImagePicker(); }},
             {QStringLiteral("Upload from File"), QStringLiteral("doc.badge.plus"), MenuElementAttributes::None,
              [this] { openFilePicker(); }},
             {QStringLiteral("Url Link"), QStringLiteral("link"), MenuElementAttributes::None, [this] { urlLink(); }}}};
}

platform::Menu IPFMController::optionMenu()
{
    return {QStringLiteral("Kavio\n%1").arg(QStringLiteral("Choose your option")),
            {{QStringLiteral("Deleting Videos"), QStringLiteral("xmark.bin"), platform::MenuElementAttributes::Destructive,
              [this] { deletingVideos(); }}}};
}

void IPFMController::RenamecunstomText(const FolderEntry& entry)
{
    beginAction(entry);
    askForName(*sele_entry, renameDialogFor(model_, entry));
}

void IPFMController::askForName(const EntryRef& target, const DialogContent& content)
{
    platform::presentAlert(*this, inputDialog(content, [this, target, content](AlertController& dialog) {
        // A refused name comes back as typed, to be corrected rather than typed again.
        DialogContent typed = content;
        for (std::size_t i = 0; i < typed.fields.size(); ++i)
            typed.fields[i].text = dialog.textFieldText(static_cast<int>(i));
        auto again = [this, target, typed] {
            if (entryRefNamed(model_, target.name)) // not when the entry itself has gone
                askForName(target, typed);
        };
        const std::string artist = toUtf8(dialog.textFieldText(1));
        if (std::optional<std::string> problem = artistProblem(artist)) {
            refuse(fromUtf8(*problem), std::move(again));
            return;
        }
        perform([this, target, name = toUtf8(dialog.textFieldText(0)), artist] {
            return renameEntry(model_, target, name, artist);
        }, std::move(again));
    }));
}

void IPFMController::imageRewriting(const FolderEntry& entry)
{
    beginAction(entry);
    is_Picker = true;
    openImagePicker();
}

void IPFMController::openImagePicker()
{
    picker_ = platform::makePicker();
    if (!is_Picker || !sele_entry) {
        is_Picker = false;
        picker_->pick(platform::PickerKind::Movie, view(), [this](std::optional<fs::path> picked) {
            if (picked)
                whenPlayable(*picked, [this, video = *picked] { importPickedVideo(video); });
        });
        return;
    }
    const EntryRef target = *sele_entry;
    picker_->pick(platform::PickerKind::Image, view(), [this, target](std::optional<fs::path> picked) {
        if (!picked) {
            is_Picker = false;
            return;
        }
        retryWhileBusy(
            this,
            [this, target, picture = *picked] {
                const Outcome outcome = changeThumbnail(model_, target, picture);
                if (outcome.kind == Outcome::Kind::Busy)
                    return false;
                if (!outcome.done()) {
                    is_Picker = false;
                    show(outcome);
                    return true;
                }
                platform::dispatchAfter(this, kAfterPicker, [this] {
                    reloadContent();
                    is_Picker = false;
                });
                return true;
            },
            [this] {
                is_Picker = false;
                show(Outcome::busy());
            });
    });
}

// The picked video is copied next to its destination first, standing in for the phone's
// photo export; the editor then moves that copy into place.
void IPFMController::importPickedVideo(const fs::path& video)
{
    auto exported = std::make_shared<Export>();
    runCopyJob(*this, tr("Copying the video"),
               [video, folder = model_.currentURL(), exported](CopyControl& control) {
                   Result<Export> made = exportVideo(video, folder, &control);
                   if (made)
                       *exported = std::move(made).value();
                   return made.status();
               },
               [this, exported](const Status& status) {
                   if (!status) {
                       if (status.code() != Status::Code::Cancelled)
                           alert(QString::fromLatin1(kErrTitle), tr("The video could not be copied: %1").arg(fromUtf8(status.message())));
                       return;
                   }
                   platform::dispatchAfter(this, kAfterPicker, [this, exported] {
                       presentEditor({ImportKind::Export, exported->file, {}, exported->folder});
                   });
               });
}

void IPFMController::openFilePicker()
{
    picker_ = platform::makePicker();
    picker_->pick(platform::PickerKind::Document, view(), [this](std::optional<fs::path> picked) {
        if (picked)
            whenPlayable(*picked, [this, video = *picked] { presentEditor({ImportKind::Copy, video, {}}); });
    });
}

void IPFMController::whenPlayable(const fs::path& video, std::function<void()> then)
{
    // Read on the pool: a large file on a slow disk must not stop the window.
    platform::dispatchInBackground(
        this, [video] { return probeVideo(video); },
        [this, then = std::move(then)](const Status& probed) {
            if (probed)
                then();
            else
                alert(QString::fromLatin1(kErrTitle), fromUtf8(probed.message()));
        });
}

void IPFMController::urlLink(const QString& typed)
{
    auto dialog = std::make_unique<AlertController>(
        QStringLiteral("Info"),
        QStringLiteral("It supports m3u8,m3u,mp4,mp3 and other extensions.\nNote that playlist URLs are not supported."));
    dialog->addTextField({QStringLiteral("URL"), typed});
    dialog->addAction(QStringLiteral("Done"), AlertActionStyle::Default, [this](AlertController& d) {
        const QString link = d.textFieldText(0).trimmed(); // a pasted line break or space is no part of it
        if (link.isEmpty()) {
            alert(QString::fromLatin1(kErrTitle), QString::fromLatin1(kUrlNotEntered));
            return;
        }
        if (std::optional<std::string> problem = linkProblem(toUtf8(link))) {
            refuse(fromUtf8(*problem), [this, typed = d.textFieldText(0)] { urlLink(typed); });
            return;
        }
        presentEditor({ImportKind::Link, {}, toUtf8(link)});
    });
    dialog->addAction(kCancelTitle, AlertActionStyle::Destructive);
    platform::presentAlert(*this, std::move(dialog));
}


void IPFMController::presentEditor(EditorInput input)
{
    auto editor = std::make_unique<KVCustmPreview>(std::move(input), model_.currentURL(), this, this);
    auto container = std::make_unique<platform::NavigationController>(std::move(editor));
    style::styleBar(*container->navigationBar());
    present(std::move(container), platform::Animated::Yes, [this] {
        if (isViewLoaded())
            tableView()->reloadData();
    });
}

void IPFMController::createFolder(const QString& typed)
{
    DialogContent content = createFolderDialog();
    content.fields.front().text = typed;
    platform::presentAlert(*this, inputDialog(content, [this](AlertController& dialog) {
        const QString name = dialog.textFieldText(0);
        perform([this, name] { return phone::createFolder(model_, toUtf8(name)); },
                [this, name] { createFolder(name); });
    }));
}

// Table --------------------------------------------------------------------------------

void IPFMController::openFolder(const FolderEntry& entry)
{
    if (platform::NavigationController* nav = navigationController())
        nav->pushViewController(std::make_unique<IPFMController>(entry.path, removals_), platform::Animated::Yes);
}

platform::TableViewEditingStyle IPFMController::editingStyleForRow(platform::TableView&, const platform::IndexPath&)
{
    return platform::TableViewEditingStyle::Delete;
}

void IPFMController::commitDelete(platform::TableView&, const platform::IndexPath& path)
{
    if (const std::optional<FolderEntry> entry = entryAt(path))
        removeEntry(*entry);
}

void IPFMController::renameRequested(platform::TableView&, const platform::IndexPath& path)
{
    if (const std::optional<FolderEntry> entry = entryAt(path))
        RenamecunstomText(*entry);
}

void IPFMController::contextMenuRequested(platform::TableView&, const platform::IndexPath& path, const QPoint& globalPos)
{
    if (const std::optional<FolderEntry> entry = entryAt(path))
        platform::popUpMenu(contextMenuFor(*entry), globalPos, view());
}

} // namespace kavio::phone
