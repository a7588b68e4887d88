// Files, folders and names for tests: real temporary folders, unique names so
// that tests never share a mutex, pipe, key or file.
#ifndef QUILLON_TESTS_SUPPORT_TEST_FILES_H_
#define QUILLON_TESTS_SUPPORT_TEST_FILES_H_

#include <windows.h>

#include <string>
#include <vector>

namespace quillon::testing {

// |prefix| followed by the process ID and a counter: unique within a test run.
std::wstring UniqueName(const std::wstring& prefix);

// A fresh folder under the temporary folder, removed with its contents when
// the object goes away. Path() ends without a backslash.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& Path() const { return path_; }
  // Path() + "\" + name.
  std::wstring Join(const std::wstring& name) const;

 private:
  std::wstring path_;
};

// Deletes a folder and everything in it (no links followed). True when gone.
bool RemoveTree(const std::wstring& path);

bool WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);
bool WriteText(const std::wstring& path, const std::string& utf8_or_ansi);
// Writes UTF-16LE with a byte-order mark, as language and INI files may be.
bool WriteUtf16(const std::wstring& path, const std::wstring& text);
// Reads the whole file; false when it can't be opened.
bool ReadBytes(const std::wstring& path, std::vector<unsigned char>* bytes);
bool FileExists(const std::wstring& path);

// Narrow text of a wide string (UTF-8), for failure messages.
std::string Narrow(const std::wstring& text);

// Folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();

}  // namespace quillon::testing

#endif  // QUILLON_TESTS_SUPPORT_TEST_FILES_H_
