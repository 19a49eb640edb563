#include "platform/channel_frame.h"

namespace zs::platform {

void PutUInt32LE(std::string &out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<char>(value >> shift));
}

uint32_t GetUInt32LE(const char *bytes) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = (value << 8) | static_cast<uint8_t>(bytes[i]);
  return value;
}

void AppendFrame(std::string &Out, uint32_t Code, std::string_view Payload) {
  PutUInt32LE(Out, Code);
  PutUInt32LE(Out, static_cast<uint32_t>(Payload.size()));
  Out.append(Payload);
}

void FrameReader::Append(const char *Bytes, size_t Size) {
  // Taken bytes are dropped before the buffer grows, so it holds at most one frame and the
  // latest piece.
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  buffer_.append(Bytes, Size);
}

bool FrameReader::Next(Frame &Result) {
  size_t available = buffer_.size() - start_;
  if (available < FrameHeaderSize) return false;
  const char *head = buffer_.data() + start_;
  uint32_t length = GetUInt32LE(head + 4);
  if (length > MaxFramePayload)
    throw EChannelBroken("A frame of " + std::to_string(length) + " bytes exceeds the limit");
  if (available - FrameHeaderSize < length) return false;
  Result.Code = GetUInt32LE(head);
  Result.Payload.assign(head + FrameHeaderSize, length);
  start_ += FrameHeaderSize + length;
  return true;
}

} // namespace zs::platform
