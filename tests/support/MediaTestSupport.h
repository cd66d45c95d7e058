#pragma once
// Small helpers shared by the media tests.

#include "platform/media/ScreenSaverInhibitor.h"

#include <QStringList>
#include <QTest>

#include <memory>

namespace kavio::platform::test {

// Counts what the audio session asks of the screen saver.
struct InhibitorLog {
    int inhibits = 0;
    int uninhibits = 0;
    QStringList lastArguments;
};

// Shares its log, so the shared audio session may keep it after the test has ended.
class RecordingInhibitor : public ScreenSaverInhibitor {
public:
    explicit RecordingInhibitor(std::shared_ptr<InhibitorLog> log) : log_(std::move(log)) {}
    void inhibit(const QString& application, const QString& reason) override
    {
        ++log_->inhibits;
        log_->lastArguments = {application, reason};
    }
    void uninhibit() override { ++log_->uninhibits; }

private:
    std::shared_ptr<InhibitorLog> log_;
};

} // namespace kavio::platform::test
