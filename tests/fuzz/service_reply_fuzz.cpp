// The service's reply as the pipe delivers it: any bytes, at most one read's
// worth (the first 1024 bytes of the input). They are copied into a block of
// exactly their size, so that a look past the bytes received is a finding of
// AddressSanitizer. The answers
// are compared with a plain model: the bytes after the header split at each
// US, and strtol.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "service/frame.h"
#include "tests/fuzz/fuzz_check.h"

namespace quillon {
namespace {

// The fields after the header, each ended by US; what follows the last US is
// no field.
std::vector<std::string> ModelFields(const char* reply, size_t length) {
  std::vector<std::string> fields;
  if (length < kFrameHeaderLength)
    return fields;
  const std::string rest(reply + kFrameHeaderLength, length - kFrameHeaderLength);
  size_t begin = 0;
  for (size_t end; (end = rest.find('\x1F', begin)) != std::string::npos; begin = end + 1)
    fields.push_back(rest.substr(begin, end - begin));
  return fields;
}

// A field as the reply's result reads it: a copy ended by a zero byte, so a
// zero byte inside it ends it there.
bool ModelField(const std::vector<std::string>& fields, size_t index, std::string* text) {
  if (index >= fields.size() || fields[index].size() >= kReplyFieldCapacity)
    return false;
  *text = fields[index].c_str();
  return true;
}

unsigned ModelResult(const std::vector<std::string>& fields) {
  std::string status;
  std::string code;
  if (!ModelField(fields, 1, &status))
    return kServiceResultFailed;
  if (status == "OK")
    return kServiceResultOk;
  if (status != "NG" || !ModelField(fields, 2, &code))
    return kServiceResultFailed;
  return static_cast<unsigned>(std::strtol(code.c_str(), nullptr, 10));
}

void CheckFields(const char* reply, size_t length, const std::vector<std::string>& fields) {
  for (size_t index = 0; index < 4; ++index) {
    for (size_t capacity : {size_t{0}, size_t{1}, kReplyFieldCapacity}) {
      char out[kReplyFieldCapacity + 1];
      std::memset(out, 'x', sizeof(out));
      const bool got = GetField(reply, length, index, out, capacity);
      FUZZ_CHECK(out[capacity] == 'x');  // nothing written past the buffer
      const bool expected = index < fields.size() && fields[index].size() < capacity;
      FUZZ_CHECK(got == expected);
      if (got) {
        const std::string& field = fields[index];
        FUZZ_CHECK(std::memcmp(out, field.data(), field.size()) == 0 && out[field.size()] == 0);
      } else if (capacity > 0) {
        FUZZ_CHECK(out[0] == '\0');
      }
    }
  }
}

}  // namespace
}  // namespace quillon

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillon;
  if (size > kServiceMessageCapacity)
    size = kServiceMessageCapacity;
  std::unique_ptr<char[]> copy(new char[size]);
  std::memcpy(copy.get(), data, size);
  const char* reply = copy.get();
  const bool framed = size > kFrameHeaderLength && reply[size - 1] == 0x03 &&
                      std::memcmp(reply, "\x01OstrelVT\x1FV1\x1F\x02", kFrameHeaderLength) == 0;
  FUZZ_CHECK(IsReplyFrame(reply, size) == framed);
  const std::vector<std::string> fields = ModelFields(reply, size);
  FUZZ_CHECK(ReplyResult(reply, size) == ModelResult(fields));
  CheckFields(reply, size, fields);
  return 0;
}
