#include "UiTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace kavio::platform::test {

void RecordingController::loadView()
{
    ++loadViewCount_;
    record("loadView");
    auto* root = new QWidget;
    auto* layout = new QVBoxLayout(root);
    closeButton_ = new QPushButton(QStringLiteral("Close"), root);
    layout->addWidget(closeButton_);
    QObject::connect(closeButton_, &QPushButton::clicked, this, [this] {
        if (onClose)
            onClose(*this);
        else
            dismiss(Animated::No);
        touchedAfterClose = true; // the screen must still be alive here
    });
    setView(root);
}

void WindowTest::SetUp()
{
    setAnimationsEnabled(false);
    window = std::make_unique<Window>();
    window->resize(400, 300);
}

void WindowTest::TearDown()
{
    window.reset();
    flushDeferredDeletes();
    setAnimationsEnabled(false);
}

RecordingController* WindowTest::showRoot(const std::string& name)
{
    auto root = make(name);
    RecordingController* raw = root.get();
    window->setRootViewController(std::move(root));
    window->show();
    log.clear();
    return raw;
}

RecordingController* WindowTest::presentOver(ViewController& over, const std::string& name)
{
    auto vc = make(name);
    RecordingController* raw = vc.get();
    over.present(std::move(vc), Animated::No);
    return raw;
}

void flushDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // processEvents alone skips deletions requested outside any event loop, as the
        // test body does; a real event loop would run them on its next turn.
        flushDeferredDeletes();
        QThread::msleep(1);
    }
    return done();
}

} // namespace kavio::platform::test
