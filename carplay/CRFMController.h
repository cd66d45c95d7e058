#pragma once
// The car's folder browser: one folder of the library as a list of subfolders and videos
// labelled from the folder's records. A subfolder opens another browser over this one; a
// video opens the player with the folder's records as its queue. It only reads.

#include "carplay/CarStyle.h"
#include "library/Avatar.h"
#include "library/FolderModel.h"
#include "platform/lists/TableViewController.h"

#include <filesystem>
#include <memory>

namespace kavio::carplay {

class KavioController;

// Every browser presented over another one carries a close button; only the root, the
// Documents folder, goes without (the car has no other way back).
enum class CloseButton { Hidden, Shown };

class CRFMController : public platform::TableViewController {
    Q_OBJECT
public:
    static constexpr int kRowHeight = style::kRowHeight;
    static constexpr int kBannerHeight = style::kBannerHeight;

    CRFMController(std::filesystem::path folder, CloseButton closeButton);
    ~CRFMController() override;

    const std::filesystem::path& currentURL() const { return model_.currentURL(); }
    const FolderModel& model() const { return model_; }
    bool hasCloseButton() const { return closeButton_ == CloseButton::Shown; }
    int sele_indexPath() const { return sele_indexPath_; }

    void reloadContent();
    void pulledToRefresh();
    void CloseTap();

    // Table.
    int numberOfRowsInSection(platform::TableView&, int section) override;
    std::unique_ptr<platform::TableViewCell> cellForRow(platform::TableView&, const platform::IndexPath& path) override;
    int heightForRow(platform::TableView&, const platform::IndexPath&) override { return kRowHeight; }
    void willDisplayCell(platform::TableView&, platform::TableViewCell& cell, const platform::IndexPath& path) override;
    void didSelectRow(platform::TableView& table, const platform::IndexPath& path) override;

    // The player a chosen video opens, before it is presented; tests inspect it.
    std::unique_ptr<KavioController> playerForEntry(const FolderEntry& entry);

protected:
    void loadView() override;
    void viewDidLoad() override;
    void viewDidAppear(platform::Animated animated) override;

private:
    void setupTable();
    void setupBanner();
    void setupRefresh();
    void registerNotifications();

    FolderModel model_;
    Avatar& Korra;
    CloseButton closeButton_;
    int sele_indexPath_ = 0;
    const bool showHiddenFiles = false; // hidden entries are never listed
    bool loadedForFirstAppearance_ = false;
};

} // namespace kavio::carplay
