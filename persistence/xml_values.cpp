#include "persistence/xml_values.h"

#include <charconv>

namespace zs::persistence {

using platform::OleCheck;

std::string AttributeText(IXMLElement *Element, const std::string &Name) {
  std::string value;
  bool present = false;
  OleCheck(Element->GetAttribute(Name, &value, &present));
  return value;
}

void SetAttributeText(IXMLElement *Element, const std::string &Name, const std::string &Value) {
  OleCheck(Element->SetAttribute(Name, Value));
}

template <class Integer> bool parseDecimal(std::string_view Text, Integer &Value) {
  size_t first = Text.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  Text = Text.substr(first, Text.find_last_not_of(' ') - first + 1);
  // from_chars takes a minus but not a plus.
  if (Text.starts_with('+')) {
    Text.remove_prefix(1);
    if (Text.starts_with('-')) return false;
  }
  Integer parsed = 0;
  auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), parsed);
  if (error != std::errc() || end != Text.data() + Text.size()) return false;
  Value = parsed;
  return true;
}

bool ParseDecimal(std::string_view Text, int32_t &Value) { return parseDecimal(Text, Value); }
bool ParseDecimal(std::string_view Text, int64_t &Value) { return parseDecimal(Text, Value); }

} // namespace zs::persistence
