#include "retrieval/win_inet_gft.h"

#include <algorithm>
#include <cstring>

#include "platform/safecall.h"

namespace zs::retrieval {

namespace {

// The last failure of a tool in this thread, so concurrent fetches never see each other's.
thread_local int32_t lastErrorCode = 0;
thread_local std::string lastErrorMessage;

void clearLastError() {
  lastErrorCode = 0;
  lastErrorMessage.clear();
}

void setLastError(int32_t code, std::string message) {
  lastErrorCode = code;
  lastErrorMessage = std::move(message);
}

// Runs a tool method: clears the thread's last error, and turns an exception into a failing
// result. An Error reply has set the code the process sent; any other failure (the channel,
// an abort, the process's misbehaviour) gets a code without a text of its own, so the caller
// shows the failure's message rather than nothing.
template <class Body> HRESULT toolCall(Body &&body) {
  clearLastError();
  return platform::SafeCall([&] {
    try {
      body();
    } catch (const EHereExcept &) {
      throw;
    } catch (const std::exception &e) {
      setLastError(tecUntranslated, e.what());
      throw;
    }
  });
}

} // namespace

TWinInetGFT::TWinInetGFT(const TURL &URL) : url_(URL) {
  clearLastError();
  connector_ = GetConnector();
  request_ = connector_->RegisterTool();
}

void TWinInetGFT::send() {
  if (sent_) return;
  sent_ = true;
  connector_->SendRequest(request_.ID, url_, conditions_);
}

TWinInetGFT::~TWinInetGFT() {
  if (!connector_->Forget(request_.ID) || !sent_) return;
  try {
    connector_->SendAbort(request_.ID);
  } catch (const EWinInetConnector &) {
    // The channel is broken: every request has failed and the process is ending, so there
    // is no transfer left to stop.
  }
}

TReply TWinInetGFT::nextReply() {
  send();
  if (!final_) {
    TReply reply = request_.Replies->Take();
    connector_->RoomFreed();
    if (reply.Code != pmEnd && reply.Code != pmError) return reply;
    final_ = std::move(reply);
  }
  if (final_->Code == pmError) {
    setLastError(final_->ErrorCode, final_->Message);
    throw EHereExcept(final_->Message);
  }
  return *final_;
}

void TWinInetGFT::headerWait() {
  if (size_ != -2) return;
  TReply header = nextReply();
  if (header.Code != pmHeader) throw EDataCopier("Separated process answered without a header");
  found_ = header.Found;
  size_ = header.Size;
  contentType_ = std::move(header.ContentType);
  location_ = std::move(header.Location);
  notModified_ = header.NotModified;
  eTag_ = std::move(header.ETag);
  lastModified_ = std::move(header.LastModified);
}

void TWinInetGFT::fillBuffer() {
  if (bufferLength_ != 0) return;
  headerWait();
  // A failure leaves the buffer empty, so a later call fails again rather than reading as
  // the end of the data.
  TReply reply = nextReply();
  if (reply.Code == pmEnd) {
    bufferLength_ = -1;
  } else if (reply.Code == pmData) {
    buffer_ = std::move(reply.Data);
    bufferLength_ = static_cast<int32_t>(buffer_.size());
    bufferPos_ = 0;
  } else {
    throw EDataCopier("Separated process sent a second header");
  }
}

HRESULT TWinInetGFT::GetContentType(std::string *Value) {
  return toolCall([&] {
    headerWait();
    *Value = contentType_;
  });
}

HRESULT TWinInetGFT::GetSize(int32_t *Value) {
  return toolCall([&] {
    headerWait();
    *Value = size_;
  });
}

HRESULT TWinInetGFT::Open(bool *Found) {
  return toolCall([&] {
    headerWait();
    *Found = found_;
  });
}

HRESULT TWinInetGFT::GetAvailable(int32_t *Value) {
  return toolCall([&] {
    fillBuffer();
    *Value = bufferLength_ <= 0 ? bufferLength_ : bufferLength_ - bufferPos_;
  });
}

HRESULT TWinInetGFT::Read(void *Buffer, int32_t Count, int32_t *Read) {
  return toolCall([&] {
    fillBuffer();
    // At the end of the data nothing is read.
    int32_t held = bufferLength_ < 0 ? 0 : bufferLength_ - bufferPos_;
    int32_t count = std::max(0, std::min(held, Count));
    if (count > 0) std::memcpy(Buffer, buffer_.data() + bufferPos_, static_cast<size_t>(count));
    bufferPos_ += count;
    *Read = count;
    if (bufferLength_ >= 0 && bufferPos_ >= bufferLength_) {
      buffer_ = std::string();
      bufferLength_ = 0;
    }
  });
}

HRESULT TWinInetGFT::Abort() {
  return toolCall([&] {
    // Forgotten first, so nothing more is queued for it, and failed before the send, so a
    // fetch waiting for replies returns at once.
    bool pending = connector_->Forget(request_.ID);
    request_.Replies->Fail(std::make_exception_ptr(platform::Exception("Transfer aborted")));
    if (pending && sent_) connector_->SendAbort(request_.ID);
  });
}

HRESULT TWinInetGFT::GetLocation(TURL *Value) {
  return toolCall([&] {
    headerWait();
    *Value = location_;
  });
}

HRESULT TWinInetGFT::SetConditions(const std::string &ETag, const std::string &LastModified) {
  return toolCall([&] {
    if (sent_) throw platform::Exception("The request was sent already");
    conditions_ = {ETag, LastModified};
  });
}

HRESULT TWinInetGFT::GetRetryAfter(int32_t *Seconds) {
  *Seconds = final_ && final_->Code == pmError ? final_->RetryAfter : -1;
  return platform::S_OK;
}

HRESULT TWinInetGFT::GetValidators(bool *NotModified, std::string *ETag,
                                   std::string *LastModified) {
  return toolCall([&] {
    headerWait();
    *NotModified = notModified_;
    *ETag = eTag_;
    *LastModified = lastModified_;
  });
}

int32_t TWinInetGFT::GetLastError(std::string *Message) {
  *Message = lastErrorMessage;
  return lastErrorCode;
}

ComPtr<IGetFileTool> CreateWinInetTool(const std::string &Scheme, const TURL &URL) {
  if (Scheme != "http" && Scheme != "https" && Scheme != "ftp" && Scheme != "gopher")
    return nullptr;
  return platform::MakeCom<TWinInetGFT>(URL);
}

} // namespace zs::retrieval
