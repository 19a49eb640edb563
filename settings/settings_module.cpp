#include <mutex>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "settings/profile_param_saver.h"
#include "settings/profiler.h"

namespace zs {

namespace {

using settings::CustomValueType;
using settings::TProfileParamSaver;

std::mutex moduleLock; // guards saver and profiler
// From start-up to the end of the program.
ComPtr<TProfileParamSaver> saver;
// From the first GetProfiler to the end of the program.
ComPtr<IProfilerNames> profiler;

// Call with moduleLock held.
const ComPtr<TProfileParamSaver> &runningSaver() {
  if (!saver) throw platform::Exception("The settings module is not running");
  return saver;
}

ComPtr<TProfileParamSaver> currentSaver() {
  std::lock_guard guard(moduleLock);
  return runningSaver();
}

ComPtr<IProfilerNames> getProfiler() {
  std::lock_guard guard(moduleLock);
  if (!profiler) profiler = settings::CreateProfiler(runningSaver());
  return profiler;
}

Variant readCustom(const std::string &Section, const std::string &ValueName, uint8_t ValueType) {
  return currentSaver()->ReadCustom(Section, ValueName, CustomValueType(ValueType));
}

void writeCustom(const std::string &Section, const std::string &ValueName, const Variant &Value,
                 uint8_t ValueType) {
  currentSaver()->WriteCustom(Section, ValueName, Value, CustomValueType(ValueType));
}

std::string readCustomData(const std::string &Section, const std::string &ValueName) {
  return currentSaver()->ReadCustomData(Section, ValueName);
}

void writeCustomData(const std::string &Section, const std::string &ValueName,
                     const std::string &Data) {
  currentSaver()->WriteCustomData(Section, ValueName, Data);
}

} // namespace

void RegisterSettingsModule() {
  {
    std::lock_guard guard(moduleLock);
    saver = platform::MakeCom<TProfileParamSaver>();
  }
  GetProfiler.Fill(&getProfiler);
  ReadCustom.Fill(&readCustom);
  WriteCustom.Fill(&writeCustom);
  ReadCustomData.Fill(&readCustomData);
  WriteCustomData.Fill(&writeCustomData);
}

void FinalizeSettingsModule() {
  ComPtr<IProfilerNames> lastProfiler;
  ComPtr<TProfileParamSaver> lastSaver;
  {
    std::lock_guard guard(moduleLock);
    lastProfiler = std::move(profiler);
    lastSaver = std::move(saver);
  }
  // Released outside the lock, so that nothing their destructors call can wait on it.
}

} // namespace zs
