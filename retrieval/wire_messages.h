// The messages between the program and its separated network process, as they travel in the
// payload of a channel frame. Integers are 32-bit little-endian, a text is a 32-bit count of
// UTF-16 characters followed by those characters in UTF-16LE without a terminator, and fields
// follow each other without padding. Both the program and the separated process build on
// this one definition.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/exceptions.h"

namespace zs::retrieval {

// A payload that does not hold the fields its message code promises.
ZS_EXCEPTION_CLASS(EWireFormat, platform::Exception);

// Message codes from the program to the separated process.
enum THostMessage : uint32_t { hmRequest = 0, hmAbort = 1, hmSettings = 2 };
// Message codes from the separated process to the program.
enum TPeerMessage : uint32_t { pmHeader = 0, pmData = 1, pmEnd = 2, pmError = 3 };
// Either side announces itself with it; it has no payload.
inline constexpr uint32_t HelloMessage = 0xFFFF;

// Error codes of an Error message; the program translates 1 to 5 into texts of its own and
// shows the message itself for any other code.
enum TToolErrorCode : int32_t {
  tecBadURL = 1,
  tecNotFound = 2,
  tecServerNotFound = 3,
  tecCredentialsRefused = 4,
  tecServerError = 5,
  // A failure that fits none of the above; its message is all the user learns of it.
  tecUntranslated = 0x7FFFFFFF
};

// Builds a payload field by field.
class WireWriter {
public:
  WireWriter &Int32(int32_t Value);
  WireWriter &UInt32(uint32_t Value);
  WireWriter &Byte(uint8_t Value);
  // UTF-8 in, UTF-16LE on the wire.
  WireWriter &WString(std::string_view Text);
  WireWriter &Bytes(std::string_view Data);
  std::string Take() { return std::move(payload_); }

private:
  std::string payload_;
};

// Reads a payload field by field; EWireFormat when a field runs past its end.
class WireReader {
public:
  explicit WireReader(std::string_view Payload) : rest_(Payload) {}
  // The reader only views the payload, which must outlive it.
  explicit WireReader(std::string &&) = delete;
  int32_t Int32() { return static_cast<int32_t>(UInt32()); }
  uint32_t UInt32();
  uint8_t Byte();
  // UTF-16LE on the wire, UTF-8 out.
  std::string WString();
  std::string Bytes(size_t Count);
  // EWireFormat unless every byte was read.
  void ExpectEnd() const;
  // Whether every byte was read: fields added to a message since its first version are
  // optional at its end.
  bool AtEnd() const { return rest_.empty(); }

private:
  std::string_view take(size_t count);
  std::string_view rest_;
};

// Settings message: what the separated process applies to the transfers it starts later.
struct TTransferSettings {
  std::string UserAgent;
  int32_t ProxyUse = 0; // 0 the system's configuration, 1 direct, 2 ProxyAddress
  std::string ProxyAddress;
  std::string ProxyUserName;
  std::string ProxyPassword;
  bool IgnoreSSL = false;
  // A transfer that receives nothing for this many seconds ends; 0 waits for ever.
  int32_t IdleSeconds = 60;
  // A transfer whose body grows beyond this many megabytes ends; 0 sets no limit.
  int32_t MaxFileMegabytes = 0;

  friend bool operator==(const TTransferSettings &, const TTransferSettings &) = default;
};

// The validators of a copy, that make a request conditional: the answer is "not modified"
// when the resource did not change. Empty ones ask for nothing.
struct TConditions {
  std::string IfNoneMatch;     // an ETag
  std::string IfModifiedSince; // an HTTP date
  bool Empty() const { return IfNoneMatch.empty() && IfModifiedSince.empty(); }
};

struct TRequest {
  uint32_t ID = 0;
  std::string URL;
  TConditions Conditions; // optional at the end of the payload
};

std::string EncodeRequest(uint32_t ID, std::string_view URL, const TConditions &Conditions = {});
TRequest DecodeRequest(std::string_view Payload);
std::string EncodeAbort(uint32_t ID);
uint32_t DecodeAbort(std::string_view Payload);
std::string EncodeSettings(const TTransferSettings &Settings);
TTransferSettings DecodeSettings(std::string_view Payload);

// A message of the separated process about one request, decoded.
struct TReply {
  uint32_t Code = pmEnd;
  uint32_t ID = 0;
  // Header
  bool Found = false;
  int32_t Size = -1; // -1: unknown
  std::string ContentType;
  // The URL the answer came from when redirects led away from the one asked for; else empty.
  std::string Location;
  // Optional at the end: the resource did not change since the validators of the request,
  // and the validators the server sent.
  bool NotModified = false;
  std::string ETag;
  std::string LastModified;
  // Data
  std::string Data;
  // Error
  int32_t ErrorCode = 0;
  std::string Message;
  // Optional at the end of an Error: the seconds the server asked to wait before another
  // try; -1 for none.
  int32_t RetryAfter = -1;
};

struct THeaderValidators {
  bool NotModified = false;
  std::string_view ETag;
  std::string_view LastModified;
};
std::string EncodeHeader(uint32_t ID, bool Found, int32_t Size, std::string_view ContentType,
                         std::string_view Location = {}, const THeaderValidators &Validators = {});
std::string EncodeData(uint32_t ID, std::string_view Data);
std::string EncodeEnd(uint32_t ID);
std::string EncodeError(uint32_t ID, int32_t Code, std::string_view Message,
                        int32_t RetryAfter = -1);
// Any size below -1 reads as -1 (unknown). EWireFormat for a code that is no reply or a
// payload that does not fit its code.
TReply DecodeReply(uint32_t Code, std::string_view Payload);

} // namespace zs::retrieval
