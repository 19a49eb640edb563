// One transfer of the separated process: a curl handle in the shared multi handle, and what
// the program is still owed for its request.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "retrieval/wire_messages.h"

namespace zs::netproc {

// Where a transfer sends its messages.
class TTransferSink {
public:
  // True while the messages not yet written to the program fill the output: transfers pause.
  virtual bool OutputFull() const = 0;
  virtual void Queue(uint32_t Code, std::string_view Payload) = 0;

protected:
  ~TTransferSink() = default;
};

class TTransfer {
public:
  // Starts the transfer of Request in Multi with the settings. std::runtime_error when curl
  // refuses.
  TTransfer(CURLM *Multi, const retrieval::TRequest &Request,
            const retrieval::TTransferSettings &Settings, TTransferSink &Sink);
  // Takes it out of the multi handle: no message for it follows.
  ~TTransfer();
  TTransfer(const TTransfer &) = delete;
  TTransfer &operator=(const TTransfer &) = delete;

  uint32_t ID() const { return id_; }
  bool Paused() const { return paused_; }
  // Lets a paused transfer write again; curl may hand over held data at once.
  void Resume();
  // curl ended the transfer with Result: sends what the request is still owed, its Header,
  // End or Error.
  void Finish(CURLcode Result);

private:
  static size_t onData(char *data, size_t size, size_t count, void *self);
  static size_t onHeader(char *data, size_t size, size_t count, void *self);
  // Sends the Header of the final response; false when that already answered the request
  // for good (not there, refused, server error).
  bool answerHeader();
  void sendError(int32_t code, std::string_view message, int32_t retryAfter = -1);
  int32_t retryAfterSeconds(long status) const;
  void addConditions(const retrieval::TConditions &Conditions);

  CURLM *multi_;
  CURL *easy_;
  uint32_t id_;
  TTransferSink &sink_;
  bool headerSent_ = false;
  bool answered_ = false; // End or Error sent
  bool paused_ = false;
  const int64_t maxBytes_; // of the body; 0: no limit
  int64_t received_ = 0;
  bool tooLarge_ = false;  // the body grew beyond maxBytes_
  std::string statusLine_; // of the latest HTTP response
  // Of the latest HTTP response: its validators, and whether its body came encoded (its
  // length then is not the length of the bytes handed on).
  std::string eTag_, lastModified_, retryAfter_;
  bool encoded_ = false;
  curl_slist *headers_ = nullptr; // the conditions of the request
  char errorText_[CURL_ERROR_SIZE] = {};
};

} // namespace zs::netproc
