#include "platform/variant.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"

namespace zs::platform {
namespace {

TEST(Variant, ConvertsBetweenKindsTheWaySettingsAreRead) {
  EXPECT_EQ(Variant("42").AsInteger(), 42);
  EXPECT_EQ(Variant(" -7 ").AsInteger(), -7);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
  EXPECT_FALSE(Variant("false").AsBoolean());
  EXPECT_TRUE(Variant("1").AsBoolean());
  EXPECT_FALSE(Variant(0).AsBoolean());
  EXPECT_EQ(Variant(12).AsString(), "12");
  EXPECT_EQ(Variant(false).AsString(), "False");
  EXPECT_EQ(Variant().AsString(), "");
}

TEST(Variant, ValuesThatDoNotConvertRaiseANamedError) {
  for (const Variant& value : {Variant("abc"), Variant(), Variant("12x"), Variant("")}) {
    EXPECT_THROW(value.AsInteger(), EVariantError);
  }
  EXPECT_THROW(Variant("yes").AsBoolean(), EVariantError);
  EXPECT_THROW(Variant("99999999999").AsInteger(), EVariantError);
  try {
    Variant("abc").AsInteger();
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (String) into type (Integer)");
  }
}

TEST(Variant, EqualityConvertsMixedKindsAndNullEqualsOnlyNull) {
  EXPECT_EQ(Variant(10), Variant("10"));
  EXPECT_EQ(Variant(true), Variant("True"));
  EXPECT_EQ(Variant(true), Variant(1));
  EXPECT_FALSE(Variant(10) == Variant("ten"));
  EXPECT_FALSE(Variant("") == Variant());
  EXPECT_EQ(Variant(), Variant());
  EXPECT_FALSE(Variant("a") == Variant("A"));
}

}  // namespace
}  // namespace zs::platform
