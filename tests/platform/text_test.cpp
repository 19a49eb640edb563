#include "platform/text.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zs::platform {
namespace {

TEST(Text, Utf8AndUtf16RoundTripEveryLengthOfSequence) {
  struct Case {
    const char *utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"", u""},
      {"caf\xC3\xA9", u"caf\u00E9"},             // two bytes
      {"\xE2\x82\xAC 5", u"\u20AC 5"},           // three bytes
      {"a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z"}, // four bytes: a surrogate pair
      {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},     // the last code point
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
  }
  // A zero is a character like any other, not the end of the text.
  const std::string withZero("a\0b", 3);
  EXPECT_EQ(Utf8ToUtf16(withZero), std::u16string(u"a\0b", 3));
  EXPECT_EQ(Utf16ToUtf8(std::u16string(u"a\0b", 3)), withZero);
}

TEST(Text, InvalidUtf8BecomesReplacementCharactersAndDecodingGoesOn) {
  const char *cases[] = {
      "\x80",             // a continuation byte alone
      "\xFF",             // never a lead byte
      "\xE2\x82",         // a sequence cut short
      "\xC0\xAF",         // an overlong '/'
      "\xED\xA0\x80",     // an encoded surrogate
      "\xF4\x90\x80\x80", // beyond U+10FFFF
  };
  for (const char *bad : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::string(bad)));
    std::u16string decoded = Utf8ToUtf16(std::string("a") + bad + "b");
    ASSERT_GE(decoded.size(), 3u);
    EXPECT_EQ(decoded.front(), u'a');
    EXPECT_EQ(decoded.back(), u'b');
    // Nothing of the bad bytes passes as a character of its own: no '/' smuggled through an
    // overlong form, no lone surrogate.
    std::u16string middle = decoded.substr(1, decoded.size() - 2);
    EXPECT_TRUE(std::all_of(middle.begin(), middle.end(), [](char16_t c) { return c == 0xFFFD; }))
        << ::testing::PrintToString(middle);
  }
}

TEST(Text, LoneSurrogatesAndWindows1252HighCharactersBecomeUnicodeCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(Utf16ToUtf8(u"a\xD83D"), "a" + replacement);              // high at the end
  EXPECT_EQ(Utf16ToUtf8(u"\xDE00z"), replacement + "z");              // low alone
  EXPECT_EQ(Utf16ToUtf8(u"\xDE00\xD83D"), replacement + replacement); // wrong order
  // The euro sign, quotes, Latin-1 letters; unused codes keep their value.
  EXPECT_EQ(Windows1252ToUtf8("\x80\x93q\x94 caf\xE9\xFF \x81"),
            "\xE2\x82\xAC\xE2\x80\x9Cq\xE2\x80\x9D caf\xC3\xA9\xC3\xBF \xC2\x81");
}

} // namespace
} // namespace zs::platform
