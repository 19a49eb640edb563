#include "platform/variant.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"

namespace zs::platform {
namespace {

TEST(Variant, ConvertsBetweenKindsTheWaySettingsAreReadAndRefusesWhatDoesNot) {
  EXPECT_EQ(Variant(" -7 ").AsInteger(), -7);
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
  EXPECT_EQ(Variant(false).AsString(), "False");
  EXPECT_EQ(Variant(10), Variant("10"));
  EXPECT_FALSE(Variant("") == Variant()); // null equals only null
  for (const Variant &value : {Variant("12x"), Variant(), Variant("99999999999")})
    EXPECT_THROW(value.AsInteger(), EVariantError);
  try {
    Variant("yes").AsBoolean();
    ADD_FAILURE() << "no exception";
  } catch (const EVariantError &e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (String) into type (Boolean)");
  }
}

} // namespace
} // namespace zs::platform
