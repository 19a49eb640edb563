#include "links/url_settings.h"

#include "platform/safecall.h"
#include "platform/text.h"

namespace zs::links {

using platform::OleCheck;

namespace {

const std::string noValue;

// Reads one text setting through a getter of IProfilerNames, once.
template <class Getter>
const std::string &readOnce(std::optional<std::string> &cache, Getter getter) {
  if (!cache) {
    std::string value;
    OleCheck(getter(&value));
    cache = std::move(value);
  }
  return *cache;
}

} // namespace

IProfilerNames &TURLSettings::profiler() {
  if (!profiler_) profiler_ = GetProfiler();
  return *profiler_;
}

bool TURLSettings::IgnorePrefix() {
  if (!ignorePrefix_) {
    bool value = false;
    OleCheck(profiler().get_IgnorePrefix(&value));
    ignorePrefix_ = value;
  }
  return *ignorePrefix_;
}

const std::string &TURLSettings::FirstSiteName() {
  return readOnce(firstSiteName_,
                  [&](std::string *value) { return profiler().get_FirstSiteName(value); });
}

const std::string &TURLSettings::DefaultIndexName() {
  return readOnce(defaultIndexName_,
                  [&](std::string *value) { return profiler().get_DefaultIndexName(value); });
}

TURLSettings::TSchemeValues &TURLSettings::valuesOf(std::string_view scheme) {
  // Schemes come lower-case nearly always: the exact comparison spares the folding.
  for (TSchemeValues &values : schemes_)
    if (values.scheme == scheme || platform::SameTextIgnoringCase(values.scheme, scheme))
      return values;
  return schemes_.emplace_back(TSchemeValues{platform::LowerCase(scheme), {}, {}});
}

// The settings refuse a per-scheme name without its scheme, and a URL without scheme has
// no prefix or port to look up anyway.
const std::string &TURLSettings::PrefixToIgnore(std::string_view scheme) {
  if (scheme.empty()) return noValue;
  TSchemeValues &values = valuesOf(scheme);
  return readOnce(values.prefixToIgnore, [&](std::string *value) {
    return profiler().GetPrefixToIgnore(values.scheme, value);
  });
}

const std::string &TURLSettings::DefaultPort(std::string_view scheme) {
  if (scheme.empty()) return noValue;
  TSchemeValues &values = valuesOf(scheme);
  return readOnce(values.defaultPort, [&](std::string *value) {
    return profiler().GetDefaultPort(values.scheme, value);
  });
}

} // namespace zs::links
