#include "platform/base/UrlOpener.h"

#include <QDesktopServices>

namespace kavio::platform {

namespace {

class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url) override { QDesktopServices::openUrl(url); }
};

UrlOpener*& current()
{
    static DesktopUrlOpener desktop;
    static UrlOpener* installed = &desktop;
    return installed;
}

} // namespace

UrlOpener& urlOpener()
{
    return *current();
}

void openUrl(const QUrl& url)
{
    urlOpener().open(url);
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
