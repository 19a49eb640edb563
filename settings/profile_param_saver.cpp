#include "settings/profile_param_saver.h"

#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/main_loop.h"
#include "platform/registry.h"
#include "settings/module_names.h"
#include "settings/param_tables.h"

namespace zs::settings {

using platform::RegRoot;
using platform::RegType;
using platform::RegValue;

namespace {

// Serialises every registry read and write of settings and custom values: fetch threads
// read while the main thread writes.
std::mutex settingsLock;

const std::string settingsKey = "Software\\Zelvor\\Sumbra\\Settings";
const std::string plugInsKey = "Software\\Zelvor\\Sumbra\\Plug-ins";
const std::string customKey = "Software\\Zelvor\\Sumbra\\Custom\\";

// A change made outside the main thread, on its way there.
struct TAsyncChanged {
  std::string Name;
  Variant Value;
};

// A setting's name: the part looked up in the tables and the part after the first colon.
struct ParamName {
  std::string_view Base;
  std::string_view SecondPart;
};

ParamName splitName(std::string_view name) {
  const size_t colon = name.find(':');
  if (colon == std::string_view::npos) return {name, {}};
  return {name.substr(0, colon), name.substr(colon + 1)};
}

// The table's entry for the name; raises when the entry needs a second part it lacks.
const TParamRec *findEntry(std::span<const TParamRec> table, const ParamName &name) {
  const TParamRec *entry = FindParam(table, name.Base);
  if (entry && entry->HasParam && name.SecondPart.empty()) throw EParamSaver("Needs second param");
  return entry;
}

Variant defaultOf(const TParamRec &entry, const ParamName &name) {
  return entry.Default ? entry.Default(name.SecondPart) : Variant();
}

const std::string &keyOf(const TParamRec &entry) {
  return entry.Group == TParamGroup::PlugIns ? plugInsKey : settingsKey;
}

// A stored value counts only when its registry type is the one of the setting's type; Null
// when it does not count or is missing.
Variant fromRegistry(const std::optional<RegValue> &stored, TParamType type) {
  if (!stored) return Variant();
  if (type == TParamType::Text)
    return stored->Type == RegType::String ? Variant(stored->Data) : Variant();
  const std::optional<uint32_t> word = stored->AsDWord();
  if (!word) return Variant();
  if (type == TParamType::Integer) return Variant(static_cast<int32_t>(*word));
  return Variant((*word & 0xFFFF) != 0);
}

RegValue toRegistry(const Variant &value, TParamType type) {
  if (type == TParamType::Text) return RegValue::FromString(value.AsString());
  try {
    if (type == TParamType::Integer)
      return RegValue::FromDWord(static_cast<uint32_t>(value.AsInteger()));
    return RegValue::FromDWord(value.AsBoolean() ? 1 : 0);
  } catch (const platform::EVariantError &) {
    throw EParamSaver(type == TParamType::Integer ? "Invalid value. Need integer."
                                                  : "Invalid value. Need boolean.");
  }
}

// Module names are handed out ready to load.
Variant expandForGroup(const TParamRec &entry, Variant value) {
  if (entry.Group != TParamGroup::PlugIns || value.IsNull()) return value;
  return ExpandModuleNames(value.AsString(), ModulesPath());
}

struct StoredTable {
  RegRoot Root;
  std::span<const TParamRec> Table;
};

// Per user first: the names both tables hold are read and written there first.
const StoredTable storedTables[] = {{RegRoot::CurrentUser, UserParams},
                                    {RegRoot::LocalMachine, MachineParams}};

} // namespace

TParamType CustomValueType(int ValueType) {
  if (ValueType < 1 || ValueType > 3)
    throw EParamSaver("Unknown value type " + std::to_string(ValueType));
  return static_cast<TParamType>(ValueType);
}

Variant TProfileParamSaver::GetParam(const std::string &Name) {
  const ParamName name = splitName(Name);
  std::lock_guard guard(settingsLock);
  if (const TParamRec *entry = findEntry(ComputedParams, name)) return defaultOf(*entry, name);
  const TParamRec *holderEntry = nullptr;
  Variant holder;
  for (const StoredTable &stored : storedTables) {
    const TParamRec *entry = findEntry(stored.Table, name);
    if (!entry) continue;
    Variant value =
        fromRegistry(platform::RegQueryValue(stored.Root, keyOf(*entry), Name), entry->ValueType);
    if (!value.IsNull()) return expandForGroup(*entry, std::move(value));
    if (holder.IsNull()) {
      holder = defaultOf(*entry, name);
      holderEntry = entry;
    }
  }
  return holderEntry ? expandForGroup(*holderEntry, std::move(holder)) : holder;
}

void TProfileParamSaver::SetParam(const std::string &Name, const Variant &Value) {
  const ParamName name = splitName(Name);
  // The name is judged before the value is compared, so that writing a computed or unknown
  // setting fails even when the value happens to be the one it reads as.
  const StoredTable *target = nullptr;
  const TParamRec *entry = nullptr;
  for (const StoredTable &stored : storedTables) {
    entry = findEntry(stored.Table, name);
    if (entry) {
      target = &stored;
      break;
    }
  }
  if (!target) throw EParamSaver("No such parameter");
  if (GetParam(Name) == Value) return;
  {
    std::lock_guard guard(settingsLock);
    platform::RegSetValue(target->Root, keyOf(*entry), Name, toRegistry(Value, entry->ValueType));
  }
  announce(Name, Value);
}

std::string TProfileParamSaver::GetString(const std::string &Name) {
  return GetParam(Name).AsString();
}

int32_t TProfileParamSaver::GetInteger(const std::string &Name) {
  return GetParam(Name).AsInteger();
}

bool TProfileParamSaver::GetBoolean(const std::string &Name) { return GetParam(Name).AsBoolean(); }

Variant TProfileParamSaver::ReadCustom(const std::string &Section, const std::string &ValueName,
                                       TParamType ValueType) {
  std::lock_guard guard(settingsLock);
  return fromRegistry(platform::RegQueryValue(RegRoot::CurrentUser, customKey + Section, ValueName),
                      ValueType);
}

void TProfileParamSaver::WriteCustom(const std::string &Section, const std::string &ValueName,
                                     const Variant &Value, TParamType ValueType) {
  const RegValue stored = toRegistry(Value, ValueType);
  std::lock_guard guard(settingsLock);
  platform::RegSetValue(RegRoot::CurrentUser, customKey + Section, ValueName, stored);
}

std::string TProfileParamSaver::ReadCustomData(const std::string &Section,
                                               const std::string &ValueName) {
  std::lock_guard guard(settingsLock);
  std::optional<RegValue> stored =
      platform::RegQueryValue(RegRoot::CurrentUser, customKey + Section, ValueName);
  return stored ? std::move(stored->Data) : std::string();
}

void TProfileParamSaver::WriteCustomData(const std::string &Section, const std::string &ValueName,
                                         const std::string &Data) {
  std::lock_guard guard(settingsLock);
  platform::RegSetValue(RegRoot::CurrentUser, customKey + Section, ValueName,
                        RegValue::FromBinary(Data));
}

void TProfileParamSaver::SetOnChange(TOnChange OnChange) {
  std::lock_guard guard(onChangeLock_);
  onChange_ = std::move(OnChange);
}

void TProfileParamSaver::DispatchMessage(void *Message) {
  std::unique_ptr<TAsyncChanged> changed(static_cast<TAsyncChanged *>(Message));
  if (changed) callOnChange(changed->Name, changed->Value);
}

void TProfileParamSaver::announce(const std::string &Name, const Variant &Value) {
  // Listeners live in the main thread; a worker's change travels there as a message.
  if (platform::IsMainThread()) {
    callOnChange(Name, Value);
    return;
  }
  auto changed = std::make_unique<TAsyncChanged>(TAsyncChanged{Name, Value});
  PostLinkMessage(this, changed.get());
  changed.release(); // the message now owns it; DispatchMessage frees it
}

void TProfileParamSaver::callOnChange(const std::string &Name, const Variant &Value) {
  TOnChange onChange;
  {
    std::lock_guard guard(onChangeLock_);
    onChange = onChange_;
  }
  // Called unlocked: a listener may read or write settings itself.
  if (onChange) onChange(Name, Value);
}

} // namespace zs::settings
