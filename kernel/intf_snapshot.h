// TIntfSnapshot: a fixed list of interfaces taken at one moment, built through IIIntfSnapshot
// and read through IIntfSnapshot.
#pragma once

#include <vector>

#include "kernel/interfaces.h"

namespace zs::kernel {

class TIntfSnapshot : public platform::TComObject<IIIntfSnapshot, IIntfSnapshot> {
public:
  void Add(IUnknown *Item) override;
  ComPtr<IIntfSnapshot> GetSnapshot() override;
  std::vector<ComPtr<IUnknown>> &GetList() override;

  HRESULT get_Count(int32_t *Value) override;
  // Index is 0-based; an index outside the list fails and leaves Value empty.
  HRESULT get_Item(int32_t Index, IUnknown **Value) override;

private:
  std::vector<ComPtr<IUnknown>> items_;
};

ComPtr<IIIntfSnapshot> NewIntfSnapshot();
// Registers the IntfSnapshot co-class.
void RegisterIntfSnapshotClass();

} // namespace zs::kernel
