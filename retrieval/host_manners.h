// How the fetches of one run of a job behave toward the hosts they fetch from: each host's
// robots.txt is read once, by the first fetch there, before anything else is fetched from
// it; links it disallows are not fetched; and the pause it asks for between fetches is kept
// between the starts of the run's fetches there. Shared by the run's fetches, in their
// threads.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "kernel/interfaces.h"

namespace zs::retrieval {

// Reads the robots.txt at RobotsURL (parsed: Robots) for the fetch that needs it: its text,
// or nothing when there is none to obey (the reader says why in the job's log when that is
// news).
using TRobotsReader = std::function<std::string(const TParsedURL &Robots, const TURL &RobotsURL)>;
// A pause of the fetch, which a cancellation ends by an exception.
using TFetchPause = std::function<void(std::chrono::milliseconds)>;

// Asks the site no more often than this, whatever its Crawl-delay says.
constexpr std::chrono::seconds LongestCrawlDelay{30};

// The manners of a new run, by the settings as the run begins: ObeyRobotsTxt, and
// UserAgent for the agent that robots.txt groups are chosen by.
ComPtr<IUnknown> NewHostManners();

// Whether the link may be fetched; returns once it is the link's turn at its host. Manners:
// what NewHostManners made.
bool TakeTurnAtHost(IUnknown &Manners, const TParsedURL &Link, const TRobotsReader &Read,
                    const TFetchPause &Pause);

} // namespace zs::retrieval
