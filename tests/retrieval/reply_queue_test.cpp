// The reply lists of requests and the bound on what the program holds of them.
#include "retrieval/reply_queue.h"

#include <gtest/gtest.h>

#include <future>

#include "kernel/interfaces.h"

namespace zs::retrieval {
namespace {

using namespace std::chrono_literals;

TReply dataReply(size_t bytes) {
  TReply reply;
  reply.Code = pmData;
  reply.Data.assign(bytes, 'x');
  return reply;
}

// Pushes a reply of that many bytes; false when it found no room.
bool push(TReplyQueue &queue, size_t bytes) {
  TReply reply = dataReply(bytes);
  return queue.TryPush(reply, bytes);
}

TEST(ReplyQueue, RepliesComeOutInOrderWithinTheListsBoundAndTheSharedTotal) {
  TReplyBudget budget(100, 150);
  TReplyQueue queue(budget);
  TReply header;
  header.Code = pmHeader;
  ASSERT_TRUE(queue.TryPush(header, 10));
  ASSERT_TRUE(push(queue, 90));
  // A full list refuses until its reader takes a reply; the refused reply is left for later.
  TReply refused = dataReply(1);
  EXPECT_FALSE(queue.TryPush(refused, 1));
  EXPECT_EQ(refused.Data, "x");
  EXPECT_EQ(queue.Take().Code, pmHeader);
  EXPECT_TRUE(queue.TryPush(refused, 1));
  EXPECT_EQ(queue.Take().Data.size(), 90u);
  queue.Take();
  EXPECT_EQ(budget.Unread(), 0u);
  // An empty list takes a reply larger than its bound.
  EXPECT_TRUE(push(queue, 500));
  queue.Take();
  // The program's total is shared by all requests.
  TReplyQueue first(budget), second(budget);
  ASSERT_TRUE(push(first, 100));
  EXPECT_FALSE(push(second, 60));
  EXPECT_TRUE(push(second, 50));
  first.Take();
  EXPECT_TRUE(push(second, 50));
  EXPECT_EQ(budget.Unread(), 100u);
}

TEST(ReplyQueue, FailureWakesTheWaitingReaderAndGivesBackTheRoom) {
  TReplyBudget budget(100, 1000);
  TReplyQueue held(budget);
  ASSERT_TRUE(push(held, 70));
  held.Fail(std::make_exception_ptr(EWinInetConnector("gone")));
  EXPECT_EQ(budget.Unread(), 0u);
  EXPECT_THROW(held.Take(), EWinInetConnector); // the replies held went with the failure

  TReplyQueue queue(budget);
  auto reader = std::async(std::launch::async, [&] { return queue.Take(); });
  queue.Fail(std::make_exception_ptr(EWinInetConnector("gone")));
  ASSERT_EQ(reader.wait_for(30s), std::future_status::ready);
  EXPECT_THROW(reader.get(), EWinInetConnector);
}

} // namespace
} // namespace zs::retrieval
