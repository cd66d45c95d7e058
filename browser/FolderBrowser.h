#pragma once
// What the car's and the phone's folder browsers share: one folder of the library as a
// table of subfolders and videos, each row labelled from the folder's records (title,
// artist, thumbnail, and the size or a disclosure), and kept in step with the folder on
// disk: a watch on the folder and its store, a reload on the return to the foreground, on
// every appearance but the first (just loaded, and watched since) and on a pull. A tap
// opens a folder or a file as each face decides; an entry that vanished since the listing
// only loses its selection. The faces bring their look, their header or bar, and the
// rest of what a row offers. An empty folder says so, in the face's words, where the rows
// would be.

#include "library/Avatar.h"
#include "library/FolderModel.h"
#include "platform/lists/TableViewController.h"

#include <QColor>
#include <QString>

class QLabel;

#include <filesystem>
#include <memory>
#include <optional>

namespace kavio::browser {

// A face's look for the browser's table and rows.
struct FolderBrowserLook {
    QColor background;
    QColor rowBackground;
    QColor titleText;
    QColor detailText;
    std::optional<QColor> separator{};   // the table's own otherwise
    std::optional<QColor> refreshTint{}; // the refresh control's own otherwise
    platform::TableViewCellSelectionStyle selection = platform::TableViewCellSelectionStyle::Default;
    int rowHeight = 60;
    int thumbnail = 40; // row images, in points
    // Said in place of the rows while the folder holds nothing.
    QString emptyText;
    QColor emptyTextColor;
    int emptyTextPixels = 17;
};

class FolderBrowser : public platform::TableViewController {
    Q_OBJECT
public:
    static inline const QString kCellIdentifier = QStringLiteral("FolderEntryCell");

    FolderBrowser(std::filesystem::path folder, FolderBrowserLook look);
    ~FolderBrowser() override;

    const std::filesystem::path& currentURL() const { return model_.currentURL(); }
    const FolderModel& model() const { return model_; }

    // The store and the listing read again, then the table.
    void reloadContent();
    void pulledToRefresh();

    // Table.
    int numberOfRowsInSection(platform::TableView&, int section) override;
    std::unique_ptr<platform::TableViewCell> cellForRow(platform::TableView&, const platform::IndexPath& path) override;
    int heightForRow(platform::TableView&, const platform::IndexPath&) override { return look_.rowHeight; }
    void willDisplayCell(platform::TableView& table, platform::TableViewCell& cell, const platform::IndexPath& path) override;
    void didSelectRow(platform::TableView& table, const platform::IndexPath& path) override;

protected:
    // Builds the table in the face's look with its refresh control; faces that override
    // call this first, then add their header or bar items.
    void loadView() override;
    void viewDidLoad() override;
    void viewDidAppear(platform::Animated animated) override;

    // A tapped entry still on disk: a folder (or anything else that is not a plain file)
    // or a file.
    virtual void openFolder(const FolderEntry& entry) = 0;
    virtual void openFile(const FolderEntry& entry) = 0;
    // After every reload, the table already redrawn.
    virtual void contentReloaded() {}

    std::optional<FolderEntry> entryAt(const platform::IndexPath& path) const;

    // The face's file operations act on the model directly.
    FolderModel model_;

private:
    void setupTable();
    void setupRefresh();
    void setupEmptyLabel();
    void registerNotifications();
    void updateEmptyLabel();
    bool eventFilter(QObject* watched, QEvent* event) override;

    FolderBrowserLook look_;
    QLabel* emptyLabel_ = nullptr; // child of the table's viewport
    Avatar& Korra;
    const bool showHiddenFiles = false; // hidden entries are never listed
    bool loadedForFirstAppearance_ = false;
};

} // namespace kavio::browser
