// The storage engine of the named settings and of the free-form custom values.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "kernel/interfaces.h"
#include "platform/com.h"
#include "settings/param_rec.h"

namespace zs::settings {

// The type of a custom value by its number (1 text, 2 integer, 3 Boolean); raises
// EParamSaver for a number that names no type.
TParamType CustomValueType(int ValueType);

class TProfileParamSaver : public platform::TComObject<IILinkMessageSupport> {
public:
  using TOnChange = std::function<void(const std::string &Name, const Variant &Value)>;

  // Any thread. Null for an unknown name or an entry without default.
  Variant GetParam(const std::string &Name);
  // Any thread. Stores the value and announces it in the main thread; a value equal to the
  // current one is neither stored nor announced.
  void SetParam(const std::string &Name, const Variant &Value);

  // GetParam converted; raises EVariantError when the value does not convert.
  std::string GetString(const std::string &Name);
  int32_t GetInteger(const std::string &Name);
  bool GetBoolean(const std::string &Name);

  // Null when missing or stored with another type.
  Variant ReadCustom(const std::string &Section, const std::string &ValueName,
                     TParamType ValueType);
  void WriteCustom(const std::string &Section, const std::string &ValueName, const Variant &Value,
                   TParamType ValueType);
  // The raw bytes of a value of any type; empty when missing.
  std::string ReadCustomData(const std::string &Section, const std::string &ValueName);
  void WriteCustomData(const std::string &Section, const std::string &ValueName,
                       const std::string &Data);

  // The receiver of changes; it is called in the main thread. Empty for none.
  void SetOnChange(TOnChange OnChange);

  // Runs a change posted from another thread.
  void DispatchMessage(void *Message) override;

private:
  void announce(const std::string &Name, const Variant &Value);
  void callOnChange(const std::string &Name, const Variant &Value);

  std::mutex onChangeLock_; // guards onChange_
  TOnChange onChange_;
};

} // namespace zs::settings
