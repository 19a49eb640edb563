#include "settings/profile_param_saver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
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

TEST_F(ParamSaver, UnsetSettingsReadAsTheirDefaults) {
  const std::pair<const char *, Variant> cases[] = {
      {"MaxGetProcessAllowed", int32_t{10}},
      {"UserAgent", "Zelvor Sumbra!/ver 1.0"},
      {"IgnoreSSLInexactnesses", true},
      {"PrefixToIgnore:ftp", "ftp"},
      {"PrefixToIgnore:gopher", ""},
      {"DefaultPort:https", "80"},
      {"DefaultPort:file", ""},
      {"PluginParserModuleName:html", Variant()},
      {"PluginXMLProviderModuleName", ""},
      {"FirstSiteName", "# First Site"},
      {"ModulesPath", platform::ProgramFolder() + "Ext Modules/"},
      {"NoSuchSetting", Variant()},
  };
  for (const auto &[name, expected] : cases)
    expectSame(saver->GetParam(name), expected, name);
}

TEST_F(ParamSaver, UserJobListLiesInTheApplicationDataFolder) {
  testing::TempDir data;
  const char *old = std::getenv("XDG_DATA_HOME");
  const std::string previous = old ? old : "";
  setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
  const std::string jobList = saver->GetString("UserJobList");
  previous.empty() ? unsetenv("XDG_DATA_HOME") : setenv("XDG_DATA_HOME", previous.c_str(), 1);
  EXPECT_EQ(jobList, data.Path() + "Zelvor/Zelvor Sumbra/" + platform::UserName() + ".jl");
}

TEST_F(ParamSaver, NamesThatNeedASecondPartAreRefusedWithoutOne) {
  for (const char *name :
       {"PrefixToIgnore", "PrefixToIgnore:", "DefaultPort", "PluginInetModuleName:"}) {
    EXPECT_EQ(messageOf<EParamSaver>([&] { saver->GetParam(name); }), "Needs second param") << name;
    EXPECT_EQ(messageOf<EParamSaver>([&] { saver->SetParam(name, "x"); }), "Needs second param")
        << name;
  }
}

TEST_F(ParamSaver, StoredValuesAreReadPerUserFirstThenMachineWide) {
  platform::RegSetValue(RegRoot::LocalMachine, plugInsKey, "PluginInetModuleName:http",
                        RegValue::FromString("/machine/inet.so"));
  platform::RegSetValue(RegRoot::LocalMachine, settingsKey, "DefaultPort:https",
                        RegValue::FromString("443"));
  EXPECT_EQ(saver->GetString("PluginInetModuleName:http"), "/machine/inet.so");
  EXPECT_EQ(saver->GetString("DefaultPort:https"), "443");
  platform::RegSetValue(RegRoot::CurrentUser, plugInsKey, "PluginInetModuleName:http",
                        RegValue::FromString("/user/inet.so"));
  EXPECT_EQ(saver->GetString("PluginInetModuleName:http"), "/user/inet.so");
  // A module name without a folder lies in the modules folder.
  platform::RegSetValue(RegRoot::CurrentUser, plugInsKey, "PluginParserModuleName:html",
                        RegValue::FromString("mods/../parser.so"));
  EXPECT_EQ(saver->GetString("PluginParserModuleName:html"), ModulesPath() + "parser.so");
}

TEST_F(ParamSaver, AStoredValueCountsOnlyWithTheRegistryTypeOfItsSetting) {
  const auto store = [](const char *name, RegValue value) {
    platform::RegSetValue(RegRoot::CurrentUser, settingsKey, name, value);
  };
  store("UserAgent", RegValue::FromDWord(7));
  store("MaxGetProcessAllowed", RegValue::FromString("5"));
  store("IgnoreSSLInexactnesses", RegValue::FromBinary(std::string(4, '\0')));
  EXPECT_EQ(saver->GetString("UserAgent"), "Zelvor Sumbra!/ver 1.0");
  EXPECT_EQ(saver->GetInteger("MaxGetProcessAllowed"), 10);
  EXPECT_TRUE(saver->GetBoolean("IgnoreSSLInexactnesses"));
  // A Boolean is true when its low 16 bits are not zero.
  for (const auto &[word, expected] : {std::pair{65536u, false}, {65537u, true}, {2u, true}}) {
    store("IgnorePrefix", RegValue::FromDWord(word));
    EXPECT_EQ(saver->GetBoolean("IgnorePrefix"), expected) << word;
  }
}

TEST_F(ParamSaver, WritesStoreInTheEntrysHiveAndKeyAndAnnounceAtOnce) {
  saver->SetParam("MaxGetProcessAllowed", "12");
  saver->SetParam("IgnorePrefix", false);
  saver->SetParam("IgnorePrefix", true);
  saver->SetParam("PluginParserModuleName:css", "css.so");
  saver->SetParam("PluginXMLProviderModuleName", "/x/xml.so");
  EXPECT_EQ(stored(RegRoot::CurrentUser, settingsKey, "MaxGetProcessAllowed")->AsDWord(), 12u);
  EXPECT_EQ(stored(RegRoot::CurrentUser, settingsKey, "IgnorePrefix")->AsDWord(), 1u);
  EXPECT_EQ(stored(RegRoot::CurrentUser, plugInsKey, "PluginParserModuleName:css")->Data, "css.so");
  EXPECT_EQ(stored(RegRoot::LocalMachine, plugInsKey, "PluginXMLProviderModuleName")->Data,
            "/x/xml.so");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"MaxGetProcessAllowed", "12"},
      {"IgnorePrefix", "False"},
      {"IgnorePrefix", "True"},
      {"PluginParserModuleName:css", "css.so"},
      {"PluginXMLProviderModuleName", "/x/xml.so"}};
  EXPECT_EQ(changes, expected);
}

TEST_F(ParamSaver, WritingTheCurrentValueStoresAndAnnouncesNothing) {
  saver->SetParam("MaxGetProcessAllowed", int32_t{10});
  saver->SetParam("MaxGetProcessAllowed", "10");
  EXPECT_FALSE(stored(RegRoot::CurrentUser, settingsKey, "MaxGetProcessAllowed"));
  EXPECT_TRUE(changes.empty());
}

TEST_F(ParamSaver, RefusedWritesNameTheirReasonAndChangeNothing) {
  const std::tuple<const char *, Variant, const char *> cases[] = {
      {"MaxGetProcessAllowed", "abc", "Invalid value. Need integer."},
      {"IgnorePrefix", "maybe", "Invalid value. Need boolean."},
      {"FirstSiteName", "other", "No such parameter"},
      {"NoSuchSetting", Variant(), "No such parameter"},
  };
  for (const auto &[name, value, message] : cases)
    EXPECT_EQ(messageOf<EParamSaver>([&] { saver->SetParam(name, value); }), message) << name;
  EXPECT_EQ(saver->GetInteger("MaxGetProcessAllowed"), 10);
  EXPECT_TRUE(changes.empty());
}

TEST_F(ParamSaver, CustomValuesRoundTripThroughTheirEntryPoints) {
  WriteCustom("Connection Proxy", "Use", int32_t{2}, 2);
  WriteCustom("Connection Proxy", "Address", "proxy:8080", 1);
  WriteCustom("TOptionsForm", "ProxyMaskPassword", false, 3);
  WriteCustomData("Main Window", "Layout", std::string("\0\1\2x", 4));
  expectSame(ReadCustom("Connection Proxy", "Use", 2), int32_t{2}, "Use");
  expectSame(ReadCustom("Connection Proxy", "Address", 1), "proxy:8080", "Address");
  expectSame(ReadCustom("TOptionsForm", "ProxyMaskPassword", 3), false, "mask");
  expectSame(ReadCustom("Connection Proxy", "Use", 1), Variant(), "wrong type");
  expectSame(ReadCustom("Connection Proxy", "Missing", 1), Variant(), "missing");
  EXPECT_EQ(ReadCustomData("Main Window", "Layout"), std::string("\0\1\2x", 4));
  EXPECT_EQ(ReadCustomData("Connection Proxy", "Address"), "proxy:8080");
  EXPECT_EQ(ReadCustomData("Main Window", "Missing"), "");
  EXPECT_EQ(
      stored(RegRoot::CurrentUser, "Software\\Zelvor\\Sumbra\\Custom\\Connection Proxy", "Use")
          ->AsDWord(),
      2u);
  EXPECT_EQ(messageOf<EParamSaver>([] { WriteCustom("S", "V", "abc", 2); }),
            "Invalid value. Need integer.");
  EXPECT_EQ(messageOf<EParamSaver>([] { ReadCustom("S", "V", 7); }), "Unknown value type 7");
}

TEST_F(ParamSaver, ACorruptHiveReadsAsDefaultsAndRefusesWrites) {
  const std::string garbage = "this is not a settings database, not even close";
  testing::WriteFile(hives.UserHive(), garbage);
  EXPECT_EQ(saver->GetInteger("MaxGetProcessAllowed"), 10);
  EXPECT_THROW(saver->SetParam("MaxGetProcessAllowed", int32_t{3}), platform::EOSError);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(testing::ReadFile(hives.UserHive()), garbage);
}

TEST_F(ParamSaver, AReadOnlyHiveRefusesWritesAndAnnouncesNothing) {
  saver->SetParam("UserAgent", "kept");
  ASSERT_EQ(chmod(hives.UserHive().c_str(), 0444), 0);
  platform::RegCloseHives();
  EXPECT_THROW(saver->SetParam("UserAgent", "lost"), platform::EOSError);
  EXPECT_THROW(WriteCustom("S", "V", "lost", 1), platform::EOSError);
  EXPECT_EQ(saver->GetString("UserAgent"), "kept");
  EXPECT_EQ(changes.size(), 1u);
}

} // namespace
} // namespace zs::settings
