// The connector to the separated network process: the requests in flight and their reply
// lists, the messages of the protocol, and the one connector of the program, started on
// first use and started afresh after its process went away.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "kernel/interfaces.h"
#include "retrieval/data_copier_connect_point.h"
#include "retrieval/reply_queue.h"

namespace zs::retrieval {

// The text of EWinInetConnector: every fetch that cannot reach the process gets it.
extern const char *const CannotConnectText;

// A request in flight: its ID on the channel and the list its replies go to.
struct TPendingRequest {
  uint32_t ID = 0;
  std::shared_ptr<TReplyQueue> Replies;
};

class TWinInetConnector final : public TDataCopierConnectPoint {
public:
  explicit TWinInetConnector(TReplyBudget &Budget) : budget_(Budget) {}
  ~TWinInetConnector() override;

  // False once the channel failed or the connector was closed; a new one is needed then.
  bool Alive() const { return alive_.load(); }
  // Ends the process; every request still waiting fails with the cannot-connect error.
  void Close();

  // A request under an ID unique among the pending ones, with an empty reply list. It is
  // pending before its Request leaves, so no reply can arrive for an unknown ID.
  TPendingRequest RegisterTool();
  // Takes a request off the pending list, so replies still under way are ignored; false
  // when it was no longer pending (its End or Error arrived, or the channel failed).
  bool Forget(uint32_t ID);

  // Each raises EWinInetConnector after Fail all when the send fails.
  void SendRequest(uint32_t ID, const TURL &URL, const TConditions &Conditions = {});
  void SendAbort(uint32_t ID);
  // The user agent, the proxy and "ignore SSL inexactnesses" as the settings hold them now.
  void SendSettings();

protected:
  bool HandleData(const platform::Frame &Message) override;
  void PeerLost() override;

private:
  void send(uint32_t code, std::string_view payload);
  // Drops every pending request, waking its reader with the cannot-connect error, and makes
  // the receiving thread see the end of the channel, which ends the process.
  void failAll();

  TReplyBudget &budget_;
  std::atomic<bool> alive_{true};
  std::mutex pendingLock_; // guards pendingTools_ and lastID_
  std::unordered_map<uint32_t, std::shared_ptr<TReplyQueue>> pendingTools_;
  uint32_t lastID_ = 0;
};

// The running connector, started (with its process and then the user's settings) when there
// is none or the last one failed. EWinInetConnector with CannotConnectText when the process
// cannot be started or does not announce itself; that outcome stays until the module is
// started again.
std::shared_ptr<TWinInetConnector> GetConnector();

// The program started for the transfers: ZelvorSumbraWinInetter in the program's folder
// unless set otherwise (tests point it elsewhere).
void SetProcessPath(const std::string &Path);
// Payload bytes of replies received and not yet read, over all requests of the program.
size_t UnreadReplyBytes();
// The process of the running connector; -1 when none runs.
pid_t SeparatedProcessId();
// Sends the current settings to the running process, if one runs.
void ResendSettings();

// Module start: the settings advisor that passes changes to the process. Module end: the
// advisor goes, the process ends, and waiting requests fail.
void StartConnectorModule();
void StopConnectorModule();

} // namespace zs::retrieval
