// What the kernel's tests share: fakes in service entry points, and waiting for the events
// of other threads with a generous bound instead of sleeping.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "kernel/interfaces.h"

namespace zs::testing {

inline constexpr std::chrono::seconds generousBound{20};

// Puts a fake into an entry point for the life of the object.
template <class Signature> class ScopedFake;
template <class R, class... Args> class ScopedFake<R(Args...)> {
public:
  ScopedFake(EntryPoint<R(Args...)> &entry, R (*fake)(Args...)) : entry_(entry) {
    if constexpr (requires { entry.Get(); }) previous_ = entry.Get();
    entry.Fill(fake);
  }
  // Until entry points can give their procedure back, a replaced one is left empty.
  ~ScopedFake() { entry_.Fill(previous_); }

private:
  EntryPoint<R(Args...)> &entry_;
  R (*previous_)(Args...) = nullptr;
};

// Polls until the condition holds; false when the bound passed first.
inline bool waitUntil(const std::function<bool()> &condition) {
  const auto deadline = std::chrono::steady_clock::now() + generousBound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

// Idle steps, as the idle loop makes them, until every start-up handler has run.
inline bool idleUntilDone() {
  return waitUntil([] {
    bool done = false;
    ProcessIdleInit(done);
    return done;
  });
}

// Runs the main thread's messages until the condition holds.
inline bool pumpUntil(const std::function<bool()> &condition) {
  const auto deadline = std::chrono::steady_clock::now() + generousBound;
  WaitWhilePumping([&] { return condition() || std::chrono::steady_clock::now() > deadline; });
  return condition();
}

} // namespace zs::testing
