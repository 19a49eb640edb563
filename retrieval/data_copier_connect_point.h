// The program's end of the channel to the separated network process: it starts the process
// with the other end of a socket pair, sends frames from any thread, and receives on a thread
// of its own. Frames that find no room are held, and the channel is not read meanwhile, until
// room is freed; so the process's output backs up and it has to pause its transfers.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/channel_frame.h"
#include "platform/child_process.h"
#include "platform/socket_channel.h"

namespace zs::retrieval {

class TDataCopierConnectPoint {
public:
  TDataCopierConnectPoint() = default;
  virtual ~TDataCopierConnectPoint();
  TDataCopierConnectPoint(const TDataCopierConnectPoint &) = delete;
  TDataCopierConnectPoint &operator=(const TDataCopierConnectPoint &) = delete;

  // The arguments after the program's path: the descriptor under which the process finds its
  // end of the channel, as "%8.8x" formats it.
  static std::vector<std::string> LaunchArguments(int Descriptor);

  // Starts the program with its end of a new channel and begins receiving. EDataCopier with
  // the system's text when it cannot be started.
  void LaunchProcess(const std::string &Path);
  // Waits up to 10 s for the process's Hello. EDataCopier "Separated process is hung" when
  // none comes, or when the process ends first.
  void WaitStarted();
  // Sends one frame; frames of several threads never interleave. EDataCopier with the
  // system's text when the write fails (the process is gone).
  void Send(uint32_t Code, std::string_view Payload);
  void SendCode(uint32_t Code);
  // A reader took replies out: a frame held for want of room is offered again.
  void RoomFreed();
  pid_t ProcessId() const { return processId_; }

protected:
  // In the receiving thread, for every frame but Hello. False when there is no room for it
  // now; it is offered again after RoomFreed.
  virtual bool HandleData(const platform::Frame &Message) = 0;
  // In the receiving thread: the process's end closed or the stream broke. The process is
  // then ended and reaped.
  virtual void PeerLost() = 0;
  // Makes the receiving thread see the end of the stream, as if the process had gone.
  void Hangup();
  // Stops the receiving thread, shuts the channel and ends the process. A derived class
  // calls it first in its destructor, so that the thread never calls into a half-destroyed
  // object.
  void Disconnect();

private:
  void receive();
  void peerGone();
  // Shuts the channel, so the process sees the end of its input and leaves, and reaps it;
  // one that does not leave in time is killed.
  void endProcess();
  // Waits on the channel and the wake-up event; false when the thread is to stop.
  bool wait(bool wantRead, platform::ChannelEvents &events);

  platform::SocketChannel channel_;
  platform::ChildProcess process_; // touched by the receiving thread while it runs
  pid_t processId_ = -1;
  platform::WakeUpEvent wake_;
  std::thread receiver_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> holding_{false}; // the receiving thread waits for room
  std::mutex sendLock_;              // keeps each frame whole on the stream
  std::mutex startLock_;             // guards started_ and ended_
  std::condition_variable startChanged_;
  bool started_ = false;
  bool ended_ = false;
};

} // namespace zs::retrieval
