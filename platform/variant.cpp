#include "platform/variant.h"

#include <charconv>
#include <strings.h>

#include "platform/exceptions.h"

namespace zs::platform {

namespace {

[[noreturn]] void raiseConversion(Variant::Kind from, const char *to) {
  throw EVariantError(std::string("Could not convert variant of type (") + KindName(from) +
                      ") into type (" + to + ")");
}

bool parseInteger(const std::string &text, int32_t &value) {
  const char *first = text.data();
  const char *last = first + text.size();
  while (first < last && *first == ' ')
    ++first;
  while (last > first && last[-1] == ' ')
    --last;
  if (first < last && *first == '+') ++first;
  auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last && first != last;
}

} // namespace

const char *KindName(Variant::Kind kind) {
  switch (kind) {
  case Variant::Kind::Null: return "Null";
  case Variant::Kind::Integer: return "Integer";
  case Variant::Kind::Boolean: return "Boolean";
  case Variant::Kind::String: return "String";
  }
  return "Unknown";
}

int32_t Variant::AsInteger() const {
  switch (GetKind()) {
  case Kind::Integer: return std::get<int32_t>(value_);
  case Kind::Boolean: return std::get<bool>(value_) ? -1 : 0;
  case Kind::String: {
    int32_t value = 0;
    if (parseInteger(std::get<std::string>(value_), value)) return value;
    break;
  }
  case Kind::Null: break;
  }
  raiseConversion(GetKind(), "Integer");
}

bool Variant::AsBoolean() const {
  switch (GetKind()) {
  case Kind::Integer: return std::get<int32_t>(value_) != 0;
  case Kind::Boolean: return std::get<bool>(value_);
  case Kind::String: {
    const std::string &text = std::get<std::string>(value_);
    if (strcasecmp(text.c_str(), "true") == 0) return true;
    if (strcasecmp(text.c_str(), "false") == 0) return false;
    int32_t value = 0;
    if (parseInteger(text, value)) return value != 0;
    break;
  }
  case Kind::Null: break;
  }
  raiseConversion(GetKind(), "Boolean");
}

std::string Variant::AsString() const {
  switch (GetKind()) {
  case Kind::Null: return std::string();
  case Kind::Integer: return std::to_string(std::get<int32_t>(value_));
  case Kind::Boolean: return std::get<bool>(value_) ? "True" : "False";
  case Kind::String: return std::get<std::string>(value_);
  }
  return std::string();
}

bool operator==(const Variant &a, const Variant &b) {
  using Kind = Variant::Kind;
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
  if (a.GetKind() == b.GetKind()) return a.value_ == b.value_;
  // Mixed kinds: convert the string side (if any) to the other kind; a string that does not
  // convert differs from every number.
  try {
    if (a.GetKind() == Kind::Boolean || b.GetKind() == Kind::Boolean)
      return a.AsBoolean() == b.AsBoolean();
    return a.AsInteger() == b.AsInteger();
  } catch (const EVariantError &) {
    return false; // not convertible: the values differ
  }
}

} // namespace zs::platform
