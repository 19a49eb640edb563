// The text of a fetched file between its bytes and the parsers, which work on UTF-8. A file
// that starts with the UTF-16 little-endian byte order mark is read and written back as
// UTF-16, with the mark exactly once at the start; any other file passes byte for byte, so
// every 8-bit encoding and UTF-8 come back unchanged except where links are rewritten.
// Pieces split anywhere (an odd byte, half a surrogate pair, part of a UTF-8 sequence) are
// carried to the next chunk, never damaged.
#pragma once

#include <string>
#include <string_view>

namespace zs::retrieval {

class TTextCodec {
public:
  // The text of the next chunk of the file; the first chunk decides the mode.
  std::string Decode(std::string_view Chunk);
  // The bytes to write for the next piece of output text.
  std::string Encode(std::string_view Text);
  // The bytes still held back at the end of the file, written as they are so that nothing
  // of the file is lost.
  std::string Flush();

private:
  enum class TMode { Undecided, Ansi, Utf16 };

  // UTF-16 little-endian, after the byte order mark while it is pending.
  std::string encodeUtf16(std::string_view Text);

  TMode mode_ = TMode::Undecided;
  bool markPending_ = false; // the byte order mark is still to be written
  std::string carriedIn_;    // UTF-16 bytes not yet decoded: an odd byte, a high surrogate
  std::string carriedOut_;   // output text ending in an incomplete UTF-8 sequence
};

} // namespace zs::retrieval
