#include "settings/profiler.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "platform/safecall.h"
#include "settings/module_names.h"
#include "settings/param_tables.h"

namespace zs::settings {

using platform::SafeCall;

namespace {

class TProfiler : public platform::TComObject<platform::TDispatchStub<IProfilerNames>> {
public:
  explicit TProfiler(ComPtr<TProfileParamSaver> saver) : saver_(std::move(saver)) {
    saver_->SetOnChange(
        [this](const std::string &name, const Variant &value) { notifyListeners(name, value); });
  }
  ~TProfiler() override { saver_->SetOnChange(nullptr); }

  HRESULT get_Param(const std::string &Name, Variant *Value) override {
    return SafeCall([&] { *Value = saver_->GetParam(Name); });
  }
  HRESULT put_Param(const std::string &Name, const Variant &Value) override {
    return SafeCall([&] { saver_->SetParam(Name, Value); });
  }
  HRESULT Advise(IProfilerEvents *Callback, int32_t *ID) override {
    return SafeCall([&] {
      if (!Callback) throw platform::EOleSysError("No listener given", platform::E_INVALIDARG);
      std::lock_guard guard(listenersLock_);
      // Cookies count up rather than being the cell's address, which does not fit 32 bits.
      *ID = static_cast<int32_t>(++adviseCount_);
      listeners_.push_back({*ID, Callback});
    });
  }
  HRESULT Unadvice(int32_t ID) override {
    return SafeCall([&] {
      std::lock_guard guard(listenersLock_);
      auto cell = std::ranges::find(listeners_, ID, &Cell::ID);
      if (cell == listeners_.end())
        throw platform::EOleSysError(platform::SysErrorMessage(platform::E_INVALIDARG),
                                     platform::E_INVALIDARG);
      listeners_.erase(cell);
    });
  }

  HRESULT get_MaxGetProcessAllowed(int32_t *Value) override {
    return integer("MaxGetProcessAllowed", Value);
  }
  HRESULT get_UserAgent(std::string *Value) override { return text("UserAgent", Value); }
  HRESULT get_IgnoreSSLInexactnesses(bool *Value) override {
    return boolean("IgnoreSSLInexactnesses", Value);
  }
  HRESULT get_FirstSiteName(std::string *Value) override { return text("FirstSiteName", Value); }
  HRESULT get_IgnorePrefix(bool *Value) override { return boolean("IgnorePrefix", Value); }
  HRESULT get_DefaultIndexName(std::string *Value) override {
    return text("DefaultIndexName", Value);
  }
  HRESULT get_HTMLParserOverriden(bool *Value) override {
    return SafeCall([&] {
      // Asked by every parse; the answer holds for the life of the object.
      int8_t known = htmlParserOverriden_.load();
      if (known == unknown) {
        known = saver_->GetString("PluginParserModuleName:html").empty() ? 0 : 1;
        htmlParserOverriden_.store(known);
      }
      *Value = known == 1;
    });
  }
  HRESULT get_JobDescriptionFileName(std::string *Value) override {
    return text("JobDescriptionFileName", Value);
  }
  HRESULT get_QuickSaveFileName(std::string *Value) override {
    return text("QuickSaveFileName", Value);
  }
  HRESULT GetPrefixToIgnore(const std::string &ProtocolLoCase, std::string *Value) override {
    return text("PrefixToIgnore:" + ProtocolLoCase, Value);
  }
  HRESULT GetDefaultPort(const std::string &ProtocolLoCase, std::string *Value) override {
    return text("DefaultPort:" + ProtocolLoCase, Value);
  }
  HRESULT get_UserJobList(std::string *Value) override { return text("UserJobList", Value); }
  HRESULT GetPluginInetModuleName(const std::string &ProtocolLoCase, std::string *Value) override {
    return text("PluginInetModuleName:" + ProtocolLoCase, Value);
  }
  HRESULT GetPluginParserModuleName(const std::string &IDTag, std::string *Value) override {
    return text("PluginParserModuleName:" + IDTag, Value);
  }
  HRESULT GetPluginInetCacheModuleNames(std::string *Value) override {
    return text("PluginInetCacheModuleNames", Value);
  }
  HRESULT GetPluginXMLProviderModuleName(std::string *Value) override {
    return text("PluginXMLProviderModuleName", Value);
  }
  HRESULT GetDefaultJobRequest(TJobRequestDef *Value) override {
    return SafeCall([&] {
      *Value = TJobRequestDef{};
      Value->CopyType = ctBrowsable;
      Value->DownLevel = -1;
    });
  }
  HRESULT GetVersion(uint16_t *Major, uint16_t *Minor, uint16_t *Release) override {
    return SafeCall([&] {
      *Major = ProgramVersion.Major;
      *Minor = ProgramVersion.Minor;
      *Release = ProgramVersion.Release;
    });
  }
  HRESULT GetModuleVersion(const std::string &ModuleName, uint16_t *Major, uint16_t *Minor,
                           uint16_t *Release, bool *Value) override {
    return SafeCall([&] {
      TVersion version;
      *Value = GetPluginVersion(ExpandModuleName(ModuleName, ModulesPath()), version);
      if (!*Value) version = TVersion{};
      *Major = version.Major;
      *Minor = version.Minor;
      *Release = version.Release;
    });
  }
  HRESULT GetModulesPath(std::string *Value) override { return text("ModulesPath", Value); }

private:
  struct Cell {
    int32_t ID;
    ComPtr<IProfilerEvents> Callback;
  };
  static constexpr int8_t unknown = -1;

  HRESULT text(const std::string &name, std::string *value) {
    return SafeCall([&] { *value = saver_->GetString(name); });
  }
  HRESULT integer(const std::string &name, int32_t *value) {
    return SafeCall([&] { *value = saver_->GetInteger(name); });
  }
  HRESULT boolean(const std::string &name, bool *value) {
    return SafeCall([&] { *value = saver_->GetBoolean(name); });
  }

  // In the order of Advise. A listener may advise or unadvise while it is being told, so
  // each one is looked up again just before its call; those added meanwhile hear the next
  // change. The first failure ends the round and reaches whoever made the change.
  void notifyListeners(const std::string &name, const Variant &value) {
    std::vector<int32_t> ids;
    {
      std::lock_guard guard(listenersLock_);
      for (const Cell &cell : listeners_)
        ids.push_back(cell.ID);
    }
    for (int32_t id : ids) {
      ComPtr<IProfilerEvents> callback;
      {
        std::lock_guard guard(listenersLock_);
        auto cell = std::ranges::find(listeners_, id, &Cell::ID);
        if (cell == listeners_.end()) continue;
        callback = cell->Callback;
      }
      platform::OleCheck(callback->ParamChanged(name, value));
    }
  }

  const ComPtr<TProfileParamSaver> saver_;
  std::mutex listenersLock_; // guards listeners_ and adviseCount_
  std::vector<Cell> listeners_;
  uint32_t adviseCount_ = 0;
  std::atomic<int8_t> htmlParserOverriden_{unknown};
};

} // namespace

ComPtr<IProfilerNames> CreateProfiler(ComPtr<TProfileParamSaver> Saver) {
  return platform::MakeCom<TProfiler>(std::move(Saver));
}

} // namespace zs::settings
