#include <gtest/gtest.h>

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs {
namespace {

using platform::OleCheck;

std::string valueOf(IParams *params, const std::string &name) {
  std::string value;
  OleCheck(params->get_Value(name, &value));
  return value;
}

TEST(Params, NamesStaySortedByOrdinalOrderAndAreReachableByNameAndIndex) {
  ComPtr<IParams> params = CreateParams();
  for (const char *name : {"src", "HREF", "alt", "Alt", "src"})
    OleCheck(params->put_Value(name, name));
  OleCheck(params->put_Value("src", "new"));
  OleCheck(params->put_ValueByNameIndex(1, "two"));
  int32_t count = 0;
  OleCheck(params->get_NamesCount(&count));
  std::vector<std::string> pairs;
  for (int32_t i = 0; i < count; ++i) {
    std::string name, value;
    OleCheck(params->get_Name(i, &name));
    OleCheck(params->get_ValueByNameIndex(i, &value));
    pairs.push_back(name + "=" + value);
  }
  EXPECT_EQ(pairs, (std::vector<std::string>{"Alt=Alt", "HREF=two", "alt=alt", "src=new"}));
  EXPECT_EQ(valueOf(params.get(), "HREF"), "two");
  EXPECT_EQ(valueOf(params.get(), "missing"), "");
  EXPECT_EQ(valueOf(params.get(), "ALT"), "");
  std::string value;
  EXPECT_TRUE(platform::Failed(params->get_ValueByNameIndex(4, &value)));
  EXPECT_TRUE(platform::Failed(params->get_Name(-1, &value)));
}

} // namespace
} // namespace zs
