#include "platform/base/UrlOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <memory>
#include <utility>

namespace kavio::platform {

namespace {

// xdg-open answers at once when nothing can take the link; one still running by then has
// handed it to a program that stays in the foreground.
constexpr std::chrono::milliseconds kStillRunningMeansOpened{3000};

class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url, UrlOpenDone done) override
    {
        const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (xdgOpen.isEmpty()) {
            const bool opened = QDesktopServices::openUrl(url);
            if (done)
                done(opened ? UrlOpenResult::Opened : UrlOpenResult::NoProgram);
            return;
        }
        // Owned by nobody until it ends: a QProcess destroyed at exit would kill xdg-open
        // and with it a browser it keeps in the foreground.
        auto* process = new QProcess;
        auto answer = std::make_shared<UrlOpenDone>(std::move(done));
        auto reply = [answer](UrlOpenResult result) {
            if (UrlOpenDone once = std::exchange(*answer, {}))
                once(result);
        };
        QObject::connect(process, &QProcess::finished, process, [process, reply](int code, QProcess::ExitStatus status) {
            reply(status == QProcess::NormalExit && code == 0 ? UrlOpenResult::Opened : UrlOpenResult::NoProgram);
            process->deleteLater();
        });
        QObject::connect(process, &QProcess::errorOccurred, process, [process, reply](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            reply(UrlOpenResult::NoProgram);
            process->deleteLater();
        });
        QTimer::singleShot(kStillRunningMeansOpened, process, [reply] { reply(UrlOpenResult::Opened); });
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(xdgOpen, {url.toString(QUrl::FullyEncoded)});
    }
};

UrlOpener*& current()
{
    static std::unique_ptr<UrlOpener> desktop = makeDesktopUrlOpener();
    static UrlOpener* installed = desktop.get();
    return installed;
}

} // namespace

std::unique_ptr<UrlOpener> makeDesktopUrlOpener()
{
    return std::make_unique<DesktopUrlOpener>();
}

UrlOpener& urlOpener()
{
    return *current();
}

void openUrl(const QUrl& url, UrlOpenDone done)
{
    urlOpener().open(url, std::move(done));
}

ScopedUrlOpener::ScopedUrlOpener(std::unique_ptr<UrlOpener> opener) : opener_(std::move(opener)), previous_(current())
{
    current() = opener_.get();
}

ScopedUrlOpener::~ScopedUrlOpener()
{
    current() = previous_;
}

} // namespace kavio::platform
