// A service entry point: a process-wide procedure variable that the implementing module
// fills during start-up. The variables are constant-initialised, so no order of static
// initialisation can see them half-made; calling one that nobody filled raises
// EEntryPointNotFilled naming it instead of crashing or doing nothing.
#pragma once

#include <atomic>
#include <string>

#include "platform/exceptions.h"

namespace zs {

ZS_EXCEPTION_CLASS(EEntryPointNotFilled, platform::Exception);

template <class Signature> class EntryPoint;

template <class R, class... Args> class EntryPoint<R(Args...)> {
public:
  using Procedure = R (*)(Args...);

  constexpr explicit EntryPoint(const char *name) : name_(name) {}
  EntryPoint(const EntryPoint &) = delete;
  EntryPoint &operator=(const EntryPoint &) = delete;

  // Filling again replaces the procedure (tests put their own in); nullptr empties it.
  void Fill(Procedure procedure) { procedure_.store(procedure, std::memory_order_release); }
  bool IsFilled() const { return Get() != nullptr; }
  // The procedure filled in, or nullptr (tests keep it to put it back).
  Procedure Get() const { return procedure_.load(std::memory_order_acquire); }
  const char *Name() const { return name_; }

  R operator()(Args... args) const {
    Procedure procedure = Get();
    if (!procedure)
      throw EEntryPointNotFilled(std::string("The service entry point ") + name_ +
                                 " was not filled at start-up");
    return procedure(static_cast<Args>(args)...);
  }

private:
  const char *name_;
  std::atomic<Procedure> procedure_{nullptr};
};

} // namespace zs
