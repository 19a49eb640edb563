// VARIANT: the value of a setting or of an automation argument. Holds Null, a 32-bit
// integer, a Boolean or a UTF-8 string.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace zs::platform {

class Variant {
public:
  enum class Kind { Null, Integer, Boolean, String };

  Variant() = default;
  Variant(int32_t value) : value_(value) {}
  Variant(bool value) : value_(value) {}
  Variant(std::string value) : value_(std::move(value)) {}
  Variant(const char *value) : value_(std::string(value)) {}

  Kind GetKind() const { return static_cast<Kind>(value_.index()); }
  bool IsNull() const { return GetKind() == Kind::Null; }

  // Conversions raise EVariantError when the value does not convert. Null reads as an
  // empty string; a Boolean reads as "True" or "False" and as the integer -1 or 0.
  int32_t AsInteger() const;
  bool AsBoolean() const;
  std::string AsString() const;

  // Values of different kinds are compared after converting one to the other's kind;
  // Null equals only Null.
  friend bool operator==(const Variant &a, const Variant &b);

private:
  std::variant<std::monostate, int32_t, bool, std::string> value_;
};

// Describes the kind for messages ("Null", "Integer", "Boolean", "String").
const char *KindName(Variant::Kind kind);

} // namespace zs::platform
