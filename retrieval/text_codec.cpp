#include "retrieval/text_codec.h"

#include <utility>

#include "platform/text.h"

namespace zs::retrieval {

namespace {

constexpr char markLow = '\xFF', markHigh = '\xFE';

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// The length of the UTF-8 sequence that Lead begins; 1 for a byte that begins none.
size_t sequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Where the incomplete UTF-8 sequence at the end of Text begins; Text.size() when it ends
// complete.
size_t incompleteTail(std::string_view text) {
  for (size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80) continue; // a continuation byte: look further back
    return sequenceLength(byte) > back ? text.size() - back : text.size();
  }
  return text.size();
}

} // namespace

std::string TTextCodec::Decode(std::string_view Chunk) {
  if (mode_ == TMode::Undecided) {
    if (Chunk.size() >= 3 && Chunk[0] == markLow && Chunk[1] == markHigh) {
      mode_ = TMode::Utf16;
      markPending_ = true;
      Chunk.remove_prefix(2);
    } else {
      mode_ = TMode::Ansi;
      markPending_ = false;
    }
  }
  if (mode_ == TMode::Ansi) return std::string(Chunk);

  std::string bytes = carriedIn_ + std::string(Chunk);
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  size_t kept = units.size();
  if (kept > 0 && isHighSurrogate(units[kept - 1])) --kept;
  carriedIn_ = bytes.substr(2 * kept);
  units.resize(kept);
  return platform::Utf16ToUtf8(units);
}

std::string TTextCodec::Encode(std::string_view Text) {
  if (mode_ != TMode::Utf16) return std::string(Text);
  std::string text = carriedOut_ + std::string(Text);
  size_t complete = incompleteTail(text);
  carriedOut_ = text.substr(complete);
  text.resize(complete);
  return encodeUtf16(text);
}

std::string TTextCodec::Flush() {
  // Output that ends inside a UTF-8 sequence is written as far as it goes (a replacement
  // character); undecoded input bytes follow as they were read.
  std::string bytes = encodeUtf16(std::exchange(carriedOut_, ""));
  return bytes + std::exchange(carriedIn_, "");
}

std::string TTextCodec::encodeUtf16(std::string_view Text) {
  std::u16string units = platform::Utf8ToUtf16(Text);
  std::string bytes;
  bytes.reserve(2 * units.size() + 2);
  if (markPending_) {
    bytes += markLow;
    bytes += markHigh;
    markPending_ = false;
  }
  for (char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

} // namespace zs::retrieval
