#pragma once
// The home menu, the phone's first tab ("Movies"): a banner, one row "Files" that opens the
// library, and a heart button whose menu offers the donation page and sharing. While the
// car window is closed, a second section offers "Connect car display". Checks once, when
// it loads, whether a newer release is out.

#include "platform/lists/TableViewController.h"
#include "platform/modals/Menu.h"
#include "shell/UpdateCheck.h"

#include <QPointer>

#include <filesystem>
#include <memory>

namespace kavio::phone {
class RemovalHistory;
}

class QAction;

namespace kavio::shell {

class KVRootViewController : public platform::TableViewController {
    Q_OBJECT
public:
    // connectCar: the action that brings the car window back, enabled while it is closed;
    // none where there is no car window to bring back.
    explicit KVRootViewController(std::filesystem::path documents, QAction* connectCar = nullptr);

    platform::Menu heartMenu();
    void share();
    void checkNewKavioVersions();
    // The answer of a check, as the screen shows it.
    void updateChecked(const UpdateVerdict& verdict);

    int numberOfSections(platform::TableView&) override;
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

    bool offersCarConnection() const;
    std::unique_ptr<platform::TableViewCell> carConnectionCell();

    std::filesystem::path documents_;
    // What the library's browsers removed, kept for Undo while "Files" is opened again.
    std::shared_ptr<phone::RemovalHistory> removals_;
    QPointer<QAction> connectCar_;
};

} // namespace kavio::shell
