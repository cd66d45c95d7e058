#pragma once
// A car window offscreen with a scratch library, for the browser and player tests.

#include "support/TestSupport.h"

#include "carplay/KavioController.h"
#include "library/Avatar.h"
#include "library/Settings.h"
#include "platform/screens/Window.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <memory>

namespace kavio::carplay::test {

using kavio::test::ScratchFolder;

using kavio::test::fileRecords;
using kavio::test::record;

// Root window of the car display, 800x480, shown offscreen.
class CarWindow {
public:
    CarWindow();
    platform::Window& window() { return *window_; }
    platform::ViewController& root() { return *window_->rootViewController(); }
    void setRoot(std::unique_ptr<platform::ViewController> root);
    // Lets queued work (deferred deletion, layout) run.
    static void settle();

private:
    std::unique_ptr<platform::Window> window_;
};

// Documents of the test's own, with or without right-hand drive set.
class Library {
public:
    Library();
    const std::filesystem::path& documents() const { return documents_; }
    void setRightHandDrive(bool on);

private:
    ScratchFolder scratch_;
    std::filesystem::path documents_;
};

// The player on records[start] of library's Documents, presented over the window's root.
// A record with a stream (or urlLink) plays it; the others play their files.
KavioController* presentPlayer(CarWindow& car, const Library& library, RecordList records, std::size_t start,
                               const std::string& urlLink = "");

} // namespace kavio::carplay::test
