#include "netproc/win_inetter.h"

#include <cstdio>
#include <stdexcept>

namespace zs::netproc {

using namespace zs::retrieval;

namespace {

// Transfers pause once this much output waits, and go on when it has fallen below the
// second mark; in between the program reads what is there.
constexpr size_t OutputHighMark = 1u << 20;
constexpr size_t OutputLowMark = 256u << 10;
constexpr size_t ReadPiece = 64 * 1024;
// Only bounds the wait when nothing happens; curl's own timers and the channel wake it.
constexpr int PollMilliseconds = 1000;

void complain(const char *what, const std::exception &e) {
  std::fprintf(stderr, "ZelvorSumbraWinInetter: %s: %s\n", what, e.what());
}

} // namespace

TWinInetter::TWinInetter(int Descriptor) : channel_(Descriptor), multi_(curl_multi_init()) {
  if (!multi_) throw std::runtime_error("Cannot create curl's multi handle");
  channel_.SetNonBlocking();
}

TWinInetter::~TWinInetter() {
  transfers_.clear(); // out of the multi handle before it goes
  curl_multi_cleanup(multi_);
}

bool TWinInetter::OutputFull() const { return pendingOutput() >= OutputHighMark; }

void TWinInetter::Queue(uint32_t Code, std::string_view Payload) {
  platform::AppendFrame(output_, Code, Payload);
}

void TWinInetter::Run() {
  Queue(HelloMessage, {});
  while (!hostGone_) {
    int running = 0;
    curl_multi_perform(multi_, &running);
    finishDone();
    flushOutput();
    resumePaused();
    if (hostGone_) break;
    curl_waitfd channel = {
        channel_.Descriptor(),
        static_cast<short>(CURL_WAIT_POLLIN | (pendingOutput() > 0 ? CURL_WAIT_POLLOUT : 0)), 0};
    curl_multi_poll(multi_, &channel, 1, PollMilliseconds, nullptr);
    if (channel.revents & CURL_WAIT_POLLIN) readInput();
  }
}

void TWinInetter::readInput() {
  char piece[ReadPiece];
  try {
    for (;;) {
      long got = channel_.ReadSome(piece, sizeof piece);
      if (got < 0) break;
      if (got == 0) {
        hostGone_ = true;
        return;
      }
      input_.Append(piece, static_cast<size_t>(got));
    }
    platform::Frame message;
    while (input_.Next(message))
      handle(message);
  } catch (const platform::Exception &e) {
    // The channel failed or carries no frames any more: nobody is left to serve.
    complain("channel lost", e);
    hostGone_ = true;
  }
}

void TWinInetter::handle(const platform::Frame &message) {
  try {
    switch (message.Code) {
    case hmRequest: startTransfer(DecodeRequest(message.Payload)); break;
    case hmAbort: transfers_.erase(DecodeAbort(message.Payload)); break;
    case hmSettings: settings_ = DecodeSettings(message.Payload); break;
    default: break; // Hello, or a message this program does not know
    }
  } catch (const EWireFormat &e) {
    // Without a readable ID there is no request to answer; the others go on.
    complain("malformed message ignored", e);
  }
}

void TWinInetter::startTransfer(const TRequest &request) {
  // IDs are unique among the pending requests; one in use means its request is over.
  transfers_.erase(request.ID);
  try {
    transfers_[request.ID] = std::make_unique<TTransfer>(multi_, request, settings_, *this);
  } catch (const std::runtime_error &e) {
    transfers_.erase(request.ID);
    Queue(pmError, EncodeError(request.ID, tecUntranslated, e.what()));
  }
}

void TWinInetter::flushOutput() {
  try {
    while (pendingOutput() > 0) {
      size_t written = channel_.SendSome(std::string_view(output_).substr(outputStart_));
      if (written == 0) break;
      outputStart_ += written;
    }
  } catch (const platform::EOSError &e) {
    complain("channel lost", e);
    hostGone_ = true;
  }
  if (outputStart_ == output_.size()) {
    output_.clear();
    outputStart_ = 0;
  } else if (outputStart_ >= OutputHighMark) {
    output_.erase(0, outputStart_);
    outputStart_ = 0;
  }
}

void TWinInetter::resumePaused() {
  for (auto &[id, transfer] : transfers_) {
    if (pendingOutput() >= OutputLowMark) return;
    if (transfer->Paused()) transfer->Resume();
  }
}

void TWinInetter::finishDone() {
  int left = 0;
  while (CURLMsg *message = curl_multi_info_read(multi_, &left)) {
    if (message->msg != CURLMSG_DONE) continue;
    // The message is gone once its handle leaves the multi handle: read it first.
    CURLcode result = message->data.result;
    char *owner = nullptr;
    curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
    auto *transfer = reinterpret_cast<TTransfer *>(owner);
    transfer->Finish(result);
    transfers_.erase(transfer->ID());
  }
}

} // namespace zs::netproc
