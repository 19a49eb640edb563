// The three tables of named settings, looked up by the part of a name before its colon.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "settings/param_rec.h"

namespace zs::settings {

// Never stored; always computed.
extern const std::span<const TParamRec> ComputedParams;
// Stored in the current user's hive.
extern const std::span<const TParamRec> UserParams;
// Stored in the machine's hive.
extern const std::span<const TParamRec> MachineParams;

// The entry of that name (exact, case-sensitive); nullptr when the table has none.
const TParamRec *FindParam(std::span<const TParamRec> table, std::string_view baseName);

// The folder of plug-in modules, with a trailing slash.
std::string ModulesPath();

} // namespace zs::settings
