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
    const Status written = writeRightHandDrive(settingsFilePath(documents_), held, on);
    EXPECT_TRUE(written) << written.toString();
}

KavioController* presentPlayer(CarWindow& car, const Library& library, RecordList records, std::size_t start,
                               const std::string& urlLink)
{
    PlayQueue::Opening opening;
    opening.DOC_PATH = library.documents();
    const MovieInfo& chosen = *records[start];
    opening.videoPath = opening.DOC_PATH / (*chosen.FILENAME + "." + *chosen.EXTENSION);
    opening.urlLink = urlLink.empty() ? chosen.urlLink.value_or("") : urlLink;
    opening.infos = std::make_shared<const RecordList>(std::move(records));
    opening.currentIndex = start;
    auto controller = std::make_unique<KavioController>();
    controller->setOpening(std::move(opening));
    KavioController* raw = controller.get();
    car.root().present(std::move(controller), platform::Animated::No);
    CarWindow::settle();
    return raw;
}

} // namespace kavio::carplay::test
