#include "service/frame.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "support/number_text.h"

namespace quillon {
namespace {

constexpr char kUnitSeparator = 0x1F;
constexpr char kEndOfText = 0x03;
const char kTag[] = "OstrelVT";
// SOH, the tag, US, "V1", US, STX. No byte of it is zero, so it also serves
// as a %s argument.
const char kFrameHeader[] = "\x01OstrelVT\x1FV1\x1F\x02";
static_assert(sizeof(kFrameHeader) - 1 == kFrameHeaderLength, "the frame header has 14 bytes");

// Formats into |out| of |capacity| bytes. Returns the length; 0 (and |out|
// empty) when the text doesn't fit: a cut message is never sent.
__attribute__((format(printf, 3, 4))) size_t FormatMessageText(char* out,
                                                               size_t capacity,
                                                               const char* format,
                                                               ...) {
  if (capacity == 0)
    return 0;
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(out, capacity, format, arguments);
  va_end(arguments);
  if (length <= 0 || static_cast<size_t>(length) >= capacity) {
    out[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(length);
}

// The position of the first US in [from, length), or length when there is none.
size_t FindSeparator(const char* reply, size_t from, size_t length) {
  const void* found = std::memchr(reply + from, kUnitSeparator, length - from);
  return found ? static_cast<size_t>(static_cast<const char*>(found) - reply) : length;
}

}  // namespace

size_t BuildClosingMessage(char* out, size_t capacity) {
  return FormatMessageText(out, capacity, "%sEND%c%s%c%c", kFrameHeader, kUnitSeparator, kTag,
                           kUnitSeparator, kEndOfText);
}

size_t BuildVersionCheckRequest(char* out, size_t capacity) {
  // The request names the tag by its first character only.
  return FormatMessageText(out, capacity, "%sCDR%c%c%c%s%c%s%c%c", kFrameHeader, kUnitSeparator,
                           kTag[0], kUnitSeparator, "Version", kUnitSeparator, "Check",
                           kUnitSeparator, kEndOfText);
}

bool IsReplyFrame(const char* reply, size_t length) {
  // A read of no bytes would pass the two checks below unexamined; it is no
  // answer.
  if (length <= kFrameHeaderLength)
    return false;
  return std::memcmp(reply, kFrameHeader, kFrameHeaderLength) == 0 &&
         reply[length - 1] == kEndOfText;
}

bool GetField(const char* reply, size_t length, size_t index, char* out, size_t capacity) {
  if (capacity == 0)
    return false;
  out[0] = '\0';
  if (length < kFrameHeaderLength)
    return false;
  size_t begin = kFrameHeaderLength;
  for (size_t skipped = 0; skipped < index; ++skipped) {
    const size_t separator = FindSeparator(reply, begin, length);
    if (separator == length)
      return false;
    begin = separator + 1;
  }
  const size_t end = FindSeparator(reply, begin, length);
  if (end == length || end - begin >= capacity)
    return false;
  std::memcpy(out, reply + begin, end - begin);
  out[end - begin] = '\0';
  return true;
}

unsigned ReplyResult(const char* reply, size_t length) {
  char status[kReplyFieldCapacity];
  if (!GetField(reply, length, 1, status, sizeof(status)))
    return kServiceResultFailed;
  if (std::strcmp(status, "OK") == 0)
    return kServiceResultOk;
  if (std::strcmp(status, "NG") != 0)
    return kServiceResultFailed;
  char code[kReplyFieldCapacity];
  if (!GetField(reply, length, 2, code, sizeof(code)))
    return kServiceResultFailed;
  // The service's own code, as it wrote it; nine characters can't leave int.
  return static_cast<unsigned>(ConvertDecimalNumber(code, std::strlen(code)));
}

}  // namespace quillon
