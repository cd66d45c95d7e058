#pragma once
// Scripted pickers for tests: a test queues answers, the pickers record each request and
// answer them in order. An answer is delivered from the event loop (or at once on
// deliver()), never inside pick(), as a real dialog answers only after the caller returns.
// A request with no answer queued waits until one is.

#include "platform/modals/Pickers.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace kavio::platform {

struct PickerRequest {
    PickerKind kind;
    QPointer<QWidget> parent;
};

// What the scripted pickers of one test share.
class PickerScript {
public:
    PickerScript() = default;
    PickerScript(const PickerScript&) = delete;
    PickerScript& operator=(const PickerScript&) = delete;

    // The next request's answer; nullopt answers as a cancel.
    void answer(std::optional<std::filesystem::path> answer);
    // Answers every waiting request that has an answer queued, now.
    void deliver();

    const std::vector<PickerRequest>& requests() const { return requests_; }
    std::size_t waitingRequests() const { return waiting_.size(); }
    std::size_t queuedAnswers() const { return answers_.size(); }

private:
    friend class ScriptedPicker;
    struct Waiting {
        QPointer<QWidget> parent;
        bool hadParent;
        PickerCompletion done;
    };
    void request(PickerKind kind, QWidget* parent, PickerCompletion done);
    void scheduleDelivery();

    std::vector<PickerRequest> requests_;
    std::deque<Waiting> waiting_;
    std::deque<std::optional<std::filesystem::path>> answers_;
    bool delivering_ = false;
    QObject deliveries_; // queued deliveries die with the script
};

class ScriptedPicker : public Picker {
public:
    explicit ScriptedPicker(std::shared_ptr<PickerScript> script) : script_(std::move(script)) {}
    void pick(PickerKind kind, QWidget* parent, PickerCompletion done) override;

private:
    std::shared_ptr<PickerScript> script_;
};

// Makes every picker a scripted one for its lifetime; the previous factory comes back after.
class ScopedScriptedPickers {
public:
    ScopedScriptedPickers();
    ScopedScriptedPickers(const ScopedScriptedPickers&) = delete;
    ScopedScriptedPickers& operator=(const ScopedScriptedPickers&) = delete;

    void answer(std::optional<std::filesystem::path> answer) { script_->answer(std::move(answer)); }
    void deliver() { script_->deliver(); }
    const std::vector<PickerRequest>& requests() const { return script_->requests(); }
    std::size_t waitingRequests() const { return script_->waitingRequests(); }
    std::size_t queuedAnswers() const { return script_->queuedAnswers(); }
    PickerScript& script() { return *script_; }

private:
    std::shared_ptr<PickerScript> script_ = std::make_shared<PickerScript>();
    ScopedPickerFactory scope_;
};

} // namespace kavio::platform
