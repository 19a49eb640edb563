// How the objects of the automation service answer: what a step gives, or, when it raises,
// a D-Bus error whose message is the system's own text of the error.
#pragma once

#include <QDBusContext>
#include <QDBusMessage>
#include <string>

#include "kernel/interfaces.h"
#include "ui/common/automation_names.h"

namespace zs::ui {

// Runs Work inside a call that Context is serving; a failure becomes the call's error reply
// and a default value is returned in its place.
template <class Step> auto AnswerCall(QDBusContext &Context, Step &&Work) -> decltype(Work()) {
  try {
    return Work();
  } catch (...) {
    std::string source, text;
    ExceptionToText(std::current_exception(), source, text);
    Context.sendErrorReply(AutomationErrorName, QString::fromStdString(text));
    if constexpr (!std::is_void_v<decltype(Work())>) return {};
  }
}

} // namespace zs::ui
