#include "platform/class_table.h"

#include <mutex>
#include <vector>

#include "platform/exceptions.h"
#include "platform/safecall.h"

namespace zs::platform {

namespace {

struct ComClass {
  GUID clsid;
  ComClassInfo info;
  ComClassFactory factory;
};

struct ClassTable {
  std::mutex lock;               // guards classes
  std::vector<ComClass> classes; // a handful of classes: a linear search is enough
};

ClassTable &table() {
  static ClassTable instance;
  return instance;
}

ComClass *find(ClassTable &t, const GUID &clsid) {
  for (ComClass &c : t.classes)
    if (c.clsid == clsid) return &c;
  return nullptr;
}

[[noreturn]] void raiseClassNotRegistered() {
  throw EOleSysError("Class not registered", REGDB_E_CLASSNOTREG);
}

} // namespace

void RegisterComClass(const GUID &clsid, std::string name, std::string description,
                      ComClassFactory factory) {
  ClassTable &t = table();
  std::lock_guard guard(t.lock);
  ComClassInfo info{std::move(name), std::move(description)};
  if (ComClass *known = find(t, clsid)) {
    known->info = std::move(info);
    known->factory = std::move(factory);
  } else {
    t.classes.push_back(ComClass{clsid, std::move(info), std::move(factory)});
  }
}

std::optional<ComClassInfo> FindComClass(const GUID &clsid) {
  ClassTable &t = table();
  std::lock_guard guard(t.lock);
  if (ComClass *known = find(t, clsid)) return known->info;
  return std::nullopt;
}

ComPtr<IUnknown> CreateComObject(const GUID &clsid, const GUID &iid) {
  ComClassFactory factory;
  {
    ClassTable &t = table();
    std::lock_guard guard(t.lock);
    if (ComClass *known = find(t, clsid)) factory = known->factory;
  }
  if (!factory) raiseClassNotRegistered();
  // The factory runs outside the lock, so that a constructor may create objects itself.
  ComPtr<IUnknown> object = factory();
  if (!object) raiseClassNotRegistered();
  void *wanted = nullptr;
  // Not OleCheck: QueryInterface leaves no error info, and an older one of this thread
  // would be taken for its message.
  if (HRESULT hr = object->QueryInterface(iid, &wanted); Failed(hr))
    throw EOleSysError(SysErrorMessage(hr), hr);
  return ComPtr<IUnknown>::Attach(static_cast<IUnknown *>(wanted));
}

} // namespace zs::platform
