// The start of a payload stream: any bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "deploy/payload/payload_header.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillon;
  PayloadHeader header;
  header.properties = 0xAB;
  const PayloadHeaderCheck check = ReadPayloadHeader(data, size, &header);
  if (size < kPayloadHeaderSize) {
    FUZZ_CHECK(check == PayloadHeaderCheck::kCutShort && header.properties == 0xAB);
    return 0;
  }
  if (data[0] >= 225) {
    FUZZ_CHECK(check == PayloadHeaderCheck::kUnsupported && header.properties == 0xAB);
    return 0;
  }
  FUZZ_CHECK(check == PayloadHeaderCheck::kOk);
  FUZZ_CHECK(header.properties == data[0]);
  FUZZ_CHECK(header.dictionary_size >= kMinimumDictionarySize);

  // Written back, the header differs from the input at most in a raised
  // dictionary size, and reads again as the same fields.
  uint8_t written[kPayloadHeaderSize];
  WritePayloadHeader(header, written);
  uint32_t declared = 0;
  for (int i = 3; i >= 0; --i)
    declared = (declared << 8) | data[1 + i];
  if (declared >= kMinimumDictionarySize)
    FUZZ_CHECK(std::memcmp(written, data, kPayloadHeaderSize) == 0);
  else
    FUZZ_CHECK(header.dictionary_size == kMinimumDictionarySize);
  FUZZ_CHECK(std::memcmp(written + 5, data + 5, 8) == 0);
  PayloadHeader again;
  FUZZ_CHECK(ReadPayloadHeader(written, sizeof(written), &again) == PayloadHeaderCheck::kOk);
  FUZZ_CHECK(again.properties == header.properties &&
             again.dictionary_size == header.dictionary_size &&
             again.uncompressed_size == header.uncompressed_size);
  return 0;
}
