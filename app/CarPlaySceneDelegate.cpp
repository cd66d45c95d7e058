#include "CarPlaySceneDelegate.h"

#include "carplay/CRFMController.h"
#include "carplay/PlaybackMemory.h"
#include "library/Avatar.h"
#include "library/OwnSettings.h"
#include "platform/screens/Window.h"

#include <QPointer>
#include <QTimer>

namespace kavio::app {

CarPlaySceneDelegate::CarPlaySceneDelegate(std::filesystem::path documents) : documents_(std::move(documents)) {}

void CarPlaySceneDelegate::sceneWillConnect(platform::Scene& scene)
{
    window = &scene.window();
    Avatar::shared().setDocumentsDirectory(documents_);
    auto root = std::make_unique<carplay::CRFMController>(documents_, carplay::CloseButton::Hidden);
    viewController = root.get();
    window->setWindowTitle(QStringLiteral("Kavio — Car display"));
    window->setRootViewController(std::move(root));
    // Once the window is up, and only if nothing was opened on it meanwhile (a file given
    // on the command line, the desktop's "Open with"): that wins over going on.
    QPointer<carplay::CRFMController> browser = viewController;
    QTimer::singleShot(0, browser, [browser, documents = documents_] {
        if (!browser || browser->presentedViewController())
            return;
        const std::optional<PlayerSession> session = sessionToContinue(
            carplay::PlaybackMemory::shared().lastSession(), documents, readContinueOnStart(ownSettingsFile()));
        if (session)
            carplay::presentSession(*browser, *session);
    });
}

} // namespace kavio::app
