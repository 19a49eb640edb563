#include "settings/profile_param_saver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <utility>
#include <vector>

#include "platform/folders.h"
#include "platform/registry.h"
#include "settings/param_tables.h"
#include "tests/support/test_environment.h"

namespace zs::settings {
namespace {

using platform::RegRoot;
using platform::RegValue;

const std::string settingsKey = "Software\\Zelvor\\Sumbra\\Settings";
const std::string plugInsKey = "Software\\Zelvor\\Sumbra\\Plug-ins";

// Same kind and same text: Variant's own == would take "10" for 10.
void expectSame(const Variant &actual, const Variant &expected, const std::string &context) {
  EXPECT_EQ(actual.GetKind(), expected.GetKind()) << context;
  EXPECT_EQ(actual.AsString(), expected.AsString()) << context;
}

template <class Exception, class Body> std::string messageOf(Body &&body) {
  try {
    body();
  } catch (const Exception &e) {
    return e.what();
  }
  return "(nothing raised)";
}

class ParamSaver : public ::testing::Test {
protected:
  void SetUp() override {
    saver->SetOnChange([this](const std::string &name, const Variant &value) {
      changes.emplace_back(name, value.AsString());
    });
  }
  std::optional<RegValue> stored(RegRoot root, const std::string &key, const std::string &name) {
    return platform::RegQueryValue(root, key, name);
  }

  testing::ScopedHives hives;
  ComPtr<TProfileParamSaver> saver = platform::MakeCom<TProfileParamSaver>();
  std::vector<std::pair<std::string, std::string>> changes;
};

TEST_F(ParamSaver, ValuesOfTheSettingsTypeAreReadPerUserThenMachineWideThenTheDefault) {
  const std::pair<const char *, Variant> defaults[] = {
      {"MaxGetProcessAllowed", int32_t{10}},
      {"PrefixToIgnore:ftp", "ftp"},
      {"PrefixToIgnore:gopher", ""},
      {"ModulesPath", platform::ProgramFolder() + "Ext Modules/"},
      {"NoSuchSetting", Variant()},
  };
  for (const auto &[name, expected] : defaults)
    expectSame(saver->GetParam(name), expected, name);
  const auto store = [](RegRoot root, const std::string &key, const char *name, RegValue value) {
    platform::RegSetValue(root, key, name, value);
  };
  store(RegRoot::LocalMachine, plugInsKey, "PluginInetModuleName:http",
        RegValue::FromString("/machine/inet.so"));
  store(RegRoot::LocalMachine, settingsKey, "DefaultPort:https", RegValue::FromString("443"));
  EXPECT_EQ(saver->GetString("PluginInetModuleName:http"), "/machine/inet.so");
  EXPECT_EQ(saver->GetString("DefaultPort:https"), "443");
  store(RegRoot::CurrentUser, plugInsKey, "PluginInetModuleName:http",
        RegValue::FromString("/user/inet.so"));
  EXPECT_EQ(saver->GetString("PluginInetModuleName:http"), "/user/inet.so");
  // A module name without a folder lies in the modules folder.
  store(RegRoot::CurrentUser, plugInsKey, "PluginParserModuleName:html",
        RegValue::FromString("mods/../parser.so"));
  EXPECT_EQ(saver->GetString("PluginParserModuleName:html"), ModulesPath() + "parser.so");

  // A stored value of another registry type than its setting's counts as none.
  store(RegRoot::CurrentUser, settingsKey, "UserAgent", RegValue::FromDWord(7));
  store(RegRoot::CurrentUser, settingsKey, "MaxGetProcessAllowed", RegValue::FromString("5"));
  store(RegRoot::CurrentUser, settingsKey, "IgnoreSSLInexactnesses",
        RegValue::FromBinary(std::string(4, '\0')));
  EXPECT_EQ(saver->GetString("UserAgent"), "Zelvor Sumbra!/ver 1.0");
  EXPECT_EQ(saver->GetInteger("MaxGetProcessAllowed"), 10);
  EXPECT_TRUE(saver->GetBoolean("IgnoreSSLInexactnesses"));
  // A Boolean is true when its low 16 bits are not zero.
  for (const auto &[word, expected] : {std::pair{65536u, false}, {65537u, true}, {2u, true}}) {
    store(RegRoot::CurrentUser, settingsKey, "IgnorePrefix", RegValue::FromDWord(word));
    EXPECT_EQ(saver->GetBoolean("IgnorePrefix"), expected) << word;
  }
}

TEST_F(ParamSaver, WritesStoreInTheEntrysHiveAndKeyAndAnnounceOnlyChanges) {
  saver->SetParam("UserAgent", "Zelvor Sumbra!/ver 1.0"); // the current value: nothing to do
  saver->SetParam("MaxGetProcessAllowed", "12");
  saver->SetParam("IgnorePrefix", false);
  saver->SetParam("IgnorePrefix", true);
  saver->SetParam("PluginParserModuleName:css", "css.so");
  saver->SetParam("PluginXMLProviderModuleName", "/x/xml.so");
  EXPECT_FALSE(stored(RegRoot::CurrentUser, settingsKey, "UserAgent"));
  EXPECT_EQ(stored(RegRoot::CurrentUser, settingsKey, "MaxGetProcessAllowed")->AsDWord(), 12u);
  EXPECT_EQ(stored(RegRoot::CurrentUser, settingsKey, "IgnorePrefix")->AsDWord(), 1u);
  EXPECT_EQ(stored(RegRoot::CurrentUser, plugInsKey, "PluginParserModuleName:css")->Data, "css.so");
  EXPECT_EQ(stored(RegRoot::LocalMachine, plugInsKey, "PluginXMLProviderModuleName")->Data,
            "/x/xml.so");
  EXPECT_EQ(changes, (std::vector<std::pair<std::string, std::string>>{
                         {"MaxGetProcessAllowed", "12"},
                         {"IgnorePrefix", "False"},
                         {"IgnorePrefix", "True"},
                         {"PluginParserModuleName:css", "css.so"},
                         {"PluginXMLProviderModuleName", "/x/xml.so"}}));
}

TEST_F(ParamSaver, RefusedWritesNameTheirReasonAndChangeNothing) {
  const std::tuple<const char *, Variant, const char *> cases[] = {
      {"MaxGetProcessAllowed", "abc", "Invalid value. Need integer."},
      {"IgnorePrefix", "maybe", "Invalid value. Need boolean."},
      {"FirstSiteName", "other", "No such parameter"},
      {"NoSuchSetting", Variant(), "No such parameter"},
      {"PrefixToIgnore", "x", "Needs second param"},
      {"PluginInetModuleName:", "x", "Needs second param"},
  };
  for (const auto &[name, value, message] : cases)
    EXPECT_EQ(messageOf<EParamSaver>([&] { saver->SetParam(name, value); }), message) << name;
  EXPECT_EQ(messageOf<EParamSaver>([&] { saver->GetParam("DefaultPort"); }), "Needs second param");
  EXPECT_EQ(saver->GetInteger("MaxGetProcessAllowed"), 10);
  EXPECT_TRUE(changes.empty());
}

TEST_F(ParamSaver, CustomValuesRoundTripAndAWrongTypeReadsAsNothing) {
  WriteCustom("Connection Proxy", "Use", int32_t{2}, 2);
  WriteCustomData("Main Window", "Layout", std::string("\0\1\2x", 4));
  expectSame(ReadCustom("Connection Proxy", "Use", 2), int32_t{2}, "Use");
  expectSame(ReadCustom("Connection Proxy", "Use", 1), Variant(), "wrong type");
  EXPECT_EQ(ReadCustomData("Main Window", "Layout"), std::string("\0\1\2x", 4));
  EXPECT_EQ(messageOf<EParamSaver>([] { ReadCustom("S", "V", 7); }), "Unknown value type 7");
}

TEST_F(ParamSaver, ACorruptOrReadOnlyHiveRefusesWritesAndAnnouncesNothing) {
  saver->SetParam("UserAgent", "kept");
  ASSERT_EQ(chmod(hives.UserHive().c_str(), 0444), 0);
  platform::RegCloseHives();
  EXPECT_THROW(saver->SetParam("UserAgent", "lost"), platform::EOSError);
  EXPECT_THROW(WriteCustom("S", "V", "lost", 1), platform::EOSError);
  EXPECT_EQ(saver->GetString("UserAgent"), "kept");
  // A corrupt hive reads as the defaults and is left as it was.
  const std::string garbage = "this is not a settings database, not even close";
  ASSERT_EQ(chmod(hives.UserHive().c_str(), 0644), 0);
  testing::WriteFile(hives.UserHive(), garbage);
  platform::RegCloseHives();
  EXPECT_EQ(saver->GetString("UserAgent"), "Zelvor Sumbra!/ver 1.0");
  EXPECT_THROW(saver->SetParam("MaxGetProcessAllowed", int32_t{3}), platform::EOSError);
  EXPECT_EQ(testing::ReadFile(hives.UserHive()), garbage);
  EXPECT_EQ(changes.size(), 1u);
}

} // namespace
} // namespace zs::settings
