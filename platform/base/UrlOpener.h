#pragma once
// Opening a link in the desktop's browser (or mail program), behind an interface so tests
// record what would have opened instead of opening it.

#include <QUrl>

#include <functional>
#include <memory>

namespace kavio::platform {

// Whether a program took the link. A desktop with no browser or mail program set up
// says so only after a moment, so the answer comes later.
enum class UrlOpenResult { Opened, NoProgram };
using UrlOpenDone = std::function<void(UrlOpenResult)>;

class UrlOpener {
public:
    UrlOpener() = default;
    virtual ~UrlOpener() = default;
    UrlOpener(const UrlOpener&) = delete;
    UrlOpener& operator=(const UrlOpener&) = delete;

    // done, when given, runs once on the main thread.
    virtual void open(const QUrl& url, UrlOpenDone done) = 0;
};

// The process-wide opener: the desktop's, unless a test installed its own.
UrlOpener& urlOpener();
void openUrl(const QUrl& url, UrlOpenDone done = {});

// The desktop's own: xdg-open, whose exit status tells whether a program took the link
// (one still running after a few seconds has: a browser started in the foreground);
// without xdg-open, Qt's own launcher.
std::unique_ptr<UrlOpener> makeDesktopUrlOpener();

// Installs an opener for one scope (a test) and puts the previous one back.
class ScopedUrlOpener {
public:
    explicit ScopedUrlOpener(std::unique_ptr<UrlOpener> opener);
    ~ScopedUrlOpener();
    ScopedUrlOpener(const ScopedUrlOpener&) = delete;
    ScopedUrlOpener& operator=(const ScopedUrlOpener&) = delete;

private:
    std::unique_ptr<UrlOpener> opener_;
    UrlOpener* previous_;
};

} // namespace kavio::platform
