// The messages a fetch posts to the main thread: each carries one change of its job's link
// list and is applied there by the job's async provider, then freed.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "kernel/interfaces.h"

namespace zs::kernel {

class TPostMessage {
public:
  explicit TPostMessage(IPJobAsyncProvider *Provider) : Provider(Provider) {}
  virtual ~TPostMessage() = default;
  TPostMessage(const TPostMessage &) = delete;
  TPostMessage &operator=(const TPostMessage &) = delete;

  // Applies the change to LinkList; runs in the main thread.
  virtual void Execute() = 0;

  ComPtr<IPJobAsyncProvider> Provider;
  ComPtr<IILinkList> LinkList; // filled just before Execute
};

// Links a fetch found on its page, in the order it found them.
class TAddLinksMessage final : public TPostMessage {
public:
  explicit TAddLinksMessage(IPJobAsyncProvider *Provider) : TPostMessage(Provider) {}
  void Add(const TLinkDescription &LinkDesc, int32_t CurrentLevel);
  size_t Count() const { return links_.size(); }
  // Adds every link; one that fails does not keep the others out, and the first failure
  // is raised once all were tried.
  void Execute() override;

private:
  std::vector<std::pair<TLinkDescription, int32_t>> links_; // with the level it was found at
};

// A fetch stopped without a result: its link waits again.
class TCancelLink final : public TPostMessage {
public:
  TCancelLink(IPJobAsyncProvider *Provider, std::string URL)
      : TPostMessage(Provider), URL(std::move(URL)) {}
  void Execute() override;

  std::string URL;
};

// A fetch ended, well or badly.
class TCompleteLink final : public TPostMessage {
public:
  TCompleteLink(IPJobAsyncProvider *Provider, std::string URL, TFetchOutcome Outcome)
      : TPostMessage(Provider), URL(std::move(URL)), Outcome(std::move(Outcome)) {}
  void Execute() override;

  std::string URL;
  TFetchOutcome Outcome;
};

} // namespace zs::kernel
