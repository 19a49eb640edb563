// The frames of the channel between the program and its separated network process. One frame
// stands for one copied-data window message: the 32-bit message code, the 32-bit payload
// length, then the payload; every integer little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/exceptions.h"

namespace zs::platform {

// The stream no longer holds frames (a length beyond any message, or a broken peer).
ZS_EXCEPTION_CLASS(EChannelBroken, Exception);

struct Frame {
  uint32_t Code = 0;
  std::string Payload;
};

inline constexpr size_t FrameHeaderSize = 8;
// No message of the protocol comes near this; a larger length means the stream is corrupt,
// and the reader must not allocate what a bogus length asks for.
inline constexpr uint32_t MaxFramePayload = 16u << 20;

void PutUInt32LE(std::string &out, uint32_t value);
uint32_t GetUInt32LE(const char *bytes);

// Appends one whole frame to Out.
void AppendFrame(std::string &Out, uint32_t Code, std::string_view Payload);

// Cuts a byte stream into frames, whatever pieces the bytes arrive in.
class FrameReader {
public:
  void Append(const char *Bytes, size_t Size);
  // Takes the next whole frame; false while none is complete. EChannelBroken for a payload
  // length above MaxFramePayload.
  bool Next(Frame &Result);

private:
  std::string buffer_;
  size_t start_ = 0; // bytes of buffer_ already taken
};

} // namespace zs::platform
