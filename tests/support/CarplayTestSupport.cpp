#include "support/CarplayTestSupport.h"

#include <gtest/gtest.h>

namespace kavio::carplay::test {

CarWindow::CarWindow() : window_(std::make_unique<platform::Window>())
{
    window_->setRootViewController(std::make_unique<platform::ViewController>());
    window_->resize(platform::Window::kCarWindowSize);
    window_->show();
    settle();
}

void CarWindow::setRoot(std::unique_ptr<platform::ViewController> root)
{
    window_->setRootViewController(std::move(root));
    settle();
}

void CarWindow::settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

Library::Library() : documents_(scratch_.path() / "Documents")
{
    std::filesystem::create_directories(documents_);
    Avatar::shared().setDocumentsDirectory(documents_);
}

void Library::setRightHandDrive(bool on)
{
    std::optional<plist::Dictionary> held;
    writeRightHandDrive(settingsFilePath(documents_), held, on);
}

} // namespace kavio::carplay::test
