#include "deploy/payload/payload_decoder.h"

#include <lzma.h>

#include <cstdint>

#include "deploy/folders/folders.h"
#include "deploy/payload/payload_header.h"
#include "support/handles.h"
#include "support/path_buffer.h"

namespace quillon {
namespace {

constexpr DWORD kBlockSize = 65536;

// Every payload is packed with a 16 MiB dictionary. liblzma needs the
// dictionary plus its probability tables and bookkeeping (16 MiB + 64 KiB in
// all, whatever lc and lp are), so the limit leaves a megabyte of room above
// the dictionary. A header that asks for more (up to 4 GiB can be declared)
// is refused before any of it is allocated.
constexpr uint64_t kDecoderMemoryLimit = (16u << 20) + (1u << 20);

// Owns a liblzma stream and releases the decoder's memory (dictionary and
// probability tables) on every path out of a decoding.
class LzmaDecoder {
 public:
  LzmaDecoder() = default;
  ~LzmaDecoder() { ::lzma_end(&stream_); }
  LzmaDecoder(const LzmaDecoder&) = delete;
  LzmaDecoder& operator=(const LzmaDecoder&) = delete;

  lzma_stream* stream() { return &stream_; }

 private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

// Deletes a file when it goes out of scope (unless released).
class ScopedFileDeleter {
 public:
  ScopedFileDeleter() = default;
  ~ScopedFileDeleter() {
    if (!path_.IsEmpty())
      ::DeleteFileW(path_.Get());
  }
  ScopedFileDeleter(const ScopedFileDeleter&) = delete;
  ScopedFileDeleter& operator=(const ScopedFileDeleter&) = delete;

  bool Set(const wchar_t* path) { return path_.Assign(path); }
  const wchar_t* path() const { return path_.Get(); }

 private:
  PathBuffer path_;
};

DecodeResult ResultOf(lzma_ret ret) {
  switch (ret) {
    case LZMA_MEM_ERROR:
    case LZMA_MEMLIMIT_ERROR:
      return DecodeResult::kMemoryError;
    case LZMA_FORMAT_ERROR:
    case LZMA_OPTIONS_ERROR:
      return DecodeResult::kUnsupported;
    default:
      return DecodeResult::kDataError;
  }
}

// Reads up to |size| bytes, stopping early only at the end of the file.
bool ReadFully(HANDLE file, uint8_t* buffer, DWORD size, DWORD* got) {
  *got = 0;
  while (*got < size) {
    DWORD read = 0;
    if (!::ReadFile(file, buffer + *got, size - *got, &read, nullptr))
      return false;
    if (read == 0)
      break;
    *got += read;
  }
  return true;
}

bool WriteAll(HANDLE file, const uint8_t* data, DWORD size) {
  if (size == 0)
    return true;
  DWORD written = 0;
  return ::WriteFile(file, data, size, &written, nullptr) && written == size;
}

}  // namespace

DecodeResult DecodePayloadStream(HANDLE source, HANDLE output) {
  uint8_t header[kPayloadHeaderSize];
  DWORD got = 0;
  if (!ReadFully(source, header, kPayloadHeaderSize, &got))
    return DecodeResult::kReadError;
  PayloadHeader fields;
  switch (ReadPayloadHeader(header, got, &fields)) {
    case PayloadHeaderCheck::kOk:
      break;
    case PayloadHeaderCheck::kCutShort:
      return DecodeResult::kInputError;
    case PayloadHeaderCheck::kUnsupported:
      return DecodeResult::kUnsupported;
  }
  // The decoder is given the header with the dictionary size raised.
  WritePayloadHeader(fields, header);
  const uint64_t size = fields.uncompressed_size;
  const bool size_known = size != kUnknownPayloadSize;

  LzmaDecoder decoder;
  lzma_stream* stream = decoder.stream();
  lzma_ret ret = ::lzma_alone_decoder(stream, kDecoderMemoryLimit);
  if (ret != LZMA_OK)
    return ResultOf(ret);

  uint8_t input[kBlockSize];
  uint8_t out[kBlockSize];

  // The decoder takes the (checked) header first; this is where it sets
  // itself up, so a refused header or a failed allocation shows here.
  stream->next_in = header;
  stream->avail_in = kPayloadHeaderSize;
  stream->next_out = out;
  stream->avail_out = kBlockSize;
  ret = ::lzma_code(stream, LZMA_RUN);
  if (ret != LZMA_OK)
    return ResultOf(ret);
  if (stream->avail_in != 0)
    return DecodeResult::kDataError;

  uint64_t produced = 0;
  bool end_of_input = false;
  for (;;) {
    // The known size has been produced: done, whatever follows in the source.
    if (size_known && produced == size)
      return DecodeResult::kOk;

    if (stream->avail_in == 0 && !end_of_input) {
      DWORD read = 0;
      if (!::ReadFile(source, input, kBlockSize, &read, nullptr))
        return DecodeResult::kReadError;
      end_of_input = read == 0;
      stream->next_in = input;
      stream->avail_in = read;
    }

    // Near the end of a known size, ask for exactly the bytes that remain,
    // so that the decoder finishes there and needs no end marker.
    DWORD wanted = kBlockSize;
    if (size_known && size - produced < kBlockSize)
      wanted = static_cast<DWORD>(size - produced);
    stream->next_out = out;
    stream->avail_out = wanted;
    const size_t avail_in_before = stream->avail_in;
    ret = ::lzma_code(stream, end_of_input ? LZMA_FINISH : LZMA_RUN);

    const DWORD step_output = wanted - static_cast<DWORD>(stream->avail_out);
    const bool step_consumed = stream->avail_in != avail_in_before;
    if (!WriteAll(output, out, step_output))
      return DecodeResult::kWriteError;
    produced += step_output;

    // Checked before the decoder's answer: with a known size, whatever the
    // decoder makes of the bytes after it (garbage, or an end marker that is
    // cut short) doesn't matter.
    if (size_known && produced == size)
      return DecodeResult::kOk;
    if (ret == LZMA_STREAM_END) {
      // The end marker: the end of a stream of unknown size, or a stream that
      // ends before its declared size.
      return size_known ? DecodeResult::kDataError : DecodeResult::kOk;
    }
    if (ret != LZMA_OK)
      return ResultOf(ret);
    if (end_of_input && step_output == 0 && !step_consumed) {
      // The source is used up and the decoder can't go on: truncated data,
      // or a stream of unknown size without its end marker.
      return DecodeResult::kDataError;
    }
  }
}

bool DecodePayloadFile(const wchar_t* source, const wchar_t* destination) {
  // Decoding a file onto itself goes through a temporary file, which is
  // deleted on every path (also when the source can't even be opened).
  ScopedFileDeleter temp_file;
  const wchar_t* output_path = destination;
  bool in_place = ::lstrcmpiW(source, destination) == 0;
  bool output_available = true;
  if (in_place) {
    const wchar_t* temp_path = MakeTempFilePath();
    output_available = temp_path && temp_file.Set(temp_path);
    if (!output_available && temp_path)
      ::DeleteFileW(temp_path);
    output_path = temp_file.path();
  }

  FileHandle input(::CreateFileW(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!input.IsValid())
    return false;
  if (!output_available)
    return false;

  FileHandle output(::CreateFileW(output_path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output.IsValid())
    return false;

  const bool decoded = DecodePayloadStream(input.Get(), output.Get()) == DecodeResult::kOk;
  output.Close();
  if (!decoded && !in_place)
    ::DeleteFileW(output_path);
  input.Close();
  if (!decoded)
    return false;
  if (!in_place)
    return true;

  return ::CopyFileW(output_path, source, FALSE) != 0;
}

}  // namespace quillon
