// The messages to and from the separated process, byte by byte, and the frames around them.
#include "retrieval/wire_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/channel_frame.h"
#include "retrieval/data_copier_connect_point.h"

namespace zs::retrieval {
namespace {

using namespace std::string_literals;

TEST(WireMessages, TextIsACountOfUtf16CharactersThenLittleEndianUnits) {
  // "é" is one UTF-16 unit, the clef two (a surrogate pair); no terminator follows.
  EXPECT_EQ(WireWriter().WString("Aé\U0001D11E").Take(), "\x04\x00\x00\x00"
                                                         "A\x00"
                                                         "\xE9\x00"
                                                         "\x34\xD8\x1E\xDD"s);
  EXPECT_EQ(WireWriter().WString("").Take(), "\x00\x00\x00\x00"s);
  const std::string wire = "\x04\x00\x00\x00"
                           "A\x00"
                           "\xE9\x00"
                           "\x34\xD8\x1E\xDD"s;
  WireReader reader(wire);
  EXPECT_EQ(reader.WString(), "Aé\U0001D11E");
  reader.ExpectEnd();
}

TEST(WireMessages, RequestAndAbortCarryTheIDFirst) {
  EXPECT_EQ(EncodeRequest(0x01020304, "http://a/"), "\x04\x03\x02\x01\x09\x00\x00\x00"
                                                    "h\0t\0t\0p\0:\0/\0/\0a\0/\0"s);
  TRequest request = DecodeRequest(EncodeRequest(7, "ftp://h/ä"));
  EXPECT_EQ(request.ID, 7u);
  EXPECT_EQ(request.URL, "ftp://h/ä");
  EXPECT_EQ(EncodeAbort(0xAABBCCDD), "\xDD\xCC\xBB\xAA"s);
  EXPECT_EQ(DecodeAbort("\xDD\xCC\xBB\xAA"s), 0xAABBCCDDu);
}

TEST(WireMessages, SettingsEndWithOneByteForIgnoreSSL) {
  TTransferSettings settings{"UA", 2, "p:8", "u", "", true};
  std::string payload = EncodeSettings(settings);
  EXPECT_EQ(payload, "\x02\x00\x00\x00U\0A\0"
                     "\x02\x00\x00\x00"
                     "\x03\x00\x00\x00p\0:\0"
                     "8\0"
                     "\x01\x00\x00\x00u\0"
                     "\x00\x00\x00\x00"
                     "\x01"s);
  EXPECT_EQ(DecodeSettings(payload), settings);
  settings.IgnoreSSL = false;
  EXPECT_EQ(EncodeSettings(settings).back(), '\0');
}

TEST(WireMessages, RepliesRoundTrip) {
  TReply header = DecodeReply(pmHeader, EncodeHeader(9, true, 1234, "text/html"));
  EXPECT_EQ(header.ID, 9u);
  EXPECT_TRUE(header.Found);
  EXPECT_EQ(header.Size, 1234);
  EXPECT_EQ(header.ContentType, "text/html");

  TReply data = DecodeReply(pmData, EncodeData(9, "a\0b"s));
  EXPECT_EQ(data.Data, "a\0b"s);

  TReply error = DecodeReply(pmError, EncodeError(9, tecServerNotFound, "Couldn't connect"));
  EXPECT_EQ(error.Code, pmError);
  EXPECT_EQ(error.ErrorCode, tecServerNotFound);
  EXPECT_EQ(error.Message, "Couldn't connect");

  EXPECT_EQ(DecodeReply(pmEnd, EncodeEnd(9)).Code, pmEnd);
}

TEST(WireMessages, SizeBelowMinusOneReadsAsUnknown) {
  EXPECT_EQ(DecodeReply(pmHeader, EncodeHeader(1, true, -5, "")).Size, -1);
  EXPECT_EQ(DecodeReply(pmHeader, EncodeHeader(1, true, -1, "")).Size, -1);
  EXPECT_EQ(DecodeReply(pmHeader, EncodeHeader(1, false, 0, "")).Size, 0);
}

TEST(WireMessages, DataOfLengthZeroIsAnEmptyChunk) {
  std::string payload = EncodeData(3, "");
  EXPECT_EQ(payload, "\x03\x00\x00\x00\x00\x00\x00\x00"s);
  TReply data = DecodeReply(pmData, payload);
  EXPECT_EQ(data.Code, pmData);
  EXPECT_TRUE(data.Data.empty());
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
      {pmHeader, EncodeHeader(1, true, 0, "") + "x"},                 // bytes left over
      {pmError, "\x01\x00\x00\x00\x02\x00\x00\x00\xFF\xFF\xFF\x7F"s}, // text count too large
      {7, EncodeEnd(1)},                                              // no such reply
  };
  for (const Case &c : cases)
    EXPECT_THROW(DecodeReply(c.code, c.payload), EWireFormat) << "code " << c.code;
  EXPECT_THROW(DecodeSettings(EncodeSettings({}).substr(1)), EWireFormat);
}

TEST(ChannelFrames, FramesSurviveAnySplitOfTheStream) {
  std::string stream;
  platform::AppendFrame(stream, pmHeader, EncodeHeader(1, true, 3, "text/plain"));
  platform::AppendFrame(stream, pmData, EncodeData(1, "abc"));
  platform::AppendFrame(stream, HelloMessage, "");
  EXPECT_EQ(stream.substr(0, 8), "\x00\x00\x00\x00\x21\x00\x00\x00"s);
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
}

TEST(ChannelFrames, ALengthBeyondTheLimitBreaksTheChannel) {
  platform::FrameReader reader;
  std::string head = "\x01\x00\x00\x00"s;
  platform::PutUInt32LE(head, platform::MaxFramePayload + 1);
  reader.Append(head.data(), head.size());
  platform::Frame frame;
  EXPECT_THROW(reader.Next(frame), platform::EChannelBroken);
}

TEST(ChannelFrames, TheChildFindsItsDescriptorAsEightLowerCaseHexDigits) {
  EXPECT_EQ(TDataCopierConnectPoint::LaunchArguments(0x1A2B), std::vector<std::string>{"00001a2b"});
  EXPECT_EQ(TDataCopierConnectPoint::LaunchArguments(3), std::vector<std::string>{"00000003"});
}

} // namespace
} // namespace zs::retrieval
