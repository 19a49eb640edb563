#include "retrieval/reply_queue.h"

namespace zs::retrieval {

TReplyQueue::~TReplyQueue() {
  std::lock_guard guard(lock_);
  dropAll();
}

bool TReplyQueue::TryPush(TReply &Reply, size_t Bytes) {
  {
    std::lock_guard guard(lock_);
    size_t unread = budget_.unread_.load(std::memory_order_relaxed);
    if (bytes_ > 0 && bytes_ + Bytes > budget_.perRequest_) return false;
    if (unread > 0 && unread + Bytes > budget_.total_) return false;
    entries_.push_back({std::move(Reply), Bytes});
    bytes_ += Bytes;
    budget_.unread_.fetch_add(Bytes, std::memory_order_relaxed);
  }
  changed_.notify_all();
  return true;
}

TReply TReplyQueue::Take() {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [&] { return failure_ || !entries_.empty(); });
  if (failure_) std::rethrow_exception(failure_);
  Entry entry = std::move(entries_.front());
  entries_.pop_front();
  bytes_ -= entry.Bytes;
  budget_.unread_.fetch_sub(entry.Bytes, std::memory_order_relaxed);
  return std::move(entry.Reply);
}

void TReplyQueue::Fail(std::exception_ptr Failure) {
  {
    std::lock_guard guard(lock_);
    if (!failure_) failure_ = std::move(Failure);
    dropAll();
  }
  changed_.notify_all();
}

void TReplyQueue::dropAll() {
  budget_.unread_.fetch_sub(bytes_, std::memory_order_relaxed);
  bytes_ = 0;
  entries_.clear();
}

} // namespace zs::retrieval
