// Packs one component file into the launcher's payload stream (the legacy
// .lzma layout of deploy/payload) with liblzma's encoder for it, in one thread:
//   pack_payload [--unknown-size] [--lzma1=OPTIONS] INPUT OUTPUT
// OPTIONS as xz's --lzma1, over preset 6; by default lc 3, lp 0, pb 2
// (properties 0x5D) and a 16 MiB dictionary. The data ends with the end marker
// and the header declares the input's size, unless --unknown-size (test
// streams). Exits with 0 when OUTPUT is complete, else 1 (2 for a wrong
// command line) and no OUTPUT.
#include <lzma.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "deploy/payload/payload_header.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The whole file |path| into |data|; false when it can't be read.
bool ReadAll(const char* path, Bytes* data) {
  FILE* file = std::fopen(path, "rb");
  if (!file)
    return false;
  uint8_t block[1 << 16];
  for (size_t got; (got = std::fread(block, 1, sizeof(block), file)) > 0;)
    data->insert(data->end(), block, block + got);
  const bool read = !std::ferror(file);
  std::fclose(file);
  return read;
}

// |data| as the whole file |path|; false when it can't be written.
bool WriteAll(const char* path, const Bytes& data) {
  FILE* file = std::fopen(path, "wb");
  if (!file)
    return false;
  const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  return std::fclose(file) == 0 && written;
}

// Packs |data| with the LZMA1 filter |lzma1| into |packed|; with |exact_size|
// the header declares the size of |data|. Returns null on success, else what
// failed.
const char* Pack(const Bytes& data, const lzma_filter& lzma1, bool exact_size, Bytes* packed) {
  // All in one step; LZMA makes incompressible data about 1.5 % larger.
  packed->resize(data.size() + data.size() / 2 + 4096);
  lzma_stream s = LZMA_STREAM_INIT;
  s.next_in = data.data();
  s.avail_in = data.size();
  s.next_out = packed->data();
  s.avail_out = packed->size();
  lzma_ret ret = lzma_alone_encoder(&s, static_cast<const lzma_options_lzma*>(lzma1.options));
  if (ret == LZMA_OK)
    ret = lzma_code(&s, LZMA_FINISH);
  lzma_end(&s);
  packed->resize(s.total_out);
  quillon::PayloadHeader header;
  if (ret != LZMA_STREAM_END ||
      quillon::ReadPayloadHeader(packed->data(), packed->size(), &header) !=
          quillon::PayloadHeaderCheck::kOk ||
      header.uncompressed_size != quillon::kUnknownPayloadSize)
    return "encoding failed";
  if (exact_size) {
    header.uncompressed_size = data.size();
    quillon::WritePayloadHeader(header, packed->data());
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  bool exact_size = true;
  std::string options = "dict=16MiB,lc=3,lp=0,pb=2";
  int arg = 1;
  for (; arg < argc - 2; ++arg) {
    if (std::strcmp(argv[arg], "--unknown-size") == 0)
      exact_size = false;
    else if (std::strncmp(argv[arg], "--lzma1=", 8) == 0)
      options = argv[arg] + 8;
    else
      break;
  }
  lzma_filter filters[LZMA_FILTERS_MAX + 1];
  const char* error = argc - arg != 2
                          ? "usage: pack_payload [--unknown-size] [--lzma1=OPTIONS] INPUT OUTPUT"
                          : lzma_str_to_filters(("lzma1=" + options).c_str(), nullptr, filters,
                                                LZMA_STR_ALL_FILTERS, nullptr);
  if (error) {
    std::fprintf(stderr, "pack_payload: %s\n", error);
    return 2;
  }
  Bytes data;
  Bytes packed;
  error = ReadAll(argv[arg], &data) ? Pack(data, filters[0], exact_size, &packed)
                                    : "can't read the input";
  lzma_filters_free(filters, nullptr);
  if (!error && !WriteAll(argv[arg + 1], packed))
    error = "can't write the output";
  if (error) {
    std::remove(argv[arg + 1]);
    std::fprintf(stderr, "pack_payload: %s: %s\n", argv[arg], error);
    return 1;
  }
  return 0;
}
