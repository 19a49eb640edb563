#include "retrieval/get_file_tool.h"

#include <exception>
#include <mutex>
#include <vector>

#include "platform/safecall.h"
#include "platform/text.h"
#include "retrieval/local_file_tool.h"
#include "retrieval/tool_errors.h"

namespace zs::retrieval {

namespace {

std::mutex inetModulesLock; // guards inetModules, and the proxy updates of its modules
// Every internet module used so far, each once, in the order of first use.
std::vector<ComPtr<IInetModule>> inetModules;

// Plain calls have no result: a module reports a failed SetProxy by raising.
void setModuleProxy(IInetModule *Module, const TProxyData &Proxy) {
  try {
    Module->SetProxy(Proxy);
  } catch (...) {
    CheckTool(platform::E_UNEXPECTED, Module, "");
  }
}

// The walk over the cache modules goes through the plug-in loader, which an exception must
// not cross: the first failure is kept and raised once the walk is over.
struct TCacheSearch {
  const TURL &URL;
  ComPtr<IGetFileTool> Tool;
  std::exception_ptr Failure;
};

bool askCacheModule(void *Context, IUnknown *Module) {
  auto &search = *static_cast<TCacheSearch *>(Context);
  ComPtr<IInetCacheModule> cache = ComPtr<IUnknown>(Module).As<IInetCacheModule>();
  if (!cache) return false;
  try {
    CheckTool(cache->GetTool(search.URL, search.Tool.put()), cache.get(), search.URL);
  } catch (...) {
    search.Failure = std::current_exception();
    return true;
  }
  return static_cast<bool>(search.Tool);
}

ComPtr<IGetFileTool> toolOfCacheModules(const TURL &URL) {
  TCacheSearch search{URL, nullptr, nullptr};
  EnumInetCacheModules(&askCacheModule, &search);
  if (search.Failure) std::rethrow_exception(search.Failure);
  return search.Tool;
}

// The module joins the list (and learns the proxy) the first time it is used.
void joinInetModules(IInetModule *Module) {
  std::lock_guard guard(inetModulesLock);
  for (const ComPtr<IInetModule> &known : inetModules)
    if (known.get() == Module) return;
  inetModules.emplace_back(Module);
  setModuleProxy(Module, ReadProxyData());
}

} // namespace

ComPtr<IGetFileTool> ChooseGetFileTool(const TParsedURL &ParsedURL, const TURL &URL) {
  // The text to fetch is the URL as written: simplifying fills in a default port that is
  // only good for telling links apart (https shares 80 with http there) and must never reach
  // a server.
  TURL url = URL.empty() ? UnparseURL(ParsedURL) : URL;
  TParsedURL parsed = ParsedURL;
  if (!parsed.Simple) platform::OleCheck(GetURLServices()->Simplify(&parsed));
  std::string scheme = platform::LowerCase(parsed.Sheme);

  // Local files are never handed to a module or to the separated process.
  if (scheme == "file") return NewLocalFileTool(parsed);

  if (ComPtr<IGetFileTool> cached = toolOfCacheModules(url)) return cached;

  if (ComPtr<IInetModule> module = GetInetModule(scheme).As<IInetModule>()) {
    joinInetModules(module.get());
    ComPtr<IGetFileTool> tool;
    CheckTool(module->CreateTool(parsed.Sheme, url, tool.put()), module.get(), url);
    return tool;
  }

  return CreateWinInetTool.IsFilled() ? CreateWinInetTool(scheme, url) : nullptr;
}

void UpdateInetModulesProxy() {
  std::lock_guard guard(inetModulesLock);
  if (inetModules.empty()) return;
  TProxyData proxy = ReadProxyData();
  for (const ComPtr<IInetModule> &module : inetModules)
    setModuleProxy(module.get(), proxy);
}

void ReleaseInetModules() {
  std::lock_guard guard(inetModulesLock);
  inetModules.clear();
}

} // namespace zs::retrieval
