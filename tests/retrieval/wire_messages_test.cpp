// The messages to and from the separated process, byte by byte, and the frames around them.
#include "retrieval/wire_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/channel_frame.h"

namespace zs::retrieval {
namespace {

using namespace std::string_literals;

TEST(WireMessages, EncodingsAreLittleEndianWithTextAsACountOfUtf16Units) {
  TTransferSettings settings{"UA", 2, "p:8", "u", "", true, 0x0102, 7};
  struct {
    std::string Encoded, Wire;
  } cases[] = {
      // "é" is one UTF-16 unit, the clef two (a surrogate pair); no terminator follows.
      {EncodeRequest(0x01020304, "/é\U0001D11E"),
       "\x04\x03\x02\x01\x04\0\0\0/\0\xE9\0\x34\xD8\x1E\xDD"s},
      {EncodeAbort(0xAABBCCDD), "\xDD\xCC\xBB\xAA"s},
      {EncodeData(3, "ab"), "\x03\0\0\0\x02\0\0\0ab"s},
      // A header ends with the URL a redirect led to.
      {EncodeHeader(5, true, -1, "t", "/x"),
       "\x05\0\0\0\x01\xFF\xFF\xFF\xFF\x01\0\0\0t\0\x02\0\0\0/\0x\0"s},
      // Settings end with one byte for IgnoreSSL and the two limits.
      {EncodeSettings(settings),
       "\x02\0\0\0U\0A\0\x02\0\0\0\x03\0\0\0p\0:\08\0\x01\0\0\0u\0\0\0\0\0\x01"
       "\x02\x01\0\0\x07\0\0\0"s},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.Encoded, c.Wire) << ::testing::PrintToString(c.Wire);
  EXPECT_EQ(DecodeSettings(EncodeSettings(settings)), settings);
  // A size below minus one reads as unknown.
  EXPECT_EQ(DecodeReply(pmHeader, EncodeHeader(1, true, -5, "")).Size, -1);
}

TEST(WireMessages, MalformedPayloadsAreRefused) {
  struct Case {
    uint32_t code;
    std::string payload;
  };
  const Case cases[] = {
      {pmEnd, "\x01\x00\x00"s}, // ID cut short
      {pmData, "\x01\x00\x00\x00\x05\x00\x00\x00"
               "abc"s},                                               // fewer bytes than the length
      {pmData, "\x01\x00\x00\x00\xFF\xFF\xFF\xFF"s},                  // a length past any payload
      {pmHeader, "\x01\x00\x00\x00\x01\x00\x00\x00\x00"s},            // no content type
      {pmHeader, EncodeHeader(1, true, 0, "").substr(0, 13)},         // no location
      {pmHeader, EncodeHeader(1, true, 0, "") + "x"},                 // bytes left over
      {pmError, "\x01\x00\x00\x00\x02\x00\x00\x00\xFF\xFF\xFF\x7F"s}, // text count too large
      {7, EncodeEnd(1)},                                              // no such reply
  };
  for (const Case &c : cases)
    EXPECT_THROW(DecodeReply(c.code, c.payload), EWireFormat) << "code " << c.code;
  EXPECT_THROW(DecodeSettings(EncodeSettings({}).substr(1)), EWireFormat);
}

TEST(ChannelFrames, FramesSurviveAnySplitOfTheStreamAndAnOverlongOneBreaksIt) {
  std::string stream;
  platform::AppendFrame(stream, pmHeader, EncodeHeader(1, true, 3, "text/plain"));
  platform::AppendFrame(stream, pmData, EncodeData(1, "abc"));
  platform::AppendFrame(stream, HelloMessage, "");
  EXPECT_EQ(stream.substr(0, 8), "\x00\x00\x00\x00\x25\x00\x00\x00"s);
  for (size_t piece = 1; piece <= stream.size(); ++piece) {
    platform::FrameReader reader;
    std::vector<platform::Frame> frames;
    for (size_t at = 0; at < stream.size(); at += piece) {
      reader.Append(stream.data() + at, std::min(piece, stream.size() - at));
      platform::Frame frame;
      while (reader.Next(frame))
        frames.push_back(frame);
    }
    ASSERT_EQ(frames.size(), 3u) << "pieces of " << piece;
    EXPECT_EQ(frames[0].Code, pmHeader);
    EXPECT_EQ(DecodeReply(frames[1].Code, frames[1].Payload).Data, "abc");
    EXPECT_EQ(frames[2].Code, HelloMessage);
    EXPECT_TRUE(frames[2].Payload.empty());
  }
  platform::FrameReader reader;
  std::string head = "\x01\x00\x00\x00"s;
  platform::PutUInt32LE(head, platform::MaxFramePayload + 1);
  reader.Append(head.data(), head.size());
  platform::Frame frame;
  EXPECT_THROW(reader.Next(frame), platform::EChannelBroken);
}

} // namespace
} // namespace zs::retrieval
