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
  // Outside clients create it as the snapshot class.
  ComPtr<IIntfSnapshot> snapshot = platform::CreateComObject<IIntfSnapshot>(CLSID_IntfSnapshot);
  snapshot.As<IIIntfSnapshot>()->Add(CreateJobRequest().get());
  for (int32_t index : {-1, 1}) {
    IUnknown *item = reinterpret_cast<IUnknown *>(1);
    EXPECT_TRUE(platform::Failed(snapshot->get_Item(index, &item))) << index;
    EXPECT_EQ(item, nullptr);
  }
  EXPECT_EQ(snapshot->get_Count(nullptr), platform::E_POINTER);
}

} // namespace
} // namespace zs::testing
