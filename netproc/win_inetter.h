// The separated network process: it serves the program's requests over one channel, running
// every transfer on one thread with curl's multi interface. When the program stops reading,
// the output fills and the transfers pause, so memory stays bounded however large the files.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "netproc/transfer.h"
#include "platform/channel_frame.h"
#include "platform/socket_channel.h"
#include "retrieval/wire_messages.h"

namespace zs::netproc {

class TWinInetter final : public TTransferSink {
public:
  // Serves the channel at Descriptor (the program's end is the peer).
  explicit TWinInetter(int Descriptor);
  ~TWinInetter();
  TWinInetter(const TWinInetter &) = delete;
  TWinInetter &operator=(const TWinInetter &) = delete;

  // Announces itself, then serves until the program's end closes.
  void Run();

  bool OutputFull() const override;
  void Queue(uint32_t Code, std::string_view Payload) override;

private:
  size_t pendingOutput() const { return output_.size() - outputStart_; }
  void readInput();
  void handle(const platform::Frame &message);
  void startTransfer(const retrieval::TRequest &request);
  void flushOutput();
  void resumePaused();
  void finishDone();

  platform::SocketChannel channel_;
  CURLM *multi_;
  platform::FrameReader input_;
  std::string output_; // frames not yet written to the program, from outputStart_
  size_t outputStart_ = 0;
  // Until the program says otherwise, certificates are checked and the environment decides
  // the proxy.
  retrieval::TTransferSettings settings_{"Zelvor Sumbra!/ver 1.0", 0, "", "", "", false, 60, 0};
  std::map<uint32_t, std::unique_ptr<TTransfer>> transfers_;
  bool hostGone_ = false;
};

} // namespace zs::netproc
