#include "support/CarplayTestSupport.h"

#include "library/FolderModel.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace kavio::carplay::test {

RecordPtr record(const std::string& title, const std::string& extension, const std::string& url)
{
    auto r = std::make_shared<MovieInfo>();
    r->FILENAME = title;
    r->ARTIST = "by " + title;
    r->EXTENSION = extension;
    r->urlLink = url;
    r->KEY = "kKV" + title;
    QImage image(60, 40, QImage::Format_RGB32); // a real thumbnail, its hue from the title
    image.fill(QColor::fromHsv(static_cast<int>(title.size() * 40 % 360), 200, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    r->imgData = plist::Bytes(png.toStdString());
    return r;
}

void fileRecords(const std::filesystem::path& folder, const std::vector<RecordPtr>& records)
{
    std::filesystem::create_directories(folder);
    FolderModel model(folder);
    model.loadMp4Files();
    for (const RecordPtr& r : records) {
        model.save_items()->push_back(r);
        EXPECT_TRUE(model.saveMovieModules(*r->KEY).isOk());
    }
}

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
