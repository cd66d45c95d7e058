#pragma once
// Opening a link in the desktop's browser (or mail program), behind an interface so tests
// record what would have opened instead of opening it.

#include <QUrl>

#include <functional>
#include <memory>

namespace kavio::platform {

class UrlOpener {
public:
    UrlOpener() = default;
    virtual ~UrlOpener() = default;
    UrlOpener(const UrlOpener&) = delete;
    UrlOpener& operator=(const UrlOpener&) = delete;

    // The result is not reported: a link that does not open is the desktop's to show.
    virtual void open(const QUrl& url) = 0;
};

// The process-wide opener: the desktop's, unless a test installed its own.
UrlOpener& urlOpener();
void openUrl(const QUrl& url);

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
