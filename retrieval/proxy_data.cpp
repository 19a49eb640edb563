#include "retrieval/proxy_data.h"

#include "retrieval/win_inet_connector.h"

namespace zs::retrieval {

namespace {

constexpr const char *Section = "Connection Proxy";
constexpr uint8_t TextValue = 1;
constexpr uint8_t IntegerValue = 2;

std::string readText(const char *name) {
  Variant value = ReadCustom(Section, name, TextValue);
  return value.IsNull() ? std::string() : value.AsString();
}

} // namespace

TProxyData ReadProxySettings() {
  TProxyData proxy;
  Variant use = ReadCustom(Section, "Use", IntegerValue);
  proxy.Use = use.IsNull() ? 0 : use.AsInteger();
  proxy.Protocol = "http";
  if (proxy.Use == 2) {
    proxy.Address = readText("Address");
    proxy.UserName = readText("UserName");
    proxy.Password = readText("Password");
  }
  return proxy;
}

void WriteProxySettings(const TProxyData &Proxy) {
  WriteCustom(Section, "Use", Variant(Proxy.Use), IntegerValue);
  WriteCustom(Section, "Address", Variant(Proxy.Address), TextValue);
  WriteCustom(Section, "UserName", Variant(Proxy.UserName), TextValue);
  WriteCustom(Section, "Password", Variant(Proxy.Password), TextValue);
  ResendSettings();
}

} // namespace zs::retrieval
