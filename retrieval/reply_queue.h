// The replies of the separated process to one request, waiting for the fetch that reads them,
// and the bound on how much of them the program holds. The receiving thread stops taking
// replies when a request's list or the program's total is full, which stops it reading the
// channel, so the separated process has to pause its transfers until a fetch reads on.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>

#include "retrieval/wire_messages.h"

namespace zs::retrieval {

class TReplyBudget {
public:
  TReplyBudget(size_t PerRequest, size_t Total) : perRequest_(PerRequest), total_(Total) {}
  TReplyBudget(const TReplyBudget &) = delete;
  TReplyBudget &operator=(const TReplyBudget &) = delete;

  size_t PerRequest() const { return perRequest_; }
  size_t Total() const { return total_; }
  // Payload bytes received and not yet read, over all requests.
  size_t Unread() const { return unread_.load(std::memory_order_relaxed); }

private:
  friend class TReplyQueue;
  const size_t perRequest_;
  const size_t total_;
  std::atomic<size_t> unread_{0};
};

class TReplyQueue {
public:
  explicit TReplyQueue(TReplyBudget &Budget) : budget_(Budget) {}
  ~TReplyQueue();
  TReplyQueue(const TReplyQueue &) = delete;
  TReplyQueue &operator=(const TReplyQueue &) = delete;

  // Appends the reply (Bytes: its payload size) and returns true; false, leaving Reply as it
  // was, when the list or the total has no room. An empty list, and an empty total, always
  // take one reply, so that a message larger than a bound cannot block the channel for good.
  bool TryPush(TReply &Reply, size_t Bytes);
  // Waits without time limit for the oldest reply and takes it; raises the failure given to
  // Fail instead, at once, when there is one.
  TReply Take();
  // Ends every present and later wait with the failure; the replies held are dropped.
  void Fail(std::exception_ptr Failure);

private:
  struct Entry {
    TReply Reply;
    size_t Bytes;
  };
  void dropAll(); // call with lock_ held

  TReplyBudget &budget_;
  std::mutex lock_; // guards entries_, bytes_ and failure_
  std::condition_variable changed_;
  std::deque<Entry> entries_;
  size_t bytes_ = 0;
  std::exception_ptr failure_;
};

} // namespace zs::retrieval
