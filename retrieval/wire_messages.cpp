#include "retrieval/wire_messages.h"

#include <algorithm>

#include "platform/channel_frame.h"
#include "platform/text.h"

namespace zs::retrieval {

WireWriter &WireWriter::Int32(int32_t Value) { return UInt32(static_cast<uint32_t>(Value)); }

WireWriter &WireWriter::UInt32(uint32_t Value) {
  platform::PutUInt32LE(payload_, Value);
  return *this;
}

WireWriter &WireWriter::Byte(uint8_t Value) {
  payload_.push_back(static_cast<char>(Value));
  return *this;
}

WireWriter &WireWriter::WString(std::string_view Text) {
  std::u16string wide = platform::Utf8ToUtf16(Text);
  UInt32(static_cast<uint32_t>(wide.size()));
  for (char16_t c : wide) {
    payload_.push_back(static_cast<char>(c & 0xFF));
    payload_.push_back(static_cast<char>(c >> 8));
  }
  return *this;
}

WireWriter &WireWriter::Bytes(std::string_view Data) {
  payload_.append(Data);
  return *this;
}

std::string_view WireReader::take(size_t count) {
  if (count > rest_.size()) throw EWireFormat("A message ends before its fields do");
  std::string_view field = rest_.substr(0, count);
  rest_.remove_prefix(count);
  return field;
}

uint32_t WireReader::UInt32() { return platform::GetUInt32LE(take(4).data()); }

uint8_t WireReader::Byte() { return static_cast<uint8_t>(take(1)[0]); }

std::string WireReader::WString() {
  uint32_t count = UInt32();
  // Checked before doubling, so no count can wrap around to a small size.
  if (count > rest_.size() / 2) throw EWireFormat("A message ends before its fields do");
  std::string_view bytes = take(size_t(count) * 2);
  std::u16string wide(count, u'\0');
  for (size_t i = 0; i < count; ++i)
    wide[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                    static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
  return platform::Utf16ToUtf8(wide);
}

std::string WireReader::Bytes(size_t Count) { return std::string(take(Count)); }

void WireReader::ExpectEnd() const {
  if (!rest_.empty()) throw EWireFormat("A message holds more bytes than its fields");
}

std::string EncodeRequest(uint32_t ID, std::string_view URL, const TConditions &Conditions) {
  WireWriter writer;
  writer.UInt32(ID).WString(URL);
  if (!Conditions.Empty())
    writer.WString(Conditions.IfNoneMatch).WString(Conditions.IfModifiedSince);
  return writer.Take();
}

TRequest DecodeRequest(std::string_view Payload) {
  WireReader reader(Payload);
  TRequest request;
  request.ID = reader.UInt32();
  request.URL = reader.WString();
  if (!reader.AtEnd()) {
    request.Conditions.IfNoneMatch = reader.WString();
    request.Conditions.IfModifiedSince = reader.WString();
  }
  reader.ExpectEnd();
  return request;
}

std::string EncodeAbort(uint32_t ID) { return WireWriter().UInt32(ID).Take(); }

uint32_t DecodeAbort(std::string_view Payload) {
  WireReader reader(Payload);
  uint32_t id = reader.UInt32();
  reader.ExpectEnd();
  return id;
}

std::string EncodeSettings(const TTransferSettings &Settings) {
  return WireWriter()
      .WString(Settings.UserAgent)
      .Int32(Settings.ProxyUse)
      .WString(Settings.ProxyAddress)
      .WString(Settings.ProxyUserName)
      .WString(Settings.ProxyPassword)
      .Byte(Settings.IgnoreSSL ? 1 : 0)
      .Int32(Settings.IdleSeconds)
      .Int32(Settings.MaxFileMegabytes)
      .Take();
}

TTransferSettings DecodeSettings(std::string_view Payload) {
  WireReader reader(Payload);
  TTransferSettings settings;
  settings.UserAgent = reader.WString();
  settings.ProxyUse = reader.Int32();
  settings.ProxyAddress = reader.WString();
  settings.ProxyUserName = reader.WString();
  settings.ProxyPassword = reader.WString();
  settings.IgnoreSSL = reader.Byte() != 0;
  settings.IdleSeconds = reader.Int32();
  settings.MaxFileMegabytes = reader.Int32();
  reader.ExpectEnd();
  return settings;
}

std::string EncodeHeader(uint32_t ID, bool Found, int32_t Size, std::string_view ContentType,
                         std::string_view Location, const THeaderValidators &Validators) {
  WireWriter writer;
  writer.UInt32(ID).Byte(Found ? 1 : 0).Int32(Size).WString(ContentType).WString(Location);
  if (Validators.NotModified || !Validators.ETag.empty() || !Validators.LastModified.empty())
    writer.Byte(Validators.NotModified ? 1 : 0)
        .WString(Validators.ETag)
        .WString(Validators.LastModified);
  return writer.Take();
}

std::string EncodeData(uint32_t ID, std::string_view Data) {
  return WireWriter().UInt32(ID).UInt32(static_cast<uint32_t>(Data.size())).Bytes(Data).Take();
}

std::string EncodeEnd(uint32_t ID) { return WireWriter().UInt32(ID).Take(); }

std::string EncodeError(uint32_t ID, int32_t Code, std::string_view Message, int32_t RetryAfter) {
  WireWriter writer;
  writer.UInt32(ID).Int32(Code).WString(Message);
  if (RetryAfter >= 0) writer.Int32(RetryAfter);
  return writer.Take();
}

TReply DecodeReply(uint32_t Code, std::string_view Payload) {
  WireReader reader(Payload);
  TReply reply;
  reply.Code = Code;
  reply.ID = reader.UInt32();
  switch (Code) {
  case pmHeader:
    reply.Found = reader.Byte() != 0;
    reply.Size = std::max(reader.Int32(), -1);
    reply.ContentType = reader.WString();
    reply.Location = reader.WString();
    if (!reader.AtEnd()) {
      reply.NotModified = reader.Byte() != 0;
      reply.ETag = reader.WString();
      reply.LastModified = reader.WString();
    }
    break;
  case pmData: reply.Data = reader.Bytes(reader.UInt32()); break;
  case pmEnd: break;
  case pmError:
    reply.ErrorCode = reader.Int32();
    reply.Message = reader.WString();
    if (!reader.AtEnd()) reply.RetryAfter = std::max(reader.Int32(), -1);
    break;
  default: throw EWireFormat("Unknown message code " + std::to_string(Code));
  }
  reader.ExpectEnd();
  return reply;
}

} // namespace zs::retrieval
