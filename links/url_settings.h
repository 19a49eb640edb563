// The settings that URL operations read. Values are read on first use and kept for the life
// of the object, so a parser that lives for one page asks the settings once per scheme
// instead of once per link. Not shared between threads.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "kernel/interfaces.h"

namespace zs::links {

class TURLSettings {
public:
  bool IgnorePrefix();
  const std::string &FirstSiteName();
  const std::string &DefaultIndexName();
  // The scheme may be written in any case; no scheme has no values.
  const std::string &PrefixToIgnore(std::string_view scheme);
  const std::string &DefaultPort(std::string_view scheme);

private:
  struct TSchemeValues {
    std::string scheme; // lower case
    std::optional<std::string> prefixToIgnore;
    std::optional<std::string> defaultPort;
  };

  IProfilerNames &profiler();
  TSchemeValues &valuesOf(std::string_view scheme);

  ComPtr<IProfilerNames> profiler_;
  std::optional<bool> ignorePrefix_;
  std::optional<std::string> firstSiteName_, defaultIndexName_;
  // Few, looked up linearly; a deque keeps the references handed out valid.
  std::deque<TSchemeValues> schemes_;
};

} // namespace zs::links
