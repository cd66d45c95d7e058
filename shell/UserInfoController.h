#pragma once
// The support screen, the phone's second tab: credits and donation, the right-hand-drive
// switch (the car player's column side, kept in the settings file), the switch that lets
// the car go on with what was playing when it starts (a setting of Kavio's own, kept
// outside Documents), and the maker's other software.

#include "library/LastSession.h"
#include "library/plist/Value.h"
#include "platform/lists/TableViewController.h"
#include "shell/SupportTable.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace kavio::platform {
class Switch;
}

namespace kavio::shell {

class UserInfoController : public platform::TableViewController {
    Q_OBJECT
public:
    explicit UserInfoController(std::filesystem::path documents);

    bool isChkHand() const { return isChkHand_; }
    const std::filesystem::path& filePath() const { return filePath_; }
    void switchValueChanged(bool on);
    ContinueOnStart continueOnStart() const { return continueOnStart_; }
    void continueSwitchChanged(bool on);

    int numberOfSections(platform::TableView&) override;
    int numberOfRowsInSection(platform::TableView&, int section) override;
    std::unique_ptr<platform::TableViewCell> cellForRow(platform::TableView&, const platform::IndexPath& path) override;
    int heightForRow(platform::TableView&, const platform::IndexPath& path) override;
    QString titleForFooterInSection(platform::TableView&, int section) override;
    std::unique_ptr<QWidget> viewForHeaderInSection(platform::TableView&, int section) override;
    int heightForHeaderInSection(platform::TableView&, int) override;
    void didSelectRow(platform::TableView& table, const platform::IndexPath& path) override;

protected:
    void viewDidLoad() override;

private:
    void navBarMagic();
    void loadSetting();
    const SupportRow& rowAt(const platform::IndexPath& path) const;

    std::vector<SupportSection> sections_;
    std::optional<plist::Dictionary> prefsDict_; // the settings file as last read or written
    std::filesystem::path filePath_;
    bool isChkHand_ = false;
    ContinueOnStart continueOnStart_ = ContinueOnStart::On;
};

} // namespace kavio::shell
