#include "phone/BusyRetry.h"

#include "library/FolderChange.h"
#include "platform/base/Dispatch.h"

#include <chrono>
#include <memory>

namespace kavio::phone {

namespace {

constexpr std::chrono::milliseconds kRetryEvery{50};

struct Retry {
    std::function<bool()> attempt;
    std::function<void()> gaveUp;
    std::chrono::steady_clock::time_point deadline;
};

void tryAgainLater(QObject* owner, std::shared_ptr<Retry> retry)
{
    platform::dispatchAfter(owner, kRetryEvery, [owner, retry] {
        if (retry->attempt())
            return;
        if (std::chrono::steady_clock::now() >= retry->deadline)
            retry->gaveUp();
        else
            tryAgainLater(owner, retry);
    });
}

} // namespace

void retryWhileBusy(QObject* owner, std::function<bool()> attempt, std::function<void()> gaveUp)
{
    if (attempt())
        return;
    tryAgainLater(owner, std::make_shared<Retry>(Retry{std::move(attempt), std::move(gaveUp),
                                                       std::chrono::steady_clock::now() + kWindowWaitsForFolder}));
}

} // namespace kavio::phone
