// The text of a fetched file on its way to the parsers and back, split into chunks anywhere.
#include "retrieval/text_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_environment.h"

namespace zs::retrieval {
namespace {

TEST(TextCodec, EverySplitGivesTheSameTextAndTheSameBytesBack) {
  const std::pair<std::string, std::string> cases[] = {
      // file, the text the parser sees in UTF-8
      {"<p>caf\xE9 \xFF\xFE</p>", "<p>caf\xE9 \xFF\xFE</p>"},
      {"<p>caf\xC3\xA9 \xE2\x82\xAC</p>", "<p>caf\xC3\xA9 \xE2\x82\xAC</p>"},
      {zs::testing::Utf16LE(u"<a>\u00E9\u20AC\U0001D11E</a>"),
       "<a>\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E</a>"},
      // A last odd byte or a first half of a surrogate pair is written back as it was.
      {zs::testing::Utf16LE(u"<b>x") + "!", "<b>x"},
      {zs::testing::Utf16LE(u"<b>") + "\x34\xD8", "<b>"},
  };
  for (const auto &[file, expected] : cases) {
    // Splits start at 3: the first chunk decides the mode, as the first chunk of a file does.
    for (size_t split = 3; split <= file.size(); ++split) {
      TTextCodec codec;
      std::string text, written;
      for (std::string chunk : {file.substr(0, split), file.substr(split)}) {
        std::string piece = codec.Decode(chunk);
        text += piece;
        written += codec.Encode(piece);
      }
      written += codec.Flush();
      EXPECT_EQ(text, expected) << "split at " << split;
      EXPECT_EQ(written, file) << "split at " << split;
    }
  }
}

TEST(TextCodec, UnmarkedOrShortFirstChunkPassesUnchangedAndSplitOutputIsEncodedWhole) {
  TTextCodec unmarked;
  EXPECT_EQ(unmarked.Decode(std::string("a\0b\0", 4)), std::string("a\0b\0", 4));
  TTextCodec shortChunk;
  EXPECT_EQ(shortChunk.Decode("\xFF\xFE"), "\xFF\xFE");
  EXPECT_EQ(shortChunk.Encode("\xFF\xFE"), "\xFF\xFE");
  // Output text split inside a character.
  TTextCodec codec;
  codec.Decode(zs::testing::Utf16LE(u"ab"));
  const std::string euro = "\xE2\x82\xAC";
  std::string written = codec.Encode("a" + euro.substr(0, 1));
  written += codec.Encode(euro.substr(1, 1));
  written += codec.Encode(euro.substr(2) + "b");
  EXPECT_EQ(written + codec.Flush(), zs::testing::Utf16LE(u"a\u20ACb"));
}

} // namespace
} // namespace zs::retrieval
