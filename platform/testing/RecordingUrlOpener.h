#pragma once
// Records the links a test's screens would open, and opens none.

#include "platform/base/UrlOpener.h"

#include <memory>
#include <vector>

namespace kavio::platform {

class RecordingUrlOpener final : public UrlOpener {
public:
    explicit RecordingUrlOpener(std::shared_ptr<std::vector<QUrl>> log) : log_(std::move(log)) {}
    void open(const QUrl& url) override { log_->push_back(url); }

private:
    std::shared_ptr<std::vector<QUrl>> log_;
};

// Installs a recording opener for the test's scope.
class ScopedRecordingUrlOpener {
public:
    ScopedRecordingUrlOpener() : scope_(std::make_unique<RecordingUrlOpener>(opened_)) {}
    const std::vector<QUrl>& opened() const { return *opened_; }

private:
    std::shared_ptr<std::vector<QUrl>> opened_ = std::make_shared<std::vector<QUrl>>();
    ScopedUrlOpener scope_;
};

} // namespace kavio::platform
