#include "phone/CopyJob.h"

#include "library/SizeText.h"
#include "platform/base/Dispatch.h"
#include "platform/modals/ProgressController.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <memory>

namespace kavio::phone {

namespace {

constexpr std::chrono::milliseconds kShowAfter{300}; // quick work never flashes a sheet
constexpr std::chrono::milliseconds kTick{100};

QString text(std::string s)
{
    return QString::fromStdString(s);
}

// Lives with the screen it reports over; its death cancels the work.
class CopyJob final : public QObject {
public:
    CopyJob(platform::ViewController& over, QString title, std::function<void(const Status&)> done)
        : QObject(&over), over_(&over), title_(std::move(title)), done_(std::move(done))
    {
        clock_.start();
        tick_ = new QTimer(this);
        tick_->setInterval(kTick);
        connect(tick_, &QTimer::timeout, this, &CopyJob::update);
        tick_->start();
    }
    ~CopyJob() override { control->cancel(); }
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    void finish(const Status& status)
    {
        tick_->stop();
        auto deliver = [this, status] {
            std::function<void(const Status&)> done = std::move(done_);
            deleteLater();
            if (done)
                done(status);
        };
        if (sheet_)
            sheet_->dismiss(platform::Animated::No, deliver);
        else
            deliver();
    }

    const std::shared_ptr<CopyControl> control = std::make_shared<CopyControl>();

private:
    void update()
    {
        if (!sheet_ && clock_.elapsed() >= kShowAfter.count() && over_) {
            auto sheet = std::make_unique<platform::ProgressController>(title_);
            sheet->setCancelHandler([control = control] { control->cancel(); });
            sheet_ = platform::presentProgress(*over_, std::move(sheet));
        }
        if (sheet_ && !sheet_->isCancelRequested()) {
            const std::uint64_t total = control->total();
            const double fraction = total ? static_cast<double>(control->done()) / static_cast<double>(total) : 0;
            sheet_->setProgress(fraction, progressText(control->done(), total, clock_.elapsed() / 1000.0));
        }
    }

    QPointer<platform::ViewController> over_;
    QString title_;
    std::function<void(const Status&)> done_;
    QElapsedTimer clock_;
    QTimer* tick_ = nullptr; // child
    QPointer<platform::ProgressController> sheet_;
};

} // namespace

QString progressText(std::uint64_t done, std::uint64_t total, double elapsedSeconds)
{
    QString line = text(byteCountText(done)) + QObject::tr(" of ") + text(byteCountText(total));
    if (done == 0 || elapsedSeconds < 1 || done >= total)
        return line;
    const double left = (static_cast<double>(total - done) / static_cast<double>(done)) * elapsedSeconds;
    const int seconds = std::max(1, static_cast<int>(std::ceil(left)));
    if (seconds < 60)
        return line + (seconds == 1 ? QObject::tr(", about 1 second left") : QObject::tr(", about %1 seconds left").arg(seconds));
    const int minutes = (seconds + 59) / 60;
    return line + (minutes == 1 ? QObject::tr(", about 1 minute left") : QObject::tr(", about %1 minutes left").arg(minutes));
}

void runCopyJob(platform::ViewController& over, const QString& title, std::function<Status(CopyControl&)> work,
                std::function<void(const Status&)> done)
{
    auto* job = new CopyJob(over, title, std::move(done));
    // Only the control crosses to the worker; the job (and its screen) may be gone by the end.
    platform::dispatchInBackground(job, [control = job->control, work = std::move(work)] { return work(*control); },
                                   [job](const Status& status) { job->finish(status); });
}

} // namespace kavio::phone
