#include "parsing/html_references.h"

#include <gtest/gtest.h>

namespace zs::parsing {
namespace {

std::string decode(std::string_view value) {
  std::string scratch;
  return std::string(DecodeCharacterReferences(value, scratch));
}

TEST(HTMLReferences, KnownCharactersAreDecodedToUtf8AndAnythingElseIsLeftAsWritten) {
  const std::pair<const char *, const char *> cases[] = {
      {"&#65; &#65 &#0000065; &#65abc &#x41; &#X41 &#x041", "A A A Aabc A A A"},
      {"&#233; &#xff; &#1; &&#65;& a&#38;amp;b", "\xc3\xa9 \xc3\xbf \x01 &A& a&amp;b"},
      {"a&amp;b &AMP;&LT;&GT;&QUOT; &COPY;&REG;&TRADE;", "a&b &<>\" \xc2\xa9\xc2\xae\xe2\x84\xa2"},
      {"&AElig;&nbsp;&yuml;&frac12;&fnof;&Alpha;&sigmaf;&piv;",
       "\xc3\x86\xc2\xa0\xc3\xbf\xc2\xbd\xc6\x92\xce\x91\xcf\x82\xcf\x96"},
      {"&there4;&lArr;&weierp;&sdot;&rang;&diams;&OElig;&zwnj;&euro;",
       "\xe2\x88\xb4\xe2\x87\x90\xe2\x84\x98\xe2\x8b\x85\xe2\x8c\xaa\xe2\x99\xa6\xc5\x92"
       "\xe2\x80\x8c\xe2\x82\xac"},
      // Out of range, a hexadecimal one longer than six, no digits, no semicolon, an
      // unknown name or case, a name longer than six.
      {"&#0; &#256; &#99999999999; &#x0041; &#x0041 &#xfffffffffffffffff; &#; &#x; &# &", nullptr},
      {"&amp &amp b &Amp; &apos; &Euro; &epsilon; &alefsym; &thetasym; &;", nullptr},
  };
  for (const auto &[value, decoded] : cases)
    EXPECT_EQ(decode(value), decoded ? decoded : value) << value;
}

TEST(HTMLReferences, AWrittenValueEscapesWhatWouldEndItAndReadsBackAsTheText) {
  const struct {
    const char *text;
    char quote;
    const char *written;
  } cases[] = {
      {"a.php&q\"<b>", '"', "a.php&amp;q&quot;&lt;b&gt;"},
      {"it's `x` \"y\"", '\'', "it&#39;s `x` &quot;y&quot;"},
      {"it's `x`", '`', "it's &#96;x&#96;"},
      {"a b\tc'd", 0, "a&#32;b&#9;c'd"},
  };
  for (const auto &c : cases) {
    std::string written;
    AppendAttributeValue(written, c.text, c.quote);
    EXPECT_EQ(written, c.written);
    EXPECT_EQ(decode(written), c.text);
  }
}

} // namespace
} // namespace zs::parsing
