#pragma once
// The home menu, the phone's first tab ("Movies"): a banner, one row "Files" that opens the
// library, and a heart button whose menu offers the donation page and sharing. Checks
// once, when it loads, whether a newer release is out.

#include "platform/lists/TableViewController.h"
#include "platform/modals/Menu.h"
#include "shell/UpdateCheck.h"

#include <filesystem>
#include <memory>

namespace kavio::phone {
class RemovalHistory;
}

namespace kavio::shell {

class KVRootViewController : public platform::TableViewController {
    Q_OBJECT
public:
    explicit KVRootViewController(std::filesystem::path documents);

    platform::Menu heartMenu();
    void share();
    void checkNewKavioVersions();
    // The answer of a check, as the screen shows it.
    void updateChecked(const UpdateVerdict& verdict);

    int numberOfRowsInSection(platform::TableView&, int) override { return 1; }
    std::unique_ptr<platform::TableViewCell> cellForRow(platform::TableView&, const platform::IndexPath&) override;
    int heightForRow(platform::TableView&, const platform::IndexPath&) override;
    std::unique_ptr<QWidget> viewForHeaderInSection(platform::TableView&, int section) override;
    int heightForHeaderInSection(platform::TableView&, int) override;
    void didSelectRow(platform::TableView& table, const platform::IndexPath& path) override;

protected:
    void loadView() override;

private:
    void navBarMagic();
    void banner();

    std::filesystem::path documents_;
    // What the library's browsers removed, kept for Undo while "Files" is opened again.
    std::shared_ptr<phone::RemovalHistory> removals_;
};

} // namespace kavio::shell
