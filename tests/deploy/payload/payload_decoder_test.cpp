#include "deploy/payload/payload_decoder.h"

#include <gtest/gtest.h>
#include <lzma.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/handles.h"
#include "tests/deploy/deploy_fixtures.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::DictionarySizeOf;
using helpers::FileExists;
using helpers::FixturePath;
using helpers::Narrow;
using helpers::ReadBytes;
using helpers::ReadFixture;
using helpers::SetDictionarySize;
using helpers::SetProperties;
using helpers::SetUncompressedSize;
using helpers::TempDir;
using helpers::TempFilesInDataFolder;
using helpers::UncompressedSizeOf;
using helpers::WriteBytes;
using Bytes = std::vector<unsigned char>;

std::string Name(DecodeResult result) {
  switch (result) {
    case DecodeResult::kOk:
      return "ok";
    case DecodeResult::kInputError:
      return "input error";
    case DecodeResult::kReadError:
      return "read error";
    case DecodeResult::kWriteError:
      return "write error";
    case DecodeResult::kUnsupported:
      return "unsupported";
    case DecodeResult::kMemoryError:
      return "memory error";
    case DecodeResult::kDataError:
      return "data error";
  }
  return "?";
}

// Raw LZMA data of |data| without an end marker (which xz always writes),
// made with liblzma's encoder, behind a header with |declared_size|.
Bytes StreamWithoutEndMarker(const Bytes& data, uint64_t declared_size) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  options.dict_size = 16u << 20;
  options.ext_flags = 0;  // no end marker
  lzma_set_ext_size(options, data.size());
  lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  Bytes stream(13 + data.size() + data.size() / 2 + 1024);
  size_t out_pos = 13;
  lzma_ret ret = lzma_raw_buffer_encode(filters, nullptr, data.data(), data.size(), stream.data(),
                                        &out_pos, stream.size());
  EXPECT_EQ(ret, LZMA_OK);
  stream.resize(out_pos);
  SetProperties(&stream, 0x5D);
  SetDictionarySize(&stream, 16u << 20);
  SetUncompressedSize(&stream, declared_size);
  return stream;
}

class PayloadDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override { temp_files_before_ = TempFilesInDataFolder(); }
  void TearDown() override {
    EXPECT_EQ(TempFilesInDataFolder(), temp_files_before_)
        << "a temporary file was left in the data folder";
  }

  // Decodes |stream| with DecodePayloadStream from one file into another.
  DecodeResult Decode(const Bytes& stream, Bytes* output) {
    std::wstring source = dir_.Join(L"stream.lzma");
    std::wstring target = dir_.Join(L"decoded.bin");
    EXPECT_TRUE(WriteBytes(source, stream));
    DecodeResult result;
    {
      FileHandle in(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      FileHandle out(::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      EXPECT_TRUE(in.IsValid() && out.IsValid());
      result = DecodePayloadStream(in.Get(), out.Get());
    }
    EXPECT_TRUE(ReadBytes(target, output));
    return result;
  }

  TempDir dir_;
  std::set<std::wstring> temp_files_before_;
};

TEST_F(PayloadDecoderTest, KnownSizeStreamsDecodeToExactlyTheirData) {
  // The build's own packing: exact size in the header, end marker behind it.
  for (const wchar_t* size : {L"0", L"1", L"65535", L"65536", L"65537", L"300000"}) {
    Bytes stream = ReadFixture(std::wstring(L"sample_") + size + L".lzma");
    Bytes expected = ReadFixture(std::wstring(L"sample_") + size + L".bin");
    ASSERT_GE(stream.size(), 13u) << Narrow(size);
    EXPECT_EQ(UncompressedSizeOf(stream), expected.size()) << Narrow(size);
    Bytes output;
    EXPECT_EQ(Decode(stream, &output), DecodeResult::kOk) << Narrow(size);
    EXPECT_TRUE(output == expected) << "size " << Narrow(size) << ": got " << output.size();
  }
}

TEST_F(PayloadDecoderTest, UnknownSizeStreamDecodesUpToItsEndMarker) {
  Bytes stream = ReadFixture(L"sample_300000_unknown.lzma");
  ASSERT_EQ(UncompressedSizeOf(stream), helpers::kUnknownSize);
  Bytes output;
  EXPECT_EQ(Decode(stream, &output), DecodeResult::kOk);
  EXPECT_TRUE(output == ReadFixture(L"sample_300000.bin"));
  // Whatever follows the end marker is not read as data.
  stream.insert(stream.end(), 100, 0x55);
  EXPECT_EQ(Decode(stream, &output), DecodeResult::kOk);
  EXPECT_EQ(output.size(), 300000u);
}

TEST_F(PayloadDecoderTest, EndMarkerIsNeededOnlyWhenTheSizeIsUnknown) {
  Bytes data = ReadFixture(L"sample_65537.bin");
  Bytes output;
  EXPECT_EQ(Decode(StreamWithoutEndMarker(data, data.size()), &output), DecodeResult::kOk);
  EXPECT_TRUE(output == data);
  EXPECT_EQ(Decode(StreamWithoutEndMarker(data, helpers::kUnknownSize), &output),
            DecodeResult::kDataError);
}

TEST_F(PayloadDecoderTest, StopsAtTheDeclaredSize) {
  Bytes data = ReadFixture(L"sample_300000.bin");
  Bytes packed = ReadFixture(L"sample_300000.lzma");
  // Garbage behind a complete stream.
  Bytes stream = packed;
  stream.insert(stream.end(), 5000, 0xA7);
  Bytes output;
  EXPECT_EQ(Decode(stream, &output), DecodeResult::kOk);
  EXPECT_TRUE(output == data);
  // A declared size below what the data holds: exactly that many bytes, around
  // the block size and far inside the data.
  for (uint64_t declared : {uint64_t{1}, uint64_t{65535}, uint64_t{65536}, uint64_t{65537},
                            uint64_t{100000}, uint64_t{299999}}) {
    stream = packed;
    SetUncompressedSize(&stream, declared);
    EXPECT_EQ(Decode(stream, &output), DecodeResult::kOk) << declared;
    EXPECT_EQ(output.size(), declared);
    EXPECT_TRUE(std::equal(output.begin(), output.end(), data.begin())) << declared;
  }
}

TEST_F(PayloadDecoderTest, DeclaredSizeBeyondTheDataFails) {
  Bytes stream = ReadFixture(L"sample_65537.lzma");
  SetUncompressedSize(&stream, 65538);
  Bytes output;
  EXPECT_EQ(Decode(stream, &output), DecodeResult::kDataError);
}

TEST_F(PayloadDecoderTest, TruncatedStreamsFail) {
  Bytes packed = ReadFixture(L"sample_300000.lzma");
  struct Case {
    size_t keep;
    DecodeResult expected;
  } cases[] = {
      {0, DecodeResult::kInputError},     {1, DecodeResult::kInputError},
      {12, DecodeResult::kInputError},    {13, DecodeResult::kDataError},
      {14, DecodeResult::kDataError},     {65536, DecodeResult::kDataError},
      {100000, DecodeResult::kDataError},
  };
  for (const Case& c : cases) {
    Bytes stream(packed.begin(), packed.begin() + c.keep);
    Bytes output;
    EXPECT_EQ(Name(Decode(stream, &output)), Name(c.expected)) << "first " << c.keep << " bytes";
  }
  // A stream of unknown size that lacks the last byte of its end marker.
  Bytes unknown = ReadFixture(L"sample_300000_unknown.lzma");
  unknown.pop_back();
  Bytes output;
  EXPECT_EQ(Decode(unknown, &output), DecodeResult::kDataError);
}

TEST_F(PayloadDecoderTest, PropertiesFrom225OnAreRefused) {
  Bytes packed = ReadFixture(L"sample_1.lzma");
  struct Case {
    unsigned char properties;
    DecodeResult expected;
  } cases[] = {
      {0x5D, DecodeResult::kOk},
      {225, DecodeResult::kUnsupported},
      {0xFF, DecodeResult::kUnsupported},
      // Below 225 but lc + lp above 4, which liblzma refuses: the same failure.
      {224, DecodeResult::kUnsupported},
      {(0 * 5 + 4) * 9 + 4, DecodeResult::kUnsupported},
  };
  for (const Case& c : cases) {
    Bytes stream = packed;
    SetProperties(&stream, c.properties);
    Bytes output;
    EXPECT_EQ(Name(Decode(stream, &output)), Name(c.expected)) << int{c.properties};
  }
}

TEST_F(PayloadDecoderTest, DictionaryBelow4096IsRaisedTo4096) {
  Bytes packed = ReadFixture(L"sample_300000_dict4k.lzma");
  ASSERT_EQ(DictionarySizeOf(packed), 4096u);
  Bytes data = ReadFixture(L"sample_300000.bin");
  for (uint32_t dictionary : {0u, 1u, 4095u, 4096u}) {
    Bytes stream = packed;
    SetDictionarySize(&stream, dictionary);
    Bytes output;
    EXPECT_EQ(Name(Decode(stream, &output)), Name(DecodeResult::kOk)) << dictionary;
    EXPECT_TRUE(output == data) << dictionary;
  }
}

TEST_F(PayloadDecoderTest, MemoryLimitAdmits16MiBWithAnyLiteralSettings) {
  for (const wchar_t* name :
       {L"sample_65537.lzma", L"sample_65537_lc0lp4pb4.lzma", L"sample_65537_lc4lp0pb0.lzma"}) {
    Bytes stream = ReadFixture(name);
    ASSERT_EQ(DictionarySizeOf(stream), 16u << 20);
    Bytes output;
    EXPECT_EQ(Name(Decode(stream, &output)), Name(DecodeResult::kOk)) << Narrow(name);
    EXPECT_TRUE(output == ReadFixture(L"sample_65537.bin")) << Narrow(name);
  }
}

TEST_F(PayloadDecoderTest, OversizedDictionaryFailsCleanly) {
  Bytes packed = ReadFixture(L"sample_65537.lzma");
  for (uint32_t dictionary : {(16u << 20) + (1u << 20), 64u << 20, 0x80000000u, 0xFFFFFFFFu}) {
    Bytes stream = packed;
    SetDictionarySize(&stream, dictionary);
    Bytes output;
    EXPECT_EQ(Name(Decode(stream, &output)), Name(DecodeResult::kMemoryError)) << dictionary;
    EXPECT_TRUE(output.empty()) << dictionary;
  }
}

// The format has no check of its own: damage close to the end of a stream of
// known size can decode to wrong bytes of the right size, which is
// indistinguishable from data followed by bytes after the declared size.
// Damage that sends the decoder astray before that point is caught.
TEST_F(PayloadDecoderTest, DamagedDataFails) {
  Bytes packed = ReadFixture(L"sample_300000.lzma");
  for (size_t offset :
       {size_t{13}, size_t{14}, size_t{200}, packed.size() / 3, packed.size() / 2}) {
    Bytes stream = packed;
    for (size_t i = offset; i < offset + 16 && i < stream.size(); ++i)
      stream[i] ^= 0x5A;
    Bytes output;
    EXPECT_NE(Name(Decode(stream, &output)), Name(DecodeResult::kOk)) << "damage at " << offset;
  }
}

TEST_F(PayloadDecoderTest, ReadAndWriteFailuresAreReported) {
  std::wstring source = dir_.Join(L"stream.lzma");
  std::wstring target = dir_.Join(L"decoded.bin");
  ASSERT_TRUE(WriteBytes(source, ReadFixture(L"sample_65537.lzma")));
  {
    // A source that can't be read.
    FileHandle in(::CreateFileW(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    FileHandle out(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(Name(DecodePayloadStream(in.Get(), out.Get())), Name(DecodeResult::kReadError));
  }
  {
    // An output that can't be written.
    FileHandle in(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    FileHandle out(::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(Name(DecodePayloadStream(in.Get(), out.Get())), Name(DecodeResult::kWriteError));
  }
}

TEST_F(PayloadDecoderTest, DecodesIntoAnotherFile) {
  std::wstring source = dir_.Join(L"stream.lzma");
  std::wstring target = dir_.Join(L"decoded.bin");
  Bytes stream = ReadFixture(L"sample_300000.lzma");
  ASSERT_TRUE(WriteBytes(source, stream));
  ASSERT_TRUE(WriteBytes(target, Bytes(10, 'x')));
  EXPECT_TRUE(DecodePayloadFile(source.c_str(), target.c_str()));
  Bytes output;
  ASSERT_TRUE(ReadBytes(target, &output));
  EXPECT_TRUE(output == ReadFixture(L"sample_300000.bin"));
  ASSERT_TRUE(ReadBytes(source, &output));
  EXPECT_TRUE(output == stream) << "the source was changed";
}

TEST_F(PayloadDecoderTest, DecodesInPlaceWhenTheNamesDifferOnlyInCase) {
  std::wstring source = dir_.Join(L"component.bin");
  std::wstring same = dir_.Join(L"COMPONENT.BIN");
  ASSERT_TRUE(WriteBytes(source, ReadFixture(L"sample_65536.lzma")));
  EXPECT_TRUE(DecodePayloadFile(source.c_str(), same.c_str()));
  Bytes output;
  ASSERT_TRUE(ReadBytes(source, &output));
  EXPECT_TRUE(output == ReadFixture(L"sample_65536.bin"));
}

TEST_F(PayloadDecoderTest, FailedDecodingLeavesNoOutput) {
  Bytes cut = ReadFixture(L"sample_300000_cut.lzma");
  std::wstring source = dir_.Join(L"stream.lzma");
  std::wstring target = dir_.Join(L"decoded.bin");
  ASSERT_TRUE(WriteBytes(source, cut));
  EXPECT_FALSE(DecodePayloadFile(source.c_str(), target.c_str()));
  EXPECT_FALSE(FileExists(target));
  // In place: the temporary file goes (checked on tear-down), the source stays.
  EXPECT_FALSE(DecodePayloadFile(source.c_str(), source.c_str()));
  Bytes output;
  ASSERT_TRUE(ReadBytes(source, &output));
  EXPECT_TRUE(output == cut);
}

TEST_F(PayloadDecoderTest, MissingSourceOrOutputFolderFails) {
  std::wstring missing = dir_.Join(L"missing.lzma");
  std::wstring target = dir_.Join(L"decoded.bin");
  EXPECT_FALSE(DecodePayloadFile(missing.c_str(), target.c_str()));
  EXPECT_FALSE(FileExists(target));
  // In place, after the temporary file was made: it must not stay behind.
  EXPECT_FALSE(DecodePayloadFile(missing.c_str(), missing.c_str()));

  std::wstring source = dir_.Join(L"stream.lzma");
  ASSERT_TRUE(WriteBytes(source, ReadFixture(L"sample_1.lzma")));
  std::wstring no_folder = dir_.Join(L"no such folder\\decoded.bin");
  EXPECT_FALSE(DecodePayloadFile(source.c_str(), no_folder.c_str()));
}

}  // namespace
}  // namespace quillon
