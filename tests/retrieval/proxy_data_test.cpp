// The proxy settings in the custom values of section "Connection Proxy".
#include "retrieval/proxy_data.h"

#include <gtest/gtest.h>

#include "tests/support/test_environment.h"

namespace zs::retrieval {
namespace {

TEST(ProxyData, OnlyModeTwoReadsTheServerWhichIsStoredWhateverTheMode) {
  testing::ScopedHives hives;
  EXPECT_EQ(ReadProxyData(), (TProxyData{0, "http", "", "", ""})); // nothing stored
  WriteProxyData({2, "ignored", "proxy.example:3128", "ann", "secret"});
  EXPECT_EQ(ReadProxyData(), (TProxyData{2, "http", "proxy.example:3128", "ann", "secret"}));
  EXPECT_EQ(ReadCustom("Connection Proxy", "Use", 2), Variant(2));
  EXPECT_EQ(ReadCustom("Connection Proxy", "Address", 1), Variant("proxy.example:3128"));
  WriteProxyData({1, "http", "proxy.example:3128", "ann", "secret"});
  EXPECT_EQ(ReadProxyData(), (TProxyData{1, "http", "", "", ""}));
  EXPECT_EQ(ReadCustom("Connection Proxy", "UserName", 1), Variant("ann"));
}

TEST(ProxyData, StoredValuesOfTheWrongKindReadAsNothing) {
  testing::ScopedHives hives;
  WriteCustom("Connection Proxy", "Use", Variant(2), 2);
  EXPECT_EQ(ReadProxyData(), (TProxyData{2, "http", "", "", ""})); // missing texts
  WriteCustom("Connection Proxy", "Use", Variant("2"), 1);
  WriteCustom("Connection Proxy", "Address", Variant("proxy.example:3128"), 1);
  EXPECT_EQ(ReadProxyData(), (TProxyData{0, "http", "", "", ""})); // a mode that is no integer
}

} // namespace
} // namespace zs::retrieval
