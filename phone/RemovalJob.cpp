#include "phone/RemovalJob.h"

#include "platform/base/Dispatch.h"
#include "platform/modals/ProgressController.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>

namespace kavio::phone {

namespace {

constexpr std::chrono::milliseconds kShowAfter{500}; // quick work never flashes a sheet
constexpr std::chrono::milliseconds kTick{100};

// Shared by the worker, which counts, and the main thread, which shows and cancels.
struct Counter {
    std::atomic<std::size_t> settled{0};
    std::atomic<std::size_t> total{0};
    std::atomic<bool> stop{false};
};

// Lives with the screen it reports over; its death stops the work.
class RemovalJob final : public QObject {
public:
    RemovalJob(platform::ViewController& over, QString title, std::function<void(RemovalOutcome)> done)
        : QObject(&over), over_(&over), title_(std::move(title)), done_(std::move(done))
    {
        clock_.start();
        tick_ = new QTimer(this);
        tick_->setInterval(kTick);
        connect(tick_, &QTimer::timeout, this, &RemovalJob::update);
        tick_->start();
    }
    ~RemovalJob() override { counter->stop = true; }
    RemovalJob(const RemovalJob&) = delete;
    RemovalJob& operator=(const RemovalJob&) = delete;

    void finish(RemovalOutcome outcome)
    {
        tick_->stop();
        auto deliver = [this, outcome = std::move(outcome)]() mutable {
            std::function<void(RemovalOutcome)> done = std::move(done_);
            deleteLater();
            if (done)
                done(std::move(outcome));
        };
        if (sheet_)
            sheet_->dismiss(platform::Animated::No, std::move(deliver));
        else
            deliver();
    }

    const std::shared_ptr<Counter> counter = std::make_shared<Counter>();

private:
    void update()
    {
        if (!sheet_ && clock_.elapsed() >= kShowAfter.count() && over_) {
            auto sheet = std::make_unique<platform::ProgressController>(title_);
            sheet->setCancelHandler([counter = counter] { counter->stop = true; });
            sheet_ = platform::presentProgress(*over_, std::move(sheet));
        }
        if (sheet_ && !sheet_->isCancelRequested()) {
            const std::size_t total = counter->total;
            const std::size_t settled = counter->settled;
            sheet_->setProgress(total ? static_cast<double>(settled) / static_cast<double>(total) : 0,
                                itemProgressText(settled, total));
        }
    }

    QPointer<platform::ViewController> over_;
    QString title_;
    std::function<void(RemovalOutcome)> done_;
    QElapsedTimer clock_;
    QTimer* tick_ = nullptr; // child
    QPointer<platform::ProgressController> sheet_;
};

} // namespace

QString itemProgressText(std::size_t settled, std::size_t total)
{
    const QLocale locale;
    return QObject::tr("%1 of %2 items").arg(locale.toString(static_cast<qulonglong>(settled)),
                                             locale.toString(static_cast<qulonglong>(total)));
}

void runRemovalJob(platform::ViewController& over, const QString& title,
                   std::function<RemovalOutcome(const RemovalProgress&)> work, std::function<void(RemovalOutcome)> done)
{
    auto* job = new RemovalJob(over, title, std::move(done));
    platform::dispatchInBackground(
        job,
        [counter = job->counter, work = std::move(work)] {
            return work([counter](std::size_t settled, std::size_t total) {
                counter->settled = settled;
                counter->total = total;
                return !counter->stop;
            });
        },
        [job](RemovalOutcome outcome) { job->finish(std::move(outcome)); });
}

} // namespace kavio::phone
