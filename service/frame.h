// The framing of the messages between the launcher and the product's
// background service on its pipe: single-byte text without a terminator on
// the wire, every message in both directions starting with the same 14-byte
// frame header (SOH, the tag "OstrelVT", US, "V1", US, STX) and ending with
// ETX; fields are ended by US.
//
// Pure functions on bytes and lengths: what comes back from the pipe is
// checked and taken apart here, without the system, so that these functions
// also build and are fuzzed on a host.
#ifndef QUILLON_SERVICE_FRAME_H_
#define QUILLON_SERVICE_FRAME_H_

#include <cstddef>

namespace quillon {

constexpr size_t kFrameHeaderLength = 14;
// Every message is built in, and every reply read into, a buffer of this size.
constexpr size_t kServiceMessageCapacity = 1024;
// A reply field is copied into a buffer of this size: at most 9 characters.
constexpr size_t kReplyFieldCapacity = 10;

// Result codes of an exchange with the service (the launcher's result codes):
// the service answered "OK", or no valid answer came (connection, transfer or
// format failure). Any other value is the code of an "NG" reply.
constexpr unsigned kServiceResultOk = 501;
constexpr unsigned kServiceResultFailed = 786;

// Writes the closing message (header, "END", US, the tag, US, ETX) into |out|
// of |capacity| bytes, terminated by a zero byte that is not sent. Returns
// its length; 0 (and |out| empty, when |capacity| allows) when it doesn't fit.
size_t BuildClosingMessage(char* out, size_t capacity);

// The same for the version-check request: header, "CDR", US, the tag's first
// character alone, US, "Version", US, "Check", US, ETX.
size_t BuildVersionCheckRequest(char* out, size_t capacity);

// The frame check of a reply of |length| bytes: true when it begins with the
// frame header and its last byte is ETX. A reply of no bytes, or one that
// ends inside the header, fails.
bool IsReplyFrame(const char* reply, size_t length);

// Copies field |index| of the |length| bytes of |reply| (fields counted from 0
// right after the frame header, each ended by US) into |out| of |capacity|
// bytes and terminates it. False when the reply is shorter than the header, a
// US is missing, or the field has |capacity| characters or more; |out| is
// then empty (when |capacity| is not 0). Nothing past |length| is read: the
// reply buffer carries no terminator of its own.
bool GetField(const char* reply, size_t length, size_t index, char* out, size_t capacity);

// The result of a framed reply (IsReplyFrame holds): kServiceResultOk when
// field 1 is "OK"; for "NG", field 2 read as a decimal number (strtol's rules,
// so "x" gives 0 and "-1" 0xFFFFFFFF); kServiceResultFailed for any other
// status and for a missing or over-long field 1 or field 2 of an "NG".
unsigned ReplyResult(const char* reply, size_t length);

}  // namespace quillon

#endif  // QUILLON_SERVICE_FRAME_H_
