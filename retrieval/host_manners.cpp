#include "retrieval/host_manners.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/com.h"
#include "platform/safecall.h"
#include "retrieval/robots_rules.h"

namespace zs::retrieval {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class IRHostManners : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{8D0F6A27-31C4-4B5E-9E62-7A1C3D5B9F10}");
  using Base = IUnknown;

  virtual bool TakeTurn(const TParsedURL &Link, const TRobotsReader &Read,
                        const TFetchPause &Pause) = 0;

protected:
  ~IRHostManners() = default;
};

class THostManners final : public platform::TComObject<IRHostManners> {
public:
  THostManners(bool Obey, std::string Agent) : obey_(Obey), agent_(std::move(Agent)) {}

  bool TakeTurn(const TParsedURL &Link, const TRobotsReader &Read,
                const TFetchPause &Pause) override {
    if (!obey_) return true;
    TParsedURL robots = Link;
    robots.Path = "/";
    robots.FileName = "robots.txt";
    robots.Query.clear();
    robots.Anchor.clear();
    const TURL robotsURL = UnparseURL(robots);
    THost &host = readRulesOf(robots, robotsURL, Read, Pause);

    milliseconds wait{0};
    {
      std::lock_guard guard(lock_);
      if (!host.Rules.Allows(Link.Path + Link.FileName + Link.Query)) return false;
      const milliseconds delay = std::min<milliseconds>(host.Rules.CrawlDelay(), LongestCrawlDelay);
      if (delay.count() == 0) return true;
      const steady_clock::time_point now = steady_clock::now();
      const steady_clock::time_point turn = std::max(now, host.NextTurn);
      host.NextTurn = turn + delay;
      wait = std::chrono::duration_cast<milliseconds>(turn - now);
    }
    if (wait.count() > 0) Pause(wait);
    return true;
  }

private:
  struct THost {
    enum { Unread, Reading, Read } State = Unread;
    TRobotsRules Rules;
    steady_clock::time_point NextTurn; // of the next fetch, when the site asks for a pause
  };

  // The host of RobotsURL, its rules read: by this fetch when it is the first there, or else
  // by the fetch that was, which the others wait for.
  THost &readRulesOf(const TParsedURL &Robots, const TURL &RobotsURL, const TRobotsReader &Read,
                     const TFetchPause &Pause) {
    for (milliseconds pause{1};; pause = std::min(pause * 2, milliseconds{50})) {
      {
        std::lock_guard guard(lock_);
        THost &host = hosts_[RobotsURL];
        if (host.State == THost::Read) return host;
        if (host.State == THost::Unread) {
          host.State = THost::Reading;
          break;
        }
      }
      Pause(pause);
    }
    TRobotsRules rules;
    try {
      rules = TRobotsRules(Read(Robots, RobotsURL), agent_);
    } catch (...) {
      // A cancelled reader leaves the reading to the next fetch there.
      std::lock_guard guard(lock_);
      hosts_[RobotsURL].State = THost::Unread;
      throw;
    }
    reportDelay(RobotsURL, rules.CrawlDelay());
    std::lock_guard guard(lock_);
    THost &host = hosts_[RobotsURL];
    host.Rules = std::move(rules);
    host.State = THost::Read;
    return host;
  }

  // A site that asks for a pause is told in the job's log, with the pause kept when it
  // asks for too long a one.
  static void reportDelay(const TURL &RobotsURL, milliseconds delay) {
    if (delay.count() == 0) return;
    std::string text = RobotsURL + " asks for " + secondsText(delay) + " s between fetches";
    if (delay > LongestCrawlDelay) text += "; waiting " + secondsText(LongestCrawlDelay) + " s";
    ReportWarning(text);
  }

  static std::string secondsText(milliseconds delay) {
    std::string text = std::to_string(delay.count() / 1000);
    if (const auto thousandths = delay.count() % 1000) {
      std::string digits = std::to_string(1000 + thousandths).substr(1);
      text += "." + digits.erase(digits.find_last_not_of('0') + 1);
    }
    return text;
  }

  const bool obey_; // robots.txt, for the whole run
  const std::string agent_;
  std::mutex lock_; // guards hosts_ and what they hold
  std::map<TURL, THost> hosts_;
};

} // namespace

ComPtr<IUnknown> NewHostManners() {
  Variant obey, agent;
  platform::OleCheck(GetProfiler()->get_Param("ObeyRobotsTxt", &obey));
  platform::OleCheck(GetProfiler()->get_Param("UserAgent", &agent));
  return ComPtr<IUnknown>(
      platform::MakeCom<THostManners>(!obey.IsNull() && obey.AsBoolean(),
                                      agent.IsNull() ? std::string() : agent.AsString())
          .get());
}

bool TakeTurnAtHost(IUnknown &Manners, const TParsedURL &Link, const TRobotsReader &Read,
                    const TFetchPause &Pause) {
  return ComPtr<IUnknown>(&Manners).As<IRHostManners>()->TakeTurn(Link, Read, Pause);
}

} // namespace zs::retrieval
