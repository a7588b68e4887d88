#include "deploy/payload/payload_header.h"

namespace quillon {
namespace {

constexpr size_t kDictionaryOffset = 1;
constexpr size_t kSizeOffset = 5;
// Properties encode (pb * 5 + lp) * 9 + lc with pb and lp up to 4 and lc up
// to 8; anything from 225 on names no valid combination.
constexpr unsigned kFirstUnsupportedProperties = 225;

uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t ReadLe64(const uint8_t* p) {
  return static_cast<uint64_t>(ReadLe32(p)) | (static_cast<uint64_t>(ReadLe32(p + 4)) << 32);
}

void WriteLe(uint8_t* p, uint64_t value, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i)
    p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

PayloadHeaderCheck ReadPayloadHeader(const uint8_t* bytes, size_t length, PayloadHeader* header) {
  if (length < kPayloadHeaderSize)
    return PayloadHeaderCheck::kCutShort;
  if (bytes[0] >= kFirstUnsupportedProperties)
    return PayloadHeaderCheck::kUnsupported;
  header->properties = bytes[0];
  header->dictionary_size = ReadLe32(bytes + kDictionaryOffset);
  if (header->dictionary_size < kMinimumDictionarySize)
    header->dictionary_size = kMinimumDictionarySize;
  header->uncompressed_size = ReadLe64(bytes + kSizeOffset);
  return PayloadHeaderCheck::kOk;
}

void WritePayloadHeader(const PayloadHeader& header, uint8_t* bytes) {
  bytes[0] = header.properties;
  WriteLe(bytes + kDictionaryOffset, header.dictionary_size, 4);
  WriteLe(bytes + kSizeOffset, header.uncompressed_size, 8);
}

}  // namespace quillon
