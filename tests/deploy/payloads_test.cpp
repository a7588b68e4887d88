// The payloads that the build embeds in the launcher (the same resource
// script, linked into a module of its own), the stand-ins they hold, and the
// launcher's image header.
#include <windows.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "deploy/extract.h"
#include "deploy/plan.h"
#include "quillon_version.h"
#include "support/version_info.h"
#include "tests/deploy/deploy_fixtures.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::DictionarySizeOf;
using helpers::ListFilesBelow;
using helpers::Narrow;
using helpers::ProgramFolder;
using helpers::ReadBytes;
using helpers::TempDir;
using helpers::UncompressedSizeOf;
using Bytes = std::vector<unsigned char>;

// One payload that a start may write: the resource name as the plan passes
// it, and the stand-in component that the build packed into it.
struct Payload {
  std::wstring resource;
  std::wstring component;  // below the components folder
};

// Every row of both columns of the plan. The four files whose 32- and 64-bit
// payloads share a name lie in the components folder's x86\ and x64\.
std::vector<Payload> PlannedPayloads() {
  std::vector<Payload> payloads;
  for (bool native32 : {true, false}) {
    size_t count = 0;
    const ComponentRow* rows = ComponentTable(native32, &count);
    for (size_t i = 0; i < count; ++i) {
      std::wstring bitness_folder = native32 ? L"x86\\" : L"x64\\";
      std::wstring component = rows[i].file_name;
      if (helpers::FileExists(ProgramFolder() + L"components\\" + bitness_folder + component))
        component = bitness_folder + component;
      bool known = false;
      for (const Payload& payload : payloads)
        known = known || payload.resource == rows[i].resource;
      if (!known)
        payloads.push_back({rows[i].resource, component});
    }
  }
  return payloads;
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
  if (!IS_INTRESOURCE(name))
    reinterpret_cast<std::set<std::wstring>*>(names)->insert(name);
  return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

class PayloadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The launcher that the build made, with the payloads it embedded.
    std::wstring path = ProgramFolder() + L"Quillon.exe";
    module_ = ::LoadLibraryExW(path.c_str(), nullptr,
                               LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module_) << "launcher missing: " << Narrow(path);
  }
  void TearDown() override {
    if (module_)
      ::FreeLibrary(module_);
  }

  HMODULE module_ = nullptr;
};

// The launcher embeds exactly the payloads that the plan names, each once,
// under Japanese; the build's stand-ins are exactly their files.
TEST_F(PayloadsTest, EveryPlanResourceIsEmbeddedOnceUnderJapanese) {
  std::set<std::wstring> embedded;
  ::EnumResourceNamesW(module_, L"MODULE", CollectName, reinterpret_cast<LONG_PTR>(&embedded));
  std::set<std::wstring> planned;
  for (const Payload& payload : PlannedPayloads()) {
    std::wstring upper = payload.resource;
    ::CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    planned.insert(upper);
    EXPECT_TRUE(::FindResourceW(module_, payload.resource.c_str(), L"MODULE"))
        << Narrow(payload.resource);
    std::vector<WORD> languages;
    ::EnumResourceLanguagesW(module_, L"MODULE", payload.resource.c_str(), CollectLanguage,
                             reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::vector<WORD>{1041}) << Narrow(payload.resource);
  }
  EXPECT_EQ(embedded, planned);
  // The stand-ins' folder holds the payloads' files and no other, which would
  // be taken for a component (a row's old name, say).
  std::vector<std::wstring> packed;
  for (const Payload& payload : PlannedPayloads())
    packed.push_back(payload.component);
  std::sort(packed.begin(), packed.end());
  EXPECT_EQ(ListFilesBelow(ProgramFolder() + L"components"), packed);
}

TEST_F(PayloadsTest, PayloadsDeclareTheExactSizeAndDecodeToTheComponent) {
  TempDir dir;
  for (const Payload& payload : PlannedPayloads()) {
    std::wstring component = ProgramFolder() + L"components\\" + payload.component;
    Bytes expected;
    ASSERT_TRUE(ReadBytes(component, &expected)) << Narrow(component);

    HRSRC resource = ::FindResourceW(module_, payload.resource.c_str(), L"MODULE");
    ASSERT_TRUE(resource) << Narrow(payload.resource);
    const auto* data =
        static_cast<const unsigned char*>(::LockResource(::LoadResource(module_, resource)));
    ASSERT_TRUE(data);
    Bytes header(data, data + 13);
    EXPECT_EQ(header[0], 0x5D) << Narrow(payload.resource);
    EXPECT_EQ(DictionarySizeOf(header), 16u << 20) << Narrow(payload.resource);
    EXPECT_EQ(UncompressedSizeOf(header), expected.size()) << Narrow(payload.resource);

    ASSERT_TRUE(ExtractPayloadFromModule(module_, dir.Path().c_str(), L"component.bin",
                                         payload.resource.c_str()))
        << Narrow(payload.resource);
    Bytes written;
    ASSERT_TRUE(ReadBytes(dir.Join(L"component.bin"), &written));
    EXPECT_TRUE(written == expected) << Narrow(payload.resource);
  }
}

// The launcher that the build made runs from swap off a stick or a network
// share (the flags set after the link), and its header's checksum is right
// for its bytes.
TEST(LauncherImageTest, RunsFromSwapAndItsChecksumHolds) {
  const std::wstring path = ProgramFolder() + L"Quillon.exe";
  Bytes image;
  ASSERT_TRUE(ReadBytes(path, &image)) << Narrow(path);
  DWORD in_header = 0;
  DWORD computed = 0;
  // The headers that the sum finds (the file header is the same in PE32 and PE32+).
  const IMAGE_NT_HEADERS* headers =
      ::CheckSumMappedFile(image.data(), static_cast<DWORD>(image.size()), &in_header, &computed);
  ASSERT_TRUE(headers);
  const WORD flags = IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP | IMAGE_FILE_NET_RUN_FROM_SWAP;
  const WORD characteristics = headers->FileHeader.Characteristics;
  EXPECT_EQ(characteristics & flags, flags) << std::hex << characteristics;
  EXPECT_EQ(in_header, computed) << std::hex << in_header << " for bytes that sum to " << computed;
}

TEST(StandInsTest, VersionsAreWhatTheDeploymentChecks) {
  struct Viewer {
    const wchar_t* file;
    int numbers[4];
  } viewers[] = {
      {L"components\\Portico.exe", {QUILLON_VERSION_NUMBERS}},
      {L"Portico.exe", {QUILLON_VERSION_NUMBERS}},
      {L"Portico_v6.exe", {6, 0, 0, 1}},
      {L"Portico_v5.exe", {5, 0, 0, 1}},
  };
  for (const Viewer& viewer : viewers) {
    std::wstring path = ProgramFolder() + viewer.file;
    int numbers[4];
    EXPECT_TRUE(ReadFileVersion(path.c_str(), numbers)) << Narrow(path);
    EXPECT_EQ(std::vector<int>(numbers, numbers + 4),
              std::vector<int>(viewer.numbers, viewer.numbers + 4))
        << Narrow(path);
  }

  struct Driver {
    const wchar_t* file;
    const wchar_t* product_version;
  } drivers[] = {
      {L"components\\x86\\OstrelVT6.sys", L"7.0.0.4"},
      {L"components\\x64\\OstrelVT6.sys", L"7.0.0.4"},
      {L"components\\x86\\OstrelXM2.sys", L"1.0.2.0"},
      {L"components\\x64\\OstrelXM2.sys", L"1.0.2.0"},
      {L"OstrelVT6_7005.sys", L"7.0.0.5"},
      {L"OstrelXM2_7005.sys", L"7.0.0.5"},
  };
  for (const Driver& driver : drivers) {
    std::wstring path = ProgramFolder() + driver.file;
    wchar_t text[32] = {};
    EXPECT_TRUE(ReadProductVersionText(path.c_str(), text, 32)) << Narrow(path);
    EXPECT_EQ(std::wstring(text), driver.product_version) << Narrow(path);
  }
}

TEST(StandInsTest, ViewerRecordsEachStartBesideItself) {
  TempDir dir;
  std::wstring viewer = dir.Join(L"Portico.exe");
  ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"Portico.exe").c_str(), viewer.c_str(), TRUE));
  for (const wchar_t* arguments : {L"\"S:\\Quillon.exe\"", L"second start"}) {
    ASSERT_EQ(helpers::RunProgram(viewer, arguments, 30000), 0) << Narrow(arguments);
  }
  Bytes record;
  ASSERT_TRUE(ReadBytes(dir.Join(L"Portico.record.txt"), &record));
  std::string text(record.begin(), record.end());
  std::string first = Narrow(viewer) + "\t\"" + Narrow(viewer) + "\" \"S:\\Quillon.exe\"\t";
  std::string second = Narrow(viewer) + "\t\"" + Narrow(viewer) + "\" second start\t";
  EXPECT_EQ(text.compare(0, first.size(), first), 0) << text;
  size_t line_end = text.find("\r\n");
  ASSERT_NE(line_end, std::string::npos) << text;
  // "YYYY-MM-DD hh:mm:ss.mmm", then the current folder that the viewer was
  // started in (this program's), close each line.
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, folder), 0u);
  const std::string tail = "\t" + Narrow(folder);
  EXPECT_EQ(line_end - first.size(), 23u + tail.size()) << text;
  EXPECT_EQ(text.compare(line_end - tail.size(), tail.size(), tail), 0) << text;
  EXPECT_EQ(text.compare(line_end + 2, second.size(), second), 0) << text;
  EXPECT_EQ(text.size() - (line_end + 2), second.size() + 23 + tail.size() + 2) << text;
}

}  // namespace
}  // namespace quillon
