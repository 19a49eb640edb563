#include "settings/module_names.h"

#include <gtest/gtest.h>

namespace zs::settings {
namespace {

constexpr std::string_view modules = "/opt/zs/Ext Modules/";

TEST(ModuleNames, RelativeNamesLieInTheModulesFolderWithTheirFoldersCleaned) {
  struct Case {
    const char *name;
    const char *expected;
  };
  const Case cases[] = {
      {"", ""},
      {"/usr/lib/../zs/./parser.so", "/usr/lib/../zs/./parser.so"},
      {"parser.so", "/opt/zs/Ext Modules/parser.so"},
      {"mods/../parser.so", "/opt/zs/Ext Modules/parser.so"},
      {"./a//.../b/x.so", "/opt/zs/Ext Modules/a/b/x.so"},
      {"../../../../../x.so", "/x.so"},
      {"a/..", "/opt/zs/Ext Modules/a/.."},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ExpandModuleName(c.name, modules), c.expected) << "name: " << c.name;
}

TEST(ModuleNames, EveryLineOfAListIsExpandedAndItsLineBreaksKept) {
  EXPECT_EQ(ExpandModuleNames("a.so\r\n\r\n/abs/b.so\nsub/../c.so", modules),
            "/opt/zs/Ext Modules/a.so\r\n\r\n/abs/b.so\n/opt/zs/Ext Modules/c.so");
}

} // namespace
} // namespace zs::settings
