#pragma once
// Helpers shared by the user-interface tests: a controller that records its lifecycle,
// and event-loop helpers.

#include "platform/ViewController.h"
#include "platform/Window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPushButton;

namespace kavio::platform::test {

using Log = std::vector<std::string>;

class RecordingController : public ViewController {
public:
    RecordingController(std::string name, Log& log) : name_(std::move(name)), log_(log) {}

    const std::string& name() const { return name_; }
    int loadViewCount() const { return loadViewCount_; }
    QPushButton* closeButton() const { return closeButton_; }
    // What the close button does; by default it dismisses this screen.
    std::function<void(RecordingController&)> onClose;
    bool touchedAfterClose = false;

protected:
    void loadView() override;
    void viewDidLoad() override { record("viewDidLoad"); }
    void viewWillAppear(Animated) override { record("willAppear"); }
    void viewDidAppear(Animated) override { record("didAppear"); }
    void viewWillDisappear(Animated) override { record("willDisappear"); }
    void viewDidDisappear(Animated) override { record("didDisappear"); }

    void record(const char* event) { log_.push_back(name_ + "." + event); }

private:
    std::string name_;
    Log& log_;
    int loadViewCount_ = 0;
    QPushButton* closeButton_ = nullptr;
};

// A shown window with animations off; the log records every controller's lifecycle.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<RecordingController> make(const std::string& name)
    {
        return std::make_unique<RecordingController>(name, log);
    }
    // Installs a recording root, shows the window and clears the log.
    RecordingController* showRoot(const std::string& name = "root");
    // Presents a recording controller over `over` without animation.
    RecordingController* presentOver(ViewController& over, const std::string& name);

    Log log;
    std::unique_ptr<Window> window;
};

// Runs deferred deletions now, as the event loop would on its next turn.
void flushDeferredDeletes();
// Turns the event loop (deferred deletions included) until done() holds or the timeout
// passes; returns done().
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

} // namespace kavio::platform::test
