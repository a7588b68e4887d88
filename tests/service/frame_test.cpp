#include "service/frame.h"

#include <gtest/gtest.h>

#include "tests/service/service_bytes.h"

namespace quillon {
namespace {

using testing::Frame;
using testing::kHeader;

TEST(FrameTest, MessagesByteForByteAndTheirBound) {
  char out[kServiceMessageCapacity];
  ASSERT_EQ(BuildClosingMessage(out, sizeof(out)), 28u);
  EXPECT_EQ(std::string(out), testing::kClosing);
  ASSERT_EQ(BuildVersionCheckRequest(out, sizeof(out)), 35u);
  EXPECT_EQ(std::string(out), testing::kVersionRequest);
  // The terminator must fit too; a message cut short is never built.
  EXPECT_EQ(BuildClosingMessage(out, 29), 28u);
  EXPECT_EQ(BuildClosingMessage(out, 28), 0u);
  EXPECT_STREQ(out, "");
}

TEST(FrameTest, FrameCheck) {
  std::string damaged = Frame("CDR\x1FOK\x1F");
  damaged[8] = 'v';
  const struct {
    std::string reply;
    bool framed;
  } cases[] = {
      {Frame("CDR\x1FOK\x1F"), true},
      {Frame(""), true},  // 15 bytes: the shortest frame
      {"", false},        // a read of no bytes
      {kHeader, false},
      {kHeader.substr(0, 13) + "\x03", false},
      {Frame("CDR\x1FOK\x1F").substr(kHeader.size()), false},
      {kHeader + "CDR\x1FOK\x1F", false},
      {damaged, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsReplyFrame(c.reply.data(), c.reply.size()), c.framed)
        << ::testing::PrintToString(c.reply);
  }
}

TEST(FrameTest, GetFieldStaysInsideTheBytesReceived) {
  const std::string reply = Frame(
      "\x1F"
      "123456789\x1F"
      "1234567890\x1F");
  const struct {
    size_t length;
    size_t index;
    size_t capacity;
    const char* field;  // null: false
  } cases[] = {
      {reply.size(), 0, 10, ""},
      {reply.size(), 1, 10, "123456789"},
      {reply.size(), 1, 9, nullptr},
      {reply.size(), 2, 11, "1234567890"},
      {reply.size(), 2, 10, nullptr},
      {reply.size(), 3, 10, nullptr},      // ETX isn't ended by US
      {reply.size() - 2, 2, 11, nullptr},  // its US lies past the bytes received
      {reply.size() - 1, 2, 11, "1234567890"},
      {13, 0, 10, nullptr},
  };
  for (const auto& c : cases) {
    char out[16] = "garbage";
    EXPECT_EQ(GetField(reply.data(), c.length, c.index, out, c.capacity), c.field != nullptr)
        << "field " << c.index << " of " << c.length << " bytes into " << c.capacity;
    EXPECT_STREQ(out, c.field ? c.field : "") << "field " << c.index << " of " << c.length;
  }
}

TEST(FrameTest, ReplyResult) {
  const struct {
    std::string fields;
    unsigned result;
  } cases[] = {
      {"CDR\x1FOK\x1F", 501},
      {"\x1FOK\x1F", 501},
      {"CDR\x1FNG\x1F"
       "1234\x1F",
       1234},
      {"CDR\x1FNG\x1F"
       "123456789\x1F",
       123456789},
      {"CDR\x1FNG\x1F"
       " -12x\x1F",
       0xFFFFFFF4},
      {"CDR\x1FNG\x1F\x1F", 0},
      {"CDR\x1FNG\x1F"
       "1234567890\x1F",
       786},
      {"CDR\x1FNG\x1F", 786},
      {"CDR\x1Fok\x1F", 786},
      {"CDR\x1FOKOKOKOKOK\x1F", 786},
      {"CDR\x1FOK", 786},
      {"CDR\x1FOK \x1F", 786},
  };
  for (const auto& c : cases) {
    const std::string reply = Frame(c.fields);
    EXPECT_EQ(ReplyResult(reply.data(), reply.size()), c.result) << ::testing::PrintToString(reply);
  }
}

}  // namespace
}  // namespace quillon
