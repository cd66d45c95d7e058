#pragma once
// The car's folder browser: one folder of the library as a list of subfolders and videos
// labelled from the folder's records, under a banner. A subfolder opens another browser
// over this one; a video opens the player with the folder's records as its queue. It only
// reads.

#include "browser/FolderBrowser.h"
#include "carplay/CarStyle.h"
#include "library/LastSession.h"

#include <filesystem>
#include <memory>

namespace kavio::carplay {

class KavioController;

// Every browser presented over another one carries a close button; only the root, the
// Documents folder, goes without (the car has no other way back).
enum class CloseButton { Hidden, Shown };

class CRFMController : public browser::FolderBrowser {
    Q_OBJECT
public:
    static constexpr int kRowHeight = style::kRowHeight;
    static constexpr int kBannerHeight = style::kBannerHeight;

    CRFMController(std::filesystem::path folder, CloseButton closeButton);
    ~CRFMController() override;

    bool hasCloseButton() const { return closeButton_ == CloseButton::Shown; }
    int sele_indexPath() const { return sele_indexPath_; }

    void CloseTap();

    // The player a chosen video opens, before it is presented; tests inspect it.
    std::unique_ptr<KavioController> playerForEntry(const FolderEntry& entry);
    // The player that goes on with a session of this browser's folder (or a stream).
    std::unique_ptr<KavioController> playerToContinue(const PlayerSession& session);

protected:
    void loadView() override;
    void openFolder(const FolderEntry& entry) override;
    void openFile(const FolderEntry& entry) override;

private:
    void setupBanner();

    CloseButton closeButton_;
    int sele_indexPath_ = 0;
};

// Goes on with session over root, the Documents browser: each folder from Documents down to
// the session's opens as a tap would open it (closing the player leads back up them), and
// the player plays the session's entry there; a stream plays over root.
void presentSession(CRFMController& root, const PlayerSession& session);

} // namespace kavio::carplay
