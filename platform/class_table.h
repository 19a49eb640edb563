// The in-process class table: co-classes are created by CLSID from factories that their
// modules register at start-up, in place of the system's class registration.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/com.h"

namespace zs::platform {

// The result of asking for a class that nobody registered ("Class not registered").
constexpr HRESULT REGDB_E_CLASSNOTREG = HRESULT(0x80040154u);

// Makes a new object of a class.
using ComClassFactory = std::function<ComPtr<IUnknown>()>;

struct ComClassInfo {
  std::string Name;
  std::string Description;
};

// Registers a class, replacing an earlier registration of the same CLSID. A class without a
// factory is internal: it is known by name but cannot be created through the table.
void RegisterComClass(const GUID &clsid, std::string name, std::string description,
                      ComClassFactory factory);

// The name and description of a registered class; empty when the CLSID is unknown.
std::optional<ComClassInfo> FindComClass(const GUID &clsid);

// Creates an object of a registered class and returns its interface iid (held as IUnknown,
// which every interface begins with). Raises EOleSysError with REGDB_E_CLASSNOTREG for an
// unknown or internal class, and with E_NOINTERFACE when the object lacks the interface.
ComPtr<IUnknown> CreateComObject(const GUID &clsid, const GUID &iid);

template <class I> ComPtr<I> CreateComObject(const GUID &clsid) {
  return ComPtr<I>::Attach(static_cast<I *>(CreateComObject(clsid, I::IID).Detach()));
}

} // namespace zs::platform
