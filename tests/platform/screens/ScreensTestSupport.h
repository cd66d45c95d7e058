#pragma once
// A controller that records its lifecycle, and a window to put it in.

#include "platform/base/Animated.h"
#include "platform/screens/ViewController.h"
#include "platform/screens/Window.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kavio::platform::test {

using Log = std::vector<std::string>;

// Runs deferred deletions now, as the event loop would on its next turn.
inline void flushDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class RecordingController : public ViewController {
public:
    RecordingController(std::string name, Log& log) : name_(std::move(name)), log_(log) {}

    QPushButton* closeButton() const { return closeButton_; }
    // What the close button does; by default it dismisses this screen.
    std::function<void(RecordingController&)> onClose;
    bool touchedAfterClose = false;

protected:
    void loadView() override
    {
        record("loadView");
        auto* root = new QWidget;
        closeButton_ = new QPushButton(QStringLiteral("Close"), root);
        QObject::connect(closeButton_, &QPushButton::clicked, this, [this] {
            if (onClose)
                onClose(*this);
            else
                dismiss(Animated::No);
            touchedAfterClose = true; // the screen must still be alive here
        });
        setView(root);
    }
    void viewDidLoad() override { record("viewDidLoad"); }
    void viewWillAppear(Animated) override { record("willAppear"); }
    void viewDidAppear(Animated) override { record("didAppear"); }
    void viewWillDisappear(Animated) override { record("willDisappear"); }
    void viewDidDisappear(Animated) override { record("didDisappear"); }

    void record(const char* event) { log_.push_back(name_ + "." + event); }

private:
    std::string name_;
    Log& log_;
    QPushButton* closeButton_ = nullptr;
};

// A window with animations off; the log records every controller's lifecycle.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { window->resize(400, 300); } // animations are off from main() and each TearDown
    void TearDown() override
    {
        window.reset();
        flushDeferredDeletes();
        setAnimationsEnabled(false);
    }

    // What happened since the last call.
    Log events() { return std::exchange(log, {}); }
    std::unique_ptr<RecordingController> make(const std::string& name)
    {
        return std::make_unique<RecordingController>(name, log);
    }
    // Shows the window with this root and clears the log.
    template <class Controller>
    Controller* showAsRoot(std::unique_ptr<Controller> root)
    {
        Controller* raw = root.get();
        window->setRootViewController(std::move(root));
        window->show();
        log.clear();
        return raw;
    }
    RecordingController* showRoot(const std::string& name = "root") { return showAsRoot(make(name)); }
    RecordingController* presentOver(ViewController& over, const std::string& name,
                                     ModalPresentationStyle style = ModalPresentationStyle::FullScreen)
    {
        auto vc = make(name);
        RecordingController* raw = vc.get();
        vc->setModalPresentationStyle(style);
        over.present(std::move(vc), Animated::No);
        return raw;
    }

    Log log;
    std::unique_ptr<Window> window = std::make_unique<Window>();
};

} // namespace kavio::platform::test
