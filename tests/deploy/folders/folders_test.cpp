#include "deploy/folders/folders.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "tests/deploy/deploy_fixtures.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::FileExists;
using helpers::LocalAppData;
using helpers::Narrow;
using helpers::ReadBytes;
using helpers::RemoveTree;
using helpers::ScopedDataFolderAside;
using helpers::ShortPath;
using helpers::UniqueName;
using helpers::WriteBytes;

bool IsDirectory(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(GetProductFolderTest, HandsOutTheShortPathWithABackslash) {
  wchar_t first[MAX_PATH] = {};
  DWORD len = GetProductFolder(MAX_PATH, first);
  ASSERT_GT(len, 0u);
  ASSERT_LT(len, DWORD{MAX_PATH});
  EXPECT_EQ(len, ::lstrlenW(first));
  EXPECT_EQ(first[len - 1], L'\\');
  EXPECT_EQ(std::wstring(first), ShortPath(LocalAppData() + L"\\Vaultine\\"));
  EXPECT_TRUE(IsDirectory(first));

  wchar_t second[MAX_PATH] = {};
  EXPECT_EQ(GetProductFolder(MAX_PATH, second), len);
  EXPECT_EQ(std::wstring(second), std::wstring(first));
}

TEST(GetProductFolderTest, TooSmallBufferGetsTheSizeNeeded) {
  wchar_t folder[MAX_PATH] = {};
  DWORD len = GetProductFolder(MAX_PATH, folder);
  ASSERT_GT(len, 0u);
  wchar_t small[MAX_PATH] = {};
  // One character short of the terminator: the size needed, which callers read as failure.
  EXPECT_EQ(GetProductFolder(len, small), len + 1);
  EXPECT_EQ(GetProductFolder(len + 1, small), len);
  EXPECT_EQ(std::wstring(small), std::wstring(folder));
}

TEST(GetProductFolderTest, SubfolderIsCreatedBelowTheDataFolder) {
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(GetProductFolder(MAX_PATH, folder), 0u);
  std::wstring name = UniqueName(L"Library");
  wchar_t subfolder[MAX_PATH] = {};
  DWORD len = GetProductSubfolder(name.c_str(), MAX_PATH, subfolder);
  ASSERT_GT(len, 0u);
  ASSERT_LT(len, DWORD{MAX_PATH});
  EXPECT_EQ(subfolder[len - 1], L'\\');
  EXPECT_TRUE(IsDirectory(subfolder));
  EXPECT_EQ(std::wstring(subfolder), ShortPath(std::wstring(folder) + name + L"\\"));
  EXPECT_TRUE(::RemoveDirectoryW(subfolder));
}

TEST(GetProductFolderTest, CreatesTheMissingDataFolderAndLibraryFolder) {
  ScopedDataFolderAside aside;
  ASSERT_FALSE(FileExists(aside.path()));
  wchar_t library[MAX_PATH] = {};
  DWORD len = GetProductSubfolder(L"Library7.0.0.68", MAX_PATH, library);
  ASSERT_GT(len, 0u);
  EXPECT_TRUE(IsDirectory(aside.path() + L"\\Library7.0.0.68"));
  EXPECT_EQ(std::wstring(library), ShortPath(aside.path() + L"\\Library7.0.0.68\\"));
}

TEST(GetProductFolderTest, FileInPlaceOfTheDataFolderFails) {
  ScopedDataFolderAside aside;
  ASSERT_TRUE(WriteBytes(aside.path(), {'x'}));
  wchar_t buffer[MAX_PATH] = {};
  EXPECT_EQ(GetProductFolder(MAX_PATH, buffer), 0u);
  EXPECT_EQ(GetProductSubfolder(L"Library7.0.0.68", MAX_PATH, buffer), 0u);
  EXPECT_EQ(MakeTempFilePath(), nullptr);
  EXPECT_FALSE(IsDirectory(aside.path()));
}

TEST(GetProductFolderTest, FileInPlaceOfTheSubfolderFails) {
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(GetProductFolder(MAX_PATH, folder), 0u);
  std::wstring name = UniqueName(L"NotAFolder");
  std::wstring file = std::wstring(folder) + name;
  ASSERT_TRUE(WriteBytes(file, {'x'}));
  wchar_t buffer[MAX_PATH] = {};
  EXPECT_EQ(GetProductSubfolder(name.c_str(), MAX_PATH, buffer), 0u);
  EXPECT_TRUE(::DeleteFileW(file.c_str()));
}

TEST(MakeTempFilePathTest, MakesNewEmptyFilesInTheDataFolder) {
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(GetProductFolder(MAX_PATH, folder), 0u);
  const wchar_t* first = MakeTempFilePath();
  ASSERT_NE(first, nullptr);
  std::wstring first_path = first;
  const wchar_t* second = MakeTempFilePath();
  ASSERT_NE(second, nullptr);
  std::wstring second_path = second;
  // One process-wide buffer: the second call overwrote the first name.
  EXPECT_EQ(first, second);
  EXPECT_NE(first_path, second_path);
  for (const std::wstring& path : {first_path, second_path}) {
    std::wstring prefix = std::wstring(folder) + L"UAS";
    EXPECT_EQ(path.compare(0, prefix.size(), prefix), 0) << Narrow(path);
    std::vector<unsigned char> bytes = {1};
    EXPECT_TRUE(ReadBytes(path, &bytes)) << Narrow(path);
    EXPECT_TRUE(bytes.empty()) << Narrow(path);
    EXPECT_TRUE(::DeleteFileW(path.c_str())) << Narrow(path);
  }
}

}  // namespace
}  // namespace quillon
