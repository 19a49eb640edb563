// A parameter list as plain name/value pairs, in its order, for comparing in tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs::testing {

using TPairs = std::vector<std::pair<std::string, std::string>>;

inline TPairs ParamsOf(IParams *params) {
  TPairs pairs;
  int32_t count = 0;
  if (params) platform::OleCheck(params->get_NamesCount(&count));
  for (int32_t i = 0; i < count; ++i) {
    std::string name, value;
    platform::OleCheck(params->get_Name(i, &name));
    platform::OleCheck(params->get_ValueByNameIndex(i, &value));
    pairs.emplace_back(name, value);
  }
  return pairs;
}

} // namespace zs::testing
