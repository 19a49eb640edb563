// The text of a fetched file on its way to the parsers and back, split into chunks anywhere.
#include "retrieval/text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zs::retrieval {
namespace {

std::string utf16le(const std::u16string &text, bool mark = true) {
  std::string bytes = mark ? "\xFF\xFE" : "";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// The file read in two chunks split at Split, passed through unchanged text: the text the
// parser saw, and the bytes written.
struct TRoundTrip {
  std::string Text, Written;
};
TRoundTrip roundTrip(const std::string &file, size_t split) {
  TTextCodec codec;
  TRoundTrip result;
  for (std::string chunk : {file.substr(0, split), file.substr(split)}) {
    std::string text = codec.Decode(chunk);
    result.Text += text;
    result.Written += codec.Encode(text);
  }
  result.Written += codec.Flush();
  return result;
}

struct TCodecCase {
  const char *Name;
  std::string File;
  std::string Text; // what the parser sees, in UTF-8
};

class TextCodecSplit : public ::testing::TestWithParam<TCodecCase> {};

TEST_P(TextCodecSplit, EverySplitGivesTheSameTextAndTheSameBytesBack) {
  const TCodecCase &c = GetParam();
  // Splits start at 3: the first chunk decides the mode, as the first chunk of a file does.
  for (size_t split = 3; split <= c.File.size(); ++split) {
    TRoundTrip trip = roundTrip(c.File, split);
    EXPECT_EQ(trip.Text, c.Text) << "split at " << split;
    EXPECT_EQ(trip.Written, c.File) << "split at " << split;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TextCodecSplit,
    ::testing::Values(TCodecCase{"Latin1", "<p>caf\xE9 \xFF\xFE</p>", "<p>caf\xE9 \xFF\xFE</p>"},
                      TCodecCase{"Utf8", "<p>caf\xC3\xA9 \xE2\x82\xAC \xF0\x9D\x84\x9E</p>",
                                 "<p>caf\xC3\xA9 \xE2\x82\xAC \xF0\x9D\x84\x9E</p>"},
                      TCodecCase{"Utf16", utf16le(u"<a>\u00E9\u20AC\U0001D11E</a>"),
                                 "<a>\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E</a>"},
                      // A last odd byte can hold no character; it is written back as it was.
                      TCodecCase{"Utf16OddLength", utf16le(u"<b>x") + "!", "<b>x"},
                      // So is a first half of a surrogate pair that the file ends with.
                      TCodecCase{"Utf16EndsInHalfAPair", utf16le(u"<b>") + "\x34\xD8", "<b>"}),
    [](const ::testing::TestParamInfo<TCodecCase> &info) { return info.param.Name; });

TEST(TextCodec, ShortOrUnmarkedFirstChunkMeansBytesPassUnchanged) {
  TTextCodec shortChunk;
  EXPECT_EQ(shortChunk.Decode("\xFF\xFE"), "\xFF\xFE");
  EXPECT_EQ(shortChunk.Decode(utf16le(u"a")), utf16le(u"a"));
  EXPECT_EQ(shortChunk.Encode("\xFF\xFE"), "\xFF\xFE");

  TTextCodec unmarked;
  EXPECT_EQ(unmarked.Decode(utf16le(u"ab", false)), utf16le(u"ab", false));
}

TEST(TextCodec, OutputSplitInsideACharacterIsEncodedWhole) {
  TTextCodec codec;
  codec.Decode(utf16le(u"ab"));
  std::string euro = "\xE2\x82\xAC";
  std::string written = codec.Encode("a" + euro.substr(0, 1));
  written += codec.Encode(euro.substr(1, 1));
  written += codec.Encode(euro.substr(2) + "b");
  written += codec.Flush();
  EXPECT_EQ(written, utf16le(u"a\u20ACb"));
}

} // namespace
} // namespace zs::retrieval
