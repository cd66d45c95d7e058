#pragma once
// Return and Enter as on any desktop. On a focused button they press it: Qt leaves that to
// Space, except for a dialog's auto-default push button. Elsewhere inside a form that has
// a default action (its Save), they run that action; a text field keeps its own Return.

#include <functional>

class QCoreApplication;
class QWidget;

namespace kavio::platform {

// Once per process: every focused button answers Return and Enter.
void installReturnPressesButtons(QCoreApplication& app);

// Return or Enter anywhere inside form that no button or text field takes runs action.
// Lives as long as form.
void setDefaultAction(QWidget* form, std::function<void()> action);

} // namespace kavio::platform
