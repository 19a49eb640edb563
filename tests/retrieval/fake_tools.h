// Transfer tools for tests, served through the GetFileTool entry point in place of the real
// choice: resources held in memory by file name, and a gate that holds back the data of
// "slow" resources until the test opens it, so that fetches stay running as long as needed.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tests/retrieval/retrieval_test_support.h"

namespace zs::testing {

struct TFakeResource {
  std::string Bytes = "";
  bool SizeKnown = true;
  bool Slow = false;    // no data before the gate opens; GetAvailable answers 0
  int32_t Chunk = 4096; // the most GetAvailable offers at once
  std::string ContentType = "";
};

// The resources and the state of the tools; touched by worker threads and the test.
class TFakeTools {
public:
  std::mutex Lock;                                // guards everything below
  std::map<std::string, TFakeResource> Resources; // by file name; others are not found
  bool GateOpen = false;
  int Active = 0;  // tools alive
  int Most = 0;    // the most tools alive at once
  int Aborted = 0; // Abort calls

  // Reads or changes the state under the lock.
  template <class F> auto Locked(F f) {
    std::lock_guard guard(Lock);
    return f();
  }
  void OpenGate() {
    Locked([&] { GateOpen = true; });
  }
  int ActiveNow() {
    return Locked([&] { return Active; });
  }
  int MostAtOnce() {
    return Locked([&] { return Most; });
  }
  int AbortCount() {
    return Locked([&] { return Aborted; });
  }
  void Add(const std::string &FileName, TFakeResource Resource) {
    Locked([&] { Resources[FileName] = std::move(Resource); });
  }
};

inline TFakeTools &FakeTools() {
  static TFakeTools tools;
  return tools;
}

class TFakeTool : public platform::TComObject<IGetFileTool> {
public:
  TFakeTool(bool Found, TFakeResource Resource) : found_(Found), resource_(std::move(Resource)) {
    TFakeTools &tools = FakeTools();
    std::lock_guard guard(tools.Lock);
    tools.Most = std::max(tools.Most, ++tools.Active);
  }
  ~TFakeTool() override {
    TFakeTools &tools = FakeTools();
    std::lock_guard guard(tools.Lock);
    --tools.Active;
  }

  HRESULT GetContentType(std::string *Value) override {
    *Value = resource_.ContentType;
    return platform::S_OK;
  }
  HRESULT GetSize(int32_t *Value) override {
    *Value = resource_.SizeKnown ? static_cast<int32_t>(resource_.Bytes.size()) : -1;
    return platform::S_OK;
  }
  HRESULT Open(bool *Found) override {
    *Found = found_;
    return platform::S_OK;
  }
  HRESULT GetAvailable(int32_t *Value) override {
    TFakeTools &tools = FakeTools();
    std::lock_guard guard(tools.Lock);
    if (aborted_) return platform::E_FAIL;
    if (resource_.Slow && !tools.GateOpen) {
      *Value = 0;
      return platform::S_OK;
    }
    size_t left = resource_.Bytes.size() - position_;
    *Value = left == 0 ? -1 : static_cast<int32_t>(std::min<size_t>(left, resource_.Chunk));
    return platform::S_OK;
  }
  HRESULT Read(void *Buffer, int32_t Count, int32_t *Read) override {
    size_t n = std::min<size_t>(Count, resource_.Bytes.size() - position_);
    std::memcpy(Buffer, resource_.Bytes.data() + position_, n);
    position_ += n;
    *Read = static_cast<int32_t>(n);
    return platform::S_OK;
  }
  HRESULT Abort() override {
    TFakeTools &tools = FakeTools();
    std::lock_guard guard(tools.Lock);
    aborted_ = true;
    ++tools.Aborted;
    return platform::S_OK;
  }

private:
  const bool found_;
  const TFakeResource resource_;
  size_t position_ = 0;  // the worker's only
  bool aborted_ = false; // guarded by the tools' lock
};

inline ComPtr<IGetFileTool> FakeGetFileTool(const TParsedURL &URL, const TURL &) {
  TFakeTools &tools = FakeTools();
  TFakeResource resource;
  bool found = false;
  {
    std::lock_guard guard(tools.Lock);
    auto known = tools.Resources.find(URL.FileName);
    found = known != tools.Resources.end();
    if (found) resource = known->second;
  }
  return platform::MakeCom<TFakeTool>(found, std::move(resource));
}

// The fake tools serve every fetch for the life of the object, starting afresh.
class TScopedFakeTools {
public:
  TScopedFakeTools() : entry_(GetFileTool, &FakeGetFileTool) { reset(); }
  ~TScopedFakeTools() { reset(); }
  TFakeTools *operator->() const { return &FakeTools(); }

private:
  static void reset() {
    TFakeTools &tools = FakeTools();
    std::lock_guard guard(tools.Lock);
    tools.Resources.clear();
    tools.GateOpen = false;
    tools.Most = tools.Aborted = 0;
  }
  TScopedEntry<ComPtr<IGetFileTool>(const TParsedURL &, const TURL &)> entry_;
};

} // namespace zs::testing
