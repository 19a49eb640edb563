#include "settings/module_names.h"

#include <gtest/gtest.h>

namespace zs::settings {
namespace {

TEST(ModuleNames, RelativeNamesLieInTheModulesFolderWithTheirFoldersCleaned) {
  const std::string_view modules = "/opt/zs/Ext Modules/";
  const std::pair<const char *, const char *> cases[] = {
      {"", ""},
      {"/usr/lib/../zs/./parser.so", "/usr/lib/../zs/./parser.so"},
      {"mods/../parser.so", "/opt/zs/Ext Modules/parser.so"},
      {"./a//.../b/x.so", "/opt/zs/Ext Modules/a/b/x.so"},
      {"../../../../../x.so", "/x.so"},
  };
  for (const auto &[name, expected] : cases)
    EXPECT_EQ(ExpandModuleName(name, modules), expected) << "name: " << name;
  // Every line of a list is expanded and its line breaks kept.
  EXPECT_EQ(ExpandModuleNames("a.so\r\n\r\n/abs/b.so\nsub/../c.so", modules),
            "/opt/zs/Ext Modules/a.so\r\n\r\n/abs/b.so\n/opt/zs/Ext Modules/c.so");
}

} // namespace
} // namespace zs::settings
