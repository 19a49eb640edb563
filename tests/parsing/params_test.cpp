#include <gtest/gtest.h>

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs {
namespace {

using platform::OleCheck;

std::string valueOf(IParams* params, const std::string& name) {
  std::string value;
  OleCheck(params->get_Value(name, &value));
  return value;
}

TEST(Params, NamesStaySortedByOrdinalOrderAndAnExistingNameIsReplaced) {
  ComPtr<IParams> params = CreateParams();
  for (const char* name : {"src", "HREF", "alt", "Alt", "src"}) OleCheck(params->put_Value(name, name));
  OleCheck(params->put_Value("src", "new"));
  int32_t count = 0;
  OleCheck(params->get_NamesCount(&count));
  ASSERT_EQ(count, 4);
  std::vector<std::string> names;
  for (int32_t i = 0; i < count; ++i) {
    std::string name;
    OleCheck(params->get_Name(i, &name));
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Alt", "HREF", "alt", "src"}));
  EXPECT_EQ(valueOf(params.get(), "src"), "new");
  EXPECT_EQ(valueOf(params.get(), "missing"), "");
  EXPECT_EQ(valueOf(params.get(), "ALT"), "");
}

TEST(Params, ValuesAreReachableByIndexAndABadIndexFails) {
  ComPtr<IParams> params = CreateParams();
  OleCheck(params->put_Value("b", "2"));
  OleCheck(params->put_Value("a", "1"));
  OleCheck(params->put_ValueByNameIndex(1, "two"));
  std::string value;
  OleCheck(params->get_ValueByNameIndex(1, &value));
  EXPECT_EQ(value, "two");
  EXPECT_EQ(valueOf(params.get(), "b"), "two");
  EXPECT_TRUE(platform::Failed(params->get_ValueByNameIndex(2, &value)));
  EXPECT_TRUE(platform::Failed(params->get_Name(-1, &value)));
}

}  // namespace
}  // namespace zs
