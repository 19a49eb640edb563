// A setting changed for the life of an object, and back afterwards.
#pragma once

#include <string>

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs::testing {

struct TScopedParam {
  TScopedParam(std::string Name, const Variant &Value) : name(std::move(Name)) {
    platform::OleCheck(GetProfiler()->get_Param(name, &old));
    Set(Value);
  }
  ~TScopedParam() { platform::OleCheck(GetProfiler()->put_Param(name, old)); }
  void Set(const Variant &Value) { platform::OleCheck(GetProfiler()->put_Param(name, Value)); }
  const std::string name;
  Variant old;
};

} // namespace zs::testing
