#pragma once
// The phone's folder browser: one folder of the library, subfolders and videos side by
// side, each video labelled from its record. A folder opens another browser pushed on the
// same navigation stack; a video does nothing here (it plays on the car). Rows offer
// rename, thumbnail change and removal; the bar offers the add menu.
//
// Removals run off the main thread and end in a notice with Undo (Ctrl+Z too, as long as
// the trash still holds what went); what no trash takes is offered for deletion for good.

#include "browser/FolderBrowser.h"
#include "phone/BrowserContent.h"
#include "phone/EditorSave.h"
#include "phone/FileOperations.h"
#include "phone/IPFManagerDelegate.h"
#include "phone/RemovalHistory.h"
#include "platform/modals/Menu.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace kavio::platform {
class Picker;
}

namespace kavio::phone {

class IPFMController : public browser::FolderBrowser, public IPFManagerDelegate {
    Q_OBJECT
public:
    // removals: what this window removed so far, shared by the browsers of one stack (a
    // new history when none is given).
    explicit IPFMController(std::filesystem::path folder, std::shared_ptr<RemovalHistory> removals = nullptr);
    ~IPFMController() override;

    bool isPicking() const { return is_Picker; }

    void UpdateTable() override { reloadContent(); }
    // A one-button message: title first, then message.
    void alert(const QString& title, const QString& message);

    // What a long press on the entry's row offers, and the bar's two menus.
    platform::Menu contextMenuFor(const FolderEntry& entry);
    platform::Menu addMenu();
    platform::Menu optionMenu();
    // The row actions, each on the entry it was opened on.
    void RenamecunstomText(const FolderEntry& entry);
    void imageRewriting(const FolderEntry& entry);
    void removeEntry(const FolderEntry& entry);
    // The menus' actions.
    // typed: the name a refused attempt held, offered again.
    void createFolder(const QString& typed = {});
    void openImagePicker(); // a thumbnail while is_Picker, else a video to import
    void openFilePicker();
    // typed: the link a refused attempt held, offered again.
    void urlLink(const QString& typed = {});
    void deletingVideos();
    // Puts back the newest removal not yet undone (Ctrl+Z).
    void undoLastRemoval();
    // The editor over this screen, in its own navigation container.
    void presentEditor(EditorInput input);

    // Table.
    platform::TableViewEditingStyle editingStyleForRow(platform::TableView&, const platform::IndexPath&) override;
    void commitDelete(platform::TableView&, const platform::IndexPath& path) override;
    void renameRequested(platform::TableView&, const platform::IndexPath& path) override;
    void contextMenuRequested(platform::TableView&, const platform::IndexPath& path, const QPoint& globalPos) override;

protected:
    void loadView() override;
    void viewDidLoad() override;
    void openFolder(const FolderEntry& entry) override;
    void openFile(const FolderEntry&) override {} // videos play on the car
    void contentReloaded() override { leaveIfFolderVanished(); }

private:
    void navBarMagic();
    void setupUndo();

    void beginAction(const FolderEntry& entry);
    void importPickedVideo(const std::filesystem::path& video);
    // then, once the file is found to hold a playable video; a message otherwise.
    void whenPlayable(const std::filesystem::path& video, std::function<void()> then);
    void askForName(const EntryRef& target, const DialogContent& content);
    // A change of the folder, tried again from the event loop while another program holds it.
    // askAgain: what follows the "Err" alert of a refused input, such as the dialog again.
    void perform(std::function<Outcome()> change, std::function<void()> askAgain = {});
    void show(const Outcome& outcome, std::function<void()> askAgain = {});
    void refuse(const QString& message, std::function<void()> askAgain);
    void leaveIfFolderVanished();

    // Removals (IPFMControllerRemovals.cpp).
    void runRemoval(const QString& title, std::function<RemovalOutcome(const RemovalProgress&)> work);
    void removalDone(const RemovalOutcome& outcome);
    void undoRemoval(std::uint64_t id);
    void offerPermanentDeletion(const RemovalOutcome& outcome);
    void deletePermanently(const std::filesystem::path& folder, const std::vector<EntryRef>& entries);

    bool is_Folder = false;
    bool is_Picker = false;
    // The entry the running rename, removal or thumbnail change acts on.
    std::optional<EntryRef> sele_entry;
    std::unique_ptr<platform::Picker> picker_;
    std::shared_ptr<RemovalHistory> removals_;
};

} // namespace kavio::phone
