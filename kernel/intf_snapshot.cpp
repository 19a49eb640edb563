#include "kernel/intf_snapshot.h"

#include "platform/class_table.h"
#include "platform/safecall.h"

namespace zs::kernel {

using platform::E_POINTER;
using platform::EOleSysError;
using platform::SafeCall;
using platform::SysErrorMessage;

namespace {

template <class T> void checkOutParameter(T *Value) {
  if (!Value) throw EOleSysError(SysErrorMessage(E_POINTER), E_POINTER);
}

} // namespace

void TIntfSnapshot::Add(IUnknown *Item) { items_.emplace_back(Item); }

ComPtr<IIntfSnapshot> TIntfSnapshot::GetSnapshot() { return ComPtr<IIntfSnapshot>(this); }

std::vector<ComPtr<IUnknown>> &TIntfSnapshot::GetList() { return items_; }

HRESULT TIntfSnapshot::get_Count(int32_t *Value) {
  return SafeCall([&] {
    checkOutParameter(Value);
    *Value = static_cast<int32_t>(items_.size());
  });
}

HRESULT TIntfSnapshot::get_Item(int32_t Index, IUnknown **Value) {
  return SafeCall([&] {
    checkOutParameter(Value);
    *Value = nullptr;
    if (Index < 0 || static_cast<size_t>(Index) >= items_.size())
      throw platform::Exception("List index out of bounds (" + std::to_string(Index) + ")");
    *Value = ComPtr<IUnknown>(items_[Index]).Detach();
  });
}

ComPtr<IIIntfSnapshot> NewIntfSnapshot() { return platform::MakeCom<TIntfSnapshot>(); }

void RegisterIntfSnapshotClass() {
  platform::RegisterComClass(CLSID_IntfSnapshot, "TIntfSnapshot", "",
                             [] { return NewIntfSnapshot().As<IUnknown>(); });
}

} // namespace zs::kernel
