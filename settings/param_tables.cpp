#include "settings/param_tables.h"

#include <algorithm>

#include "platform/folders.h"

namespace zs::settings {

using platform::Variant;

namespace {

constexpr auto settingsGroup = TParamGroup::Settings;
constexpr auto plugInsGroup = TParamGroup::PlugIns;
constexpr auto computedGroup = TParamGroup::Computed;
constexpr auto text = TParamType::Text;
constexpr auto integer = TParamType::Integer;
constexpr auto boolean = TParamType::Boolean;

Variant userJobList(std::string_view) {
  std::string folder = platform::AppDataFolder();
  if (folder.empty()) folder = platform::ProgramFolder();
  if (!folder.ends_with('/')) folder += '/';
  return folder + "Zelvor/Zelvor Sumbra/" + platform::UserName() + ".jl";
}

Variant prefixToIgnore(std::string_view scheme) {
  if (scheme == "http" || scheme == "https") return "www";
  return scheme == "ftp" ? "ftp" : "";
}

// https gets 80 as well, not 443: URLs put in simple form with this default must keep
// comparing equal to the ones already stored in link lists.
Variant defaultPort(std::string_view scheme) {
  if (scheme == "http" || scheme == "https") return "80";
  return scheme == "ftp" ? "21" : "";
}

Variant emptyText(std::string_view) { return ""; }

// Names that both stored tables hold: read per user first, machine-wide second.
constexpr TParamRec prefixToIgnoreRec{"PrefixToIgnore", settingsGroup, text, true, &prefixToIgnore};
constexpr TParamRec defaultPortRec{"DefaultPort", settingsGroup, text, true, &defaultPort};
constexpr TParamRec inetModuleRec{"PluginInetModuleName", plugInsGroup, text, true, nullptr};
constexpr TParamRec parserModuleRec{"PluginParserModuleName", plugInsGroup, text, true, nullptr};
constexpr TParamRec inetCacheModulesRec{"PluginInetCacheModuleNames", plugInsGroup, text, false,
                                        &emptyText};

constexpr TParamRec computedParams[] = {
    {"JobDescriptionFileName", computedGroup, text, false,
     [](std::string_view) { return Variant("#Sumbra.&jd"); }},
    {"QuickSaveFileName", computedGroup, text, false,
     [](std::string_view) { return Variant("#Sumbra.&jq"); }},
    {"FirstSiteName", computedGroup, text, false,
     [](std::string_view) { return Variant("# First Site"); }},
    {"UserJobList", computedGroup, text, false, &userJobList},
    {"ModulesPath", computedGroup, text, false,
     [](std::string_view) { return Variant(ModulesPath()); }},
};

constexpr TParamRec userParams[] = {
    {"MaxGetProcessAllowed", settingsGroup, integer, false,
     [](std::string_view) { return Variant(int32_t{10}); }},
    // Of those, at most this many on one host at once for a job whose links are on several
    // hosts; 0 for no limit of its own.
    {"MaxFetchesPerHost", settingsGroup, integer, false,
     [](std::string_view) { return Variant(int32_t{4}); }},
    {"UserAgent", settingsGroup, text, false,
     [](std::string_view) { return Variant("Zelvor Sumbra!/ver 1.0"); }},
    {"IgnoreSSLInexactnesses", settingsGroup, boolean, false,
     [](std::string_view) { return Variant(true); }},
    {"IdleTimeOut", settingsGroup, integer, false,
     [](std::string_view) { return Variant(int32_t{60}); }},
    {"MaxFileSizeMB", settingsGroup, integer, false,
     [](std::string_view) { return Variant(int32_t{0}); }},
    {"IgnorePrefix", settingsGroup, boolean, false, [](std::string_view) { return Variant(true); }},
    {"DefaultIndexName", settingsGroup, text, false,
     [](std::string_view) { return Variant("index.htm"); }},
    // The requisites of today's pages (srcset, media, icons, lazy images, SVG references).
    {"FollowModernMarkup", settingsGroup, boolean, false,
     [](std::string_view) { return Variant(true); }},
    // Each host's robots.txt is read before anything else there, and what it disallows is not
    // fetched.
    {"ObeyRobotsTxt", settingsGroup, boolean, false,
     [](std::string_view) { return Variant(true); }},
    prefixToIgnoreRec,
    defaultPortRec,
    inetModuleRec,
    parserModuleRec,
    inetCacheModulesRec,
};

constexpr TParamRec machineParams[] = {
    {"PluginXMLProviderModuleName", plugInsGroup, text, false, &emptyText},
    prefixToIgnoreRec,
    defaultPortRec,
    inetModuleRec,
    parserModuleRec,
    inetCacheModulesRec,
};

} // namespace

constinit const std::span<const TParamRec> ComputedParams = computedParams;
constinit const std::span<const TParamRec> UserParams = userParams;
constinit const std::span<const TParamRec> MachineParams = machineParams;

const TParamRec *FindParam(std::span<const TParamRec> table, std::string_view baseName) {
  auto found = std::ranges::find(table, baseName, &TParamRec::Name);
  return found == table.end() ? nullptr : &*found;
}

std::string ModulesPath() { return platform::ProgramFolder() + "Ext Modules/"; }

} // namespace zs::settings
