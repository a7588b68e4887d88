// Decoding of payload streams: the legacy .lzma layout (13-byte header:
// properties, dictionary size, 64-bit uncompressed size; then LZMA data),
// decoded with liblzma in blocks of 64 KiB.
#ifndef QUILLON_DEPLOY_PAYLOAD_PAYLOAD_DECODER_H_
#define QUILLON_DEPLOY_PAYLOAD_PAYLOAD_DECODER_H_

#include <windows.h>

namespace quillon {

// Why a decoding stopped. Only success and failure matter to callers; the
// kinds help tests and diagnostics.
enum class DecodeResult {
  kOk,
  kInputError,   // the header is cut short
  kReadError,    // reading the source failed
  kWriteError,   // the output took fewer bytes than given
  kUnsupported,  // properties of 225 or more, or a header liblzma refuses
  kMemoryError,  // the decoder's memory can't be had (or exceeds the limit)
  kDataError,    // corrupt or truncated data
};

// Decodes the stream read from |source| into |output| (both open file
// handles, positioned at the start). With a known size, exactly that many
// bytes are written and whatever follows them in the source is ignored;
// with an unknown size the data must end with the end marker. A dictionary
// larger than the payloads' 16 MiB (plus a little room) is refused as a
// memory error before it is allocated. On failure |output| holds whatever was
// written before the failure; the caller deletes it.
DecodeResult DecodePayloadStream(HANDLE source, HANDLE output);

// Decodes the payload file |source| into |destination|. When both name the
// same file (compared without regard to case) the data goes through a
// temporary file that is then copied over the source. Returns true on
// success; on failure the output written so far (the destination or the
// temporary file) is deleted.
bool DecodePayloadFile(const wchar_t* source, const wchar_t* destination);

}  // namespace quillon

#endif  // QUILLON_DEPLOY_PAYLOAD_PAYLOAD_DECODER_H_
