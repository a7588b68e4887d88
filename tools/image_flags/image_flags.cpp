// The launcher's image flags, set after the link (GNU ld has no option for
// them) and before anything signs the program:
//   image_flags FILE
// sets IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP and IMAGE_FILE_NET_RUN_FROM_SWAP in
// the file header of the PE image FILE, in place. Windows then copies the
// whole image to the page file before the program runs from removable media
// or a network share, so that no page of it (the payload resources above
// all) is read later from a stick that the user may have pulled meanwhile.
// When the image carries a header checksum (not 0), it is made anew for the
// new bytes. The same input always gives the same output; a second run
// changes nothing. Exits with 0 when done, 1 with a message when FILE can't
// be read or written or isn't a PE image, 2 for a wrong command line.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kRemovableRunFromSwap = 0x0400;  // IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP
constexpr uint16_t kNetRunFromSwap = 0x0800;        // IMAGE_FILE_NET_RUN_FROM_SWAP

// Offsets of the PE layout: the DOS header's pointer to the "PE\0\0"
// signature, and from there the file header's Characteristics and
// SizeOfOptionalHeader, and the optional header's Magic and CheckSum (the
// same in PE32 and PE32+).
constexpr size_t kNtHeaderPointerAt = 0x3C;
constexpr size_t kCharacteristicsFromSignature = 4 + 18;
constexpr size_t kOptionalSizeFromSignature = 4 + 16;
constexpr size_t kMagicFromSignature = 4 + 20;
constexpr size_t kChecksumInOptional = 64;

uint32_t Read16(const Bytes& b, size_t at) {
  return b[at] | static_cast<uint32_t>(b[at + 1]) << 8;
}

uint32_t Read32(const Bytes& b, size_t at) {
  return Read16(b, at) | Read16(b, at + 2) << 16;
}

void Write16(Bytes* b, size_t at, uint32_t value) {
  (*b)[at] = static_cast<uint8_t>(value);
  (*b)[at + 1] = static_cast<uint8_t>(value >> 8);
}

// The header checksum of |image| as Windows computes it (CheckSumMappedFile):
// the little-endian 16-bit words of the whole file (an odd last byte padded
// with 0) added with their carries folded back in, the old checksum's two
// words taken off again in the same arithmetic, plus the file's size.
uint32_t HeaderChecksum(const Bytes& image, size_t checksum_at) {
  uint32_t sum = 0;
  for (size_t i = 0; i < image.size(); i += 2) {
    sum += image[i] | (i + 1 < image.size() ? static_cast<uint32_t>(image[i + 1]) << 8 : 0);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum + (sum >> 16)) & 0xFFFF;
  for (size_t word : {checksum_at, checksum_at + 2}) {
    const uint32_t old = Read16(image, word);
    sum -= (sum < old);
    sum = (sum - old) & 0xFFFF;
  }
  return sum + static_cast<uint32_t>(image.size());
}

// Sets the flags in |image| and renews a checksum that it carries. Returns
// null on success, else what is wrong with the image.
const char* SetRunFromSwap(Bytes* image) {
  const Bytes& b = *image;
  if (b.size() < kNtHeaderPointerAt + 4 || b[0] != 'M' || b[1] != 'Z')
    return "no DOS header";
  const size_t signature = Read32(b, kNtHeaderPointerAt);
  // The loader wants the headers 4-aligned; the checksum's words are counted
  // from the file's start.
  if (signature % 4 != 0 || signature > b.size() ||
      b.size() - signature < kMagicFromSignature + kChecksumInOptional + 4 ||
      Read32(b, signature) != 0x00004550) {
    return "no PE header";
  }
  const uint32_t magic = Read16(b, signature + kMagicFromSignature);
  if ((magic != 0x10B && magic != 0x20B) ||
      Read16(b, signature + kOptionalSizeFromSignature) < kChecksumInOptional + 4) {
    return "no PE32 or PE32+ optional header that holds a checksum";
  }
  const size_t characteristics = signature + kCharacteristicsFromSignature;
  Write16(image, characteristics,
          Read16(b, characteristics) | kRemovableRunFromSwap | kNetRunFromSwap);
  const size_t checksum = signature + kMagicFromSignature + kChecksumInOptional;
  if (Read32(b, checksum) != 0) {
    const uint32_t sum = HeaderChecksum(b, checksum);
    Write16(image, checksum, sum & 0xFFFF);
    Write16(image, checksum + 2, sum >> 16);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: image_flags FILE\n");
    return 2;
  }
  const char* path = argv[1];
  Bytes image;
  std::FILE* in = std::fopen(path, "rb");
  bool read = in != nullptr;
  for (int c; read && (c = std::getc(in)) != EOF;)
    image.push_back(static_cast<uint8_t>(c));
  read = read && !std::ferror(in);
  if (in)
    std::fclose(in);
  if (!read) {
    std::fprintf(stderr, "image_flags: can't read %s\n", path);
    return 1;
  }
  if (const char* problem = SetRunFromSwap(&image)) {
    std::fprintf(stderr, "image_flags: %s: %s\n", path, problem);
    return 1;
  }
  // Written aside and put in place whole: a failed write leaves the linked
  // program as it was.
  const std::string aside = std::string(path) + ".flags";
  std::FILE* out = std::fopen(aside.c_str(), "wb");
  const bool written = out && std::fwrite(image.data(), 1, image.size(), out) == image.size();
  if (!out || std::fclose(out) != 0 || !written || std::rename(aside.c_str(), path) != 0) {
    std::remove(aside.c_str());
    std::fprintf(stderr, "image_flags: can't write %s\n", path);
    return 1;
  }
  return 0;
}
