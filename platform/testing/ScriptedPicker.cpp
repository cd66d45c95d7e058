#include "platform/testing/ScriptedPicker.h"

#include "platform/base/Dispatch.h"

namespace kavio::platform {

void PickerScript::answer(std::optional<std::filesystem::path> answer)
{
    answers_.push_back(std::move(answer));
    scheduleDelivery();
}

void PickerScript::request(PickerKind kind, QWidget* parent, PickerCompletion done)
{
    requests_.push_back({kind, parent});
    waiting_.push_back({parent, parent != nullptr, std::move(done)});
    scheduleDelivery();
}

void PickerScript::scheduleDelivery()
{
    dispatchAfter(&deliveries_, std::chrono::milliseconds(0), [this] { deliver(); });
}

void PickerScript::deliver()
{
    // A completion that picks again is answered by the loop already running.
    if (delivering_)
        return;
    delivering_ = true;
    while (!waiting_.empty() && !answers_.empty()) {
        Waiting next = std::move(waiting_.front());
        waiting_.pop_front();
        std::optional<std::filesystem::path> answer = std::move(answers_.front());
        answers_.pop_front();
        // As with the dialog: no answer reaches a screen that has gone.
        if (next.hadParent && !next.parent)
            continue;
        if (next.done)
            next.done(std::move(answer));
    }
    delivering_ = false;
}

void ScriptedPicker::pick(PickerKind kind, QWidget* parent, PickerCompletion done)
{
    script_->request(kind, parent, std::move(done));
}

ScopedScriptedPickers::ScopedScriptedPickers()
    : scope_([script = script_] { return std::make_unique<ScriptedPicker>(script); })
{
}

} // namespace kavio::platform
