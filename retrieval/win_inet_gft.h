// The transfer tool of the separated network process: one request, whose replies it reads
// as the fetch asks for them.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "kernel/interfaces.h"
#include "retrieval/win_inet_connector.h"

namespace zs::retrieval {

class TWinInetGFT final
    : public platform::TComObject<IGetFileToolError, IGetFileTool, IGetFileToolLocation,
                                  IGetFileToolConditional> {
public:
  // Registers the request, which is sent when its answer is first asked for, so that
  // conditions set before go with it. EWinInetConnector when the process cannot be reached.
  explicit TWinInetGFT(const TURL &URL);
  // A tool dropped before its request ended aborts it, so the process stops the transfer
  // and its replies no longer take room.
  ~TWinInetGFT() override;

  HRESULT GetContentType(std::string *Value) override;
  HRESULT GetSize(int32_t *Value) override;
  HRESULT Open(bool *Found) override;
  HRESULT GetAvailable(int32_t *Value) override;
  HRESULT Read(void *Buffer, int32_t Count, int32_t *Read) override;
  HRESULT Abort() override;

  int32_t GetLastError(std::string *Message) override;
  HRESULT GetLocation(TURL *Value) override;
  HRESULT SetConditions(const std::string &ETag, const std::string &LastModified) override;
  HRESULT GetValidators(bool *NotModified, std::string *ETag, std::string *LastModified) override;
  HRESULT GetRetryAfter(int32_t *Seconds) override;

private:
  void send();
  void headerWait();
  // The next reply; raises for an Error reply (setting the thread's last error) and for a
  // failed channel or an aborted request.
  TReply nextReply();
  void fillBuffer();

  std::shared_ptr<TWinInetConnector> connector_; // the one the request went to
  TPendingRequest request_;
  TURL url_;
  TConditions conditions_;
  bool sent_ = false;
  // Once the End or Error has been taken it answers every later wait, which would otherwise
  // wait for good.
  std::optional<TReply> final_;
  std::string buffer_;       // the current Data message
  int32_t bufferLength_ = 0; // 0: nothing held; -1: the end of the data was reached
  int32_t bufferPos_ = 0;
  bool found_ = false;
  int32_t size_ = -2; // -2 until the Header has arrived
  std::string contentType_;
  TURL location_; // where redirects led; empty without one
  bool notModified_ = false;
  std::string eTag_, lastModified_;
};

// "http", "https", "ftp" and "gopher", compared exactly, get a tool; other schemes none.
ComPtr<IGetFileTool> CreateWinInetTool(const std::string &Scheme, const TURL &URL);

} // namespace zs::retrieval
