// The 13-byte header of a payload stream (the legacy .lzma layout, all
// numbers little-endian): properties (1 byte), dictionary size (4),
// uncompressed size (8). Pure functions on bytes: they don't use the system,
// so they also build and are fuzzed on a host.
#ifndef QUILLON_DEPLOY_PAYLOAD_PAYLOAD_HEADER_H_
#define QUILLON_DEPLOY_PAYLOAD_PAYLOAD_HEADER_H_

#include <cstddef>
#include <cstdint>

namespace quillon {

constexpr size_t kPayloadHeaderSize = 13;
// The uncompressed size that means "unknown": the data then ends with the
// end marker.
constexpr uint64_t kUnknownPayloadSize = UINT64_MAX;
// Smaller declared dictionaries are raised to this size.
constexpr uint32_t kMinimumDictionarySize = 4096;

struct PayloadHeader {
  uint8_t properties = 0;
  uint32_t dictionary_size = 0;  // at least kMinimumDictionarySize
  uint64_t uncompressed_size = 0;
};

enum class PayloadHeaderCheck {
  kOk,
  kCutShort,     // fewer than kPayloadHeaderSize bytes
  kUnsupported,  // properties of 225 or more
};

// Checks the first |length| bytes at |bytes| as a stream header and, when it
// passes (kOk), fills |header| with its fields, the dictionary size raised to
// the minimum. On any other answer |header| is unchanged. Bytes after the
// header are not read.
PayloadHeaderCheck ReadPayloadHeader(const uint8_t* bytes, size_t length, PayloadHeader* header);

// Writes |header| in the stream layout into |bytes| (kPayloadHeaderSize bytes):
// the header as the decoder is given it.
void WritePayloadHeader(const PayloadHeader& header, uint8_t* bytes);

}  // namespace quillon

#endif  // QUILLON_DEPLOY_PAYLOAD_PAYLOAD_HEADER_H_
