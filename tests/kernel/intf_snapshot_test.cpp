#include <gtest/gtest.h>

#include "kernel/interfaces.h"
#include "platform/class_table.h"
#include "platform/safecall.h"

namespace zs::testing {
namespace {

using platform::OleCheck;

TEST(IntfSnapshot, HandsOutTheItemsInTheOrderAdded) {
  ComPtr<IIIntfSnapshot> builder = CreateIntfSnapshot();
  ComPtr<IUnknown> first = CreateJobRequest().As<IUnknown>();
  ComPtr<IUnknown> second = CreateParams().As<IUnknown>();
  builder->Add(first.get());
  builder->Add(second.get());
  ASSERT_EQ(builder->GetList().size(), 2u);

  ComPtr<IIntfSnapshot> snapshot = builder->GetSnapshot();
  int32_t count = 0;
  OleCheck(snapshot->get_Count(&count));
  EXPECT_EQ(count, 2);
  ComPtr<IUnknown> item;
  OleCheck(snapshot->get_Item(0, item.put()));
  EXPECT_EQ(item, first);
  OleCheck(snapshot->get_Item(1, item.put()));
  EXPECT_EQ(item, second);
  EXPECT_EQ(snapshot.As<IIIntfSnapshot>(), builder);
}

TEST(IntfSnapshot, AnIndexOutsideTheListFailsAndGivesNothing) {
  ComPtr<IIIntfSnapshot> builder = CreateIntfSnapshot();
  builder->Add(CreateJobRequest().get());
  ComPtr<IIntfSnapshot> snapshot = builder->GetSnapshot();
  for (int32_t index : {-1, 1}) {
    IUnknown *item = reinterpret_cast<IUnknown *>(1);
    EXPECT_TRUE(platform::Failed(snapshot->get_Item(index, &item))) << index;
    EXPECT_EQ(item, nullptr);
  }
  EXPECT_EQ(snapshot->get_Count(nullptr), platform::E_POINTER);
}

TEST(IntfSnapshot, OutsideClientsCreateItAsTheIntfSnapshotClass) {
  ComPtr<IIntfSnapshot> snapshot = platform::CreateComObject<IIntfSnapshot>(CLSID_IntfSnapshot);
  int32_t count = -1;
  OleCheck(snapshot->get_Count(&count));
  EXPECT_EQ(count, 0);
}

} // namespace
} // namespace zs::testing
