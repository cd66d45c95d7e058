#pragma once
// The phone browser on a scratch Documents folder in an offscreen window, its trash in
// the scratch folder as well, and the alerts it puts up.

#include "support/BrowserTestSupport.h"

#include "phone/IPFMController.h"
#include "platform/modals/AlertController.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/Window.h"

#include <QLineEdit>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace kavio::phone::test {

using kavio::test::cellFor;
using kavio::test::entryNamed;
using kavio::test::fileRecords;
using kavio::test::readFile;
using kavio::test::record;
using kavio::test::rowOf;
using kavio::test::tap;
using kavio::test::writeFile;

inline void settle()
{
    carplay::test::CarWindow::settle();
}

class PhoneWindowTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(docs); }
    void TearDown() override
    {
        window.reset();
        settle();
    }

    // The root browser in its navigation controller, shown.
    IPFMController* open(int height = 700)
    {
        auto root = std::make_unique<IPFMController>(docs);
        browser = root.get();
        auto nav = std::make_unique<platform::NavigationController>(std::move(root));
        navigation = nav.get();
        window->setRootViewController(std::move(nav));
        window->resize(390, height);
        window->show();
        settle();
        return browser;
    }
    IPFMController* top() const { return dynamic_cast<IPFMController*>(navigation->topViewController()); }
    platform::AlertController* alert() const { return dynamic_cast<platform::AlertController*>(window->topViewController()); }
    // Answers the alert on screen with these field texts and that button.
    void answer(const QStringList& texts, const QString& button)
    {
        platform::AlertController* dialog = alert();
        ASSERT_TRUE(dialog);
        for (int i = 0; i < texts.size(); ++i)
            dialog->textFields().at(static_cast<std::size_t>(i))->setText(texts[i]);
        ASSERT_TRUE(dialog->triggerAction(button));
        settle();
    }
    FolderEntry entry(const std::string& name) const { return entryNamed(*browser, name); }

    kavio::test::ScratchFolder scratch;
    const kavio::test::ScopedEnv trashInScratch{{"XDG_DATA_HOME", (scratch / "data").string()}};
    const std::filesystem::path docs = scratch / "Documents";
    std::unique_ptr<platform::Window> window = std::make_unique<platform::Window>();
    platform::NavigationController* navigation = nullptr;
    IPFMController* browser = nullptr; // the root
};

} // namespace kavio::phone::test
