#pragma once
// Records the links a test's screens would open, and opens none; answers as a desktop
// with or without the program for them would.

#include "platform/base/UrlOpener.h"

#include <memory>
#include <vector>

namespace kavio::platform {

class RecordingUrlOpener final : public UrlOpener {
public:
    RecordingUrlOpener(std::shared_ptr<std::vector<QUrl>> log, std::shared_ptr<UrlOpenResult> answer)
        : log_(std::move(log)), answer_(std::move(answer))
    {
    }
    void open(const QUrl& url, UrlOpenDone done) override
    {
        log_->push_back(url);
        if (done)
            done(*answer_);
    }

private:
    std::shared_ptr<std::vector<QUrl>> log_;
    std::shared_ptr<UrlOpenResult> answer_;
};

// Installs a recording opener for the test's scope.
class ScopedRecordingUrlOpener {
public:
    ScopedRecordingUrlOpener() : scope_(std::make_unique<RecordingUrlOpener>(opened_, answer_)) {}
    const std::vector<QUrl>& opened() const { return *opened_; }
    // From now on: a desktop with no browser or mail program.
    void answer(UrlOpenResult result) { *answer_ = result; }

private:
    std::shared_ptr<std::vector<QUrl>> opened_ = std::make_shared<std::vector<QUrl>>();
    std::shared_ptr<UrlOpenResult> answer_ = std::make_shared<UrlOpenResult>(UrlOpenResult::Opened);
    ScopedUrlOpener scope_;
};

} // namespace kavio::platform
