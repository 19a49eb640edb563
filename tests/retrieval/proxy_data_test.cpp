// The proxy settings, kept in the custom values under "Connection Proxy".
#include "retrieval/proxy_data.h"

#include <gtest/gtest.h>

#include "tests/support/test_environment.h"

namespace zs::retrieval {
namespace {

TEST(ProxyData, OnlyModeTwoReadsTheServerAndStoredValuesOfTheWrongKindReadAsNothing) {
  testing::ScopedHives hives;
  EXPECT_EQ(ReadProxyData(), (TProxyData{0, "http", "", "", ""})); // nothing stored
  // Whatever the protocol given, it reads as http; the server only in mode two.
  WriteProxyData({1, "ftp", "proxy.example:3128", "ann", "secret"});
  EXPECT_EQ(ReadProxyData(), (TProxyData{1, "http", "", "", ""}));
  WriteCustom("Connection Proxy", "Use", Variant("2"), 1);
  EXPECT_EQ(ReadProxyData(), (TProxyData{0, "http", "", "", ""})); // a mode that is no integer
  WriteCustom("Connection Proxy", "Use", Variant(2), 2);
  WriteCustom("Connection Proxy", "Address", Variant(5), 2);
  EXPECT_EQ(ReadProxyData().Address, ""); // an address that is no text
}

} // namespace
} // namespace zs::retrieval
