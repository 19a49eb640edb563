// The description of one named setting: where it is stored, its type and its default.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/variant.h"

namespace zs::settings {

enum class TParamGroup : uint8_t {
  Settings = 0, // stored under "...\Settings"
  PlugIns = 1,  // stored under "...\Plug-ins"; values are module names
  Computed = 2, // never stored
};

// The number of each type is also the ValueType of the custom-value entry points.
enum class TParamType : uint8_t { Text = 1, Integer = 2, Boolean = 3 };

struct TParamRec {
  std::string_view Name;
  TParamGroup Group;
  TParamType ValueType;
  // The name takes a second part after a colon ("PrefixToIgnore:http").
  bool HasParam;
  // Gives the default; an entry with a second part receives it. nullptr: no default (Null).
  platform::Variant (*Default)(std::string_view SecondPart);
};

} // namespace zs::settings
