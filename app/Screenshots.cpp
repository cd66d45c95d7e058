#include "Screenshots.h"

#include "app/BundledSamples.h"
#include "app/KVAppDelegate.h"
#include "carplay/CRFMController.h"
#include "carplay/KavioController.h"
#include "library/Avatar.h"
#include "library/FolderChange.h"
#include "library/FolderModel.h"
#include "library/RecordKey.h"
#include "library/Settings.h"
#include "phone/IPFMController.h"
#include "platform/base/Animated.h"
#include "platform/media/Player.h"
#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/PlayerView.h"
#include "platform/modals/Menu.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/TabBarController.h"
#include "platform/screens/Window.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>

#include <fstream>

namespace kavio::app {

namespace fs = std::filesystem;

namespace {

void settle(int milliseconds = 50)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    } while (timer.elapsed() < milliseconds);
}

std::string pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// A thumbnail drawn for the screenshots: a gradient with the title's initial.
std::string drawnThumbnail(const QString& title, QColor a, QColor b)
{
    QImage image(160, 90, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 160, 90);
    gradient.setColorAt(0, a);
    gradient.setColorAt(1, b);
    p.fillRect(image.rect(), gradient);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(44);
    font.setBold(true);
    p.setFont(font);
    p.drawText(image.rect(), Qt::AlignCenter, title.left(1));
    return pngOf(image);
}

void writeBytes(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}

void addRecord(FolderModel& folder, const std::string& title, const std::string& artist, const std::string& thumbnail,
               const std::string& video)
{
    Result<FolderChange> change = FolderChange::begin(folder, std::chrono::milliseconds(0));
    if (!change)
        return; // a scratch library of its own: nobody else holds it
    MovieInfo r;
    r.FILENAME = title;
    r.ARTIST = artist;
    r.EXTENSION = "mp4";
    r.imgData = plist::Bytes(thumbnail);
    r.KEY = change->newRecordKey();
    r.urlLink = "";
    change->saveMovieModules(r);
    (void)change->commit([&] { // a picture missing from a screenshot shows
        writeBytes(folder.currentURL() / (title + ".mp4"), video);
        return Status::ok();
    });
}

// Documents with a few folders, the samples and a road-trip folder of drawn thumbnails.
void buildLibrary(const fs::path& documents)
{
    const std::vector<SampleVideo> samples = bundledSamples();
    fs::create_directories(documents / "Samples");
    fs::create_directories(documents / "Road trips");
    fs::create_directories(documents / "Kids");
    FolderModel top(documents);
    top.loadMp4Files();
    if (!samples.empty())
        addRecord(top, "Welcome to Kavio", "Kavio", samples[0].thumbnail, samples[0].video);

    FolderModel sampleFolder(documents / "Samples");
    sampleFolder.loadMp4Files();
    for (const SampleVideo& s : samples)
        addRecord(sampleFolder, s.title, s.artist, s.thumbnail, s.video);
    const struct {
        const char* title;
        const char* artist;
        QColor a, b;
    } trips[] = {
        {"Alpine pass", "Family trip 2024", QColor(40, 90, 160), QColor(230, 230, 240)},
        {"Harbour at dusk", "Family trip 2024", QColor(240, 155, 58), QColor(90, 40, 90)},
        {"Desert road", "Summer", QColor(210, 140, 60), QColor(250, 220, 150)},
        {"Forest trail", "Summer", QColor(30, 110, 60), QColor(160, 210, 120)},
    };
    for (const auto& t : trips) {
        if (!samples.empty())
            addRecord(sampleFolder, t.title, t.artist, drawnThumbnail(QString::fromUtf8(t.title), t.a, t.b), samples[1 % samples.size()].video);
    }
    if (!samples.empty())
        writeBytes(documents / "Samples" / "dashcam-0412.mov", samples[0].video); // a file without a record
}

// Waits for the player's first frame, so the picture is in the screenshot.
void waitForPicture(carplay::KavioController& player)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 4000) {
        settle(50);
        if (player.controller() && player.controller()->videoSurface() && player.controller()->videoSurface()->hasFrame())
            break;
    }
    settle(300);
    if (player.player())
        player.player()->pause();
    settle(100);
}

Status save(platform::Window& window, const fs::path& file, std::vector<fs::path>& written)
{
    settle();
    if (!window.grab().save(QString::fromStdString(file.string()), "PNG"))
        return Status::ioError("could not write " + file.string());
    written.push_back(file);
    return Status::ok();
}

// The phone window: the home menu, a folder with its add menu open, the editor, Support.
Status renderPhoneScreens(const fs::path& documents, const fs::path& dir, std::vector<fs::path>& written)
{
    qputenv("KAVIO_RELEASES_API", "http://127.0.0.1:9"); // no update check from screenshots
    platform::Window window;
    window.resize(390, 740);
    std::unique_ptr<platform::TabBarController> owned = KVAppDelegate::makeTabs(documents);
    platform::TabBarController* tabs = owned.get();
    window.setRootViewController(std::move(owned));
    window.show();
    if (Status s = save(window, dir / "phone-movies.png", written); !s)
        return s;

    auto* movies = static_cast<platform::NavigationController*>(tabs->viewControllers().front());
    auto browserOwned = std::make_unique<phone::IPFMController>(documents / "Samples");
    phone::IPFMController* browser = browserOwned.get();
    movies->pushViewController(std::move(browserOwned), platform::Animated::No);
    settle();
    // A popped-up menu is a window of its own: drawn onto the screen's picture where it opens.
    QImage shot = window.grab().toImage();
    std::unique_ptr<QMenu> menu(platform::makeQMenu(browser->addMenu(), nullptr));
    menu->ensurePolished();
    menu->adjustSize();
    {
        QPainter p(&shot);
        const QSize size = menu->sizeHint();
        p.drawPixmap(QPoint(shot.width() / shot.devicePixelRatio() - size.width() - 8, 46), menu->grab());
    }
    const fs::path menuFile = dir / "phone-folder-menu.png";
    if (!shot.save(QString::fromStdString(menuFile.string()), "PNG"))
        return Status::ioError("could not write " + menuFile.string());
    written.push_back(menuFile);

    browser->presentEditor({phone::ImportKind::Link, {}, "https://example.com/live.m3u8"});
    settle();
    if (Status s = save(window, dir / "phone-editor.png", written); !s)
        return s;
    tabs->dismiss(platform::Animated::No);
    tabs->setSelectedIndex(1);
    return save(window, dir / "phone-support.png", written);
}

} // namespace

std::optional<QSize> screenSizeFromText(const QString& text)
{
    const QStringList parts = text.split(u'x');
    if (parts.size() != 2)
        return std::nullopt;
    bool wide = false;
    bool high = false;
    const QSize size(parts[0].toInt(&wide), parts[1].toInt(&high));
    if (!wide || !high || size.isEmpty())
        return std::nullopt;
    return size;
}

Result<std::vector<fs::path>> renderScreenshots(const fs::path& dir, QSize carSize)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return Status::ioError("no temporary folder for the sample library");
    const fs::path documents = fs::path(scratch.path().toStdString()) / "Documents";
    buildLibrary(documents);
    Avatar::shared().setDocumentsDirectory(documents);
    platform::setAnimationsEnabled(false);

    std::vector<fs::path> written;
    platform::Window window;
    window.resize(carSize);
    auto rootOwned = std::make_unique<carplay::CRFMController>(documents, carplay::CloseButton::Hidden);
    carplay::CRFMController* root = rootOwned.get();
    window.setRootViewController(std::move(rootOwned));
    window.show();
    if (Status s = save(window, dir / "car-root.png", written); !s)
        return s;

    auto folderOwned = std::make_unique<carplay::CRFMController>(documents / "Samples", carplay::CloseButton::Shown);
    carplay::CRFMController* folder = folderOwned.get();
    root->present(std::move(folderOwned), platform::Animated::No);
    if (Status s = save(window, dir / "car-folder.png", written); !s)
        return s;

    for (const bool rightHand : {false, true}) {
        std::optional<plist::Dictionary> held;
        if (Status s = writeRightHandDrive(settingsFilePath(documents), held, rightHand); !s)
            return s;
        const std::vector<FolderEntry>& entries = folder->model().dirCon();
        auto it = std::find_if(entries.begin(), entries.end(), [](const FolderEntry& e) { return e.name == "Night Lights.mp4"; });
        if (it == entries.end())
            return Status::notFound("the sample library has no Night Lights clip");
        std::unique_ptr<carplay::KavioController> player = folder->playerForEntry(*it);
        carplay::KavioController* shown = player.get();
        folder->present(std::move(player), platform::Animated::No);
        waitForPicture(*shown);
        if (Status s = save(window, dir / (rightHand ? "player-right.png" : "player-left.png"), written); !s)
            return s;
        shown->CloseTap();
        settle();
    }
    if (Status s = renderPhoneScreens(documents, dir, written); !s)
        return s;
    return written;
}

} // namespace kavio::app
