// The proxy settings in the custom values of section "Connection Proxy".
#include "retrieval/proxy_data.h"

#include <gtest/gtest.h>

#include "tests/support/test_environment.h"

namespace zs::retrieval {
namespace {

class ProxyData : public ::testing::Test {
protected:
  testing::ScopedHives hives;
};

TEST_F(ProxyData, NothingStoredReadsAsTheSystemsConfiguration) {
  EXPECT_EQ(ReadProxyData(), (TProxyData{0, "http", "", "", ""}));
}

TEST_F(ProxyData, AServerIsReadBackWithItsCredentials) {
  WriteProxyData({2, "ignored", "proxy.example:3128", "ann", "secret"});
  EXPECT_EQ(ReadProxyData(), (TProxyData{2, "http", "proxy.example:3128", "ann", "secret"}));
  EXPECT_EQ(ReadCustom("Connection Proxy", "Use", 2), Variant(2));
  EXPECT_EQ(ReadCustom("Connection Proxy", "Address", 1), Variant("proxy.example:3128"));
}

TEST_F(ProxyData, OtherModesKeepTheServerStoredButDoNotReadIt) {
  WriteProxyData({1, "http", "proxy.example:3128", "ann", "secret"});
  EXPECT_EQ(ReadProxyData(), (TProxyData{1, "http", "", "", ""}));
  EXPECT_EQ(ReadCustom("Connection Proxy", "UserName", 1), Variant("ann"));
}

TEST_F(ProxyData, AModeThatIsNoIntegerReadsAsZero) {
  WriteCustom("Connection Proxy", "Use", Variant("2"), 1);
  WriteCustom("Connection Proxy", "Address", Variant("proxy.example:3128"), 1);
  EXPECT_EQ(ReadProxyData(), (TProxyData{0, "http", "", "", ""}));
}

TEST_F(ProxyData, MissingTextsOfAServerReadEmpty) {
  WriteCustom("Connection Proxy", "Use", Variant(2), 2);
  EXPECT_EQ(ReadProxyData(), (TProxyData{2, "http", "", "", ""}));
}

} // namespace
} // namespace zs::retrieval
