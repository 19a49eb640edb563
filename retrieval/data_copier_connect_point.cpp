#include "retrieval/data_copier_connect_point.h"

#include <cstdio>
#include <exception>

#include "kernel/interfaces.h"
#include "retrieval/wire_messages.h"

namespace zs::retrieval {

namespace {

using namespace std::chrono_literals;

constexpr auto StartTimeout = 10s;
// A process that saw its channel close ends by itself at once; this only bounds the wait
// for one that does not.
constexpr auto ExitGrace = 5s;
constexpr size_t ReadPiece = 64 * 1024;

} // namespace

TDataCopierConnectPoint::~TDataCopierConnectPoint() { Disconnect(); }

std::vector<std::string> TDataCopierConnectPoint::LaunchArguments(int Descriptor) {
  char text[16];
  std::snprintf(text, sizeof text, "%8.8x", static_cast<unsigned>(Descriptor));
  return {text};
}

void TDataCopierConnectPoint::LaunchProcess(const std::string &Path) {
  auto [own, peer] = platform::SocketChannel::CreatePair();
  try {
    process_ = platform::ChildProcess::Spawn(
        Path, LaunchArguments(platform::ChildProcess::ChannelDescriptor), peer.Descriptor());
  } catch (const platform::EOSError &e) {
    throw EDataCopier(e.Message());
  }
  // Our copy of the process's end closes here: from now on only the process holds it, so its
  // end closes exactly when the process goes.
  processId_ = process_.Id();
  channel_ = std::move(own);
  receiver_ = std::thread(&TDataCopierConnectPoint::receive, this);
}

void TDataCopierConnectPoint::WaitStarted() {
  std::unique_lock guard(startLock_);
  if (!startChanged_.wait_for(guard, StartTimeout, [&] { return started_ || ended_; }) || !started_)
    throw EDataCopier("Separated process is hung");
}

void TDataCopierConnectPoint::Send(uint32_t Code, std::string_view Payload) {
  std::string frame;
  platform::AppendFrame(frame, Code, Payload);
  std::lock_guard guard(sendLock_);
  try {
    channel_.SendAll(frame);
  } catch (const platform::EOSError &e) {
    throw EDataCopier(e.Message());
  }
}

void TDataCopierConnectPoint::SendCode(uint32_t Code) { Send(Code, {}); }

void TDataCopierConnectPoint::RoomFreed() {
  if (holding_.load()) wake_.Signal();
}

void TDataCopierConnectPoint::Hangup() { channel_.Shutdown(); }

void TDataCopierConnectPoint::Disconnect() {
  stopping_ = true;
  wake_.Signal();
  if (receiver_.joinable()) receiver_.join();
  // The process sees the end of its input and leaves; a sender blocked on a full channel
  // returns with a failure. The descriptor itself stays until this object goes, so no other
  // thread can ever write to a number the system has handed out again.
  endProcess();
}

void TDataCopierConnectPoint::endProcess() {
  channel_.Shutdown();
  if (!process_.WaitForExit(ExitGrace)) process_.Kill();
  process_.WaitForExit(std::chrono::milliseconds(-1));
}

bool TDataCopierConnectPoint::wait(bool wantRead, platform::ChannelEvents &events) {
  events = platform::WaitForChannel(channel_, wantRead, &wake_);
  if (events.Woken) wake_.Clear();
  return !stopping_;
}

void TDataCopierConnectPoint::receive() {
  platform::FrameReader reader;
  platform::Frame frame;
  bool held = false; // frame found no room yet
  std::string piece(ReadPiece, '\0');
  platform::ChannelEvents events;
  try {
    for (;;) {
      if (held) {
        // Raised before the offer, so room freed right after a refusal still wakes us.
        holding_ = true;
        held = !HandleData(frame);
        if (held) {
          if (!wait(false, events)) return;
          if (events.HungUp) break;
          continue;
        }
        holding_ = false;
      }
      if (reader.Next(frame)) {
        if (frame.Code == HelloMessage) {
          std::lock_guard guard(startLock_);
          started_ = true;
          startChanged_.notify_all();
        } else {
          held = !HandleData(frame);
        }
        continue;
      }
      if (!wait(true, events)) return;
      if (!events.Readable) {
        if (events.HungUp) break;
        continue;
      }
      long got = channel_.ReadSome(piece.data(), piece.size());
      if (got <= 0) break;
      reader.Append(piece.data(), static_cast<size_t>(got));
    }
  } catch (const std::exception &e) {
    // A broken stream or a malformed message: nothing more from it can be trusted, so the
    // channel counts as lost like a process that went away.
    std::fprintf(stderr, "ZelvorSumbra: channel to the separated process broken: %s\n", e.what());
  }
  peerGone();
}

void TDataCopierConnectPoint::peerGone() {
  {
    std::lock_guard guard(startLock_);
    ended_ = true;
    startChanged_.notify_all();
  }
  PeerLost();
  endProcess();
}

} // namespace zs::retrieval
