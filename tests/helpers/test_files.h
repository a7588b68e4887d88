// Files, folders and names for tests: real temporary folders, unique names so
// that tests never share a mutex, pipe, key or file.
#ifndef QUILLON_TESTS_HELPERS_TEST_FILES_H_
#define QUILLON_TESTS_HELPERS_TEST_FILES_H_

#include <windows.h>

#include <string>
#include <vector>

namespace quillon::helpers {

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

// Paths of the files below |folder|, relative to it ("Library\\x.dll"),
// sorted; folders themselves are not listed, links to folders are listed as
// files and not followed. Empty when the folder doesn't exist.
std::vector<std::wstring> ListFilesBelow(const std::wstring& folder);

// The short (8.3) and the long form of an existing path; |path| itself when
// it can't be had.
std::wstring ShortPath(const std::wstring& path);
std::wstring LongPath(const std::wstring& path);
// True when both name the same file, in any form and case.
bool SamePath(const std::wstring& a, const std::wstring& b);

// Copies the sample stick's .cfg files, which the build writes with
// tools/sample-stick.sh into the folder that QUILLON_SAMPLE_STICK names, into
// |root|\.cfg (made when missing). False when the variable is unset or a
// file can't be copied.
bool CopySampleStick(const std::wstring& root);

// ---- The per-user data folder ----

// The user's local application-data folder (no trailing backslash).
std::wstring LocalAppData();
// %LOCALAPPDATA%\Vaultine (no trailing backslash), where a start deploys.
std::wstring ProductDataFolder();
// The data folder as GetProductFolder hands it out: short form, trailing
// backslash, created when missing. Empty on failure.
std::wstring ShortDataFolder();
// A start got as far as the viewer: its shortcut is in the data folder and
// the viewer stand-in, opened through the shell (no process to wait for),
// wrote its record there within 5 seconds.
bool ViewerStarted();

// Moves the user's data folder aside for its lifetime and puts it back after,
// whatever was left in its place.
class ScopedDataFolderAside {
 public:
  ScopedDataFolderAside();
  ~ScopedDataFolderAside();
  ScopedDataFolderAside(const ScopedDataFolderAside&) = delete;
  ScopedDataFolderAside& operator=(const ScopedDataFolderAside&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  std::wstring aside_;
  bool moved_ = false;
};

// ---- Programs ----

// Runs |program| with |arguments| and waits for its end (at most
// |timeout_ms|). Returns its exit code, or -1 when it couldn't be started or
// didn't end in time (it is then killed).
int RunProgram(const std::wstring& program,
               const std::wstring& arguments,
               DWORD timeout_ms = 60000);

}  // namespace quillon::helpers

#endif  // QUILLON_TESTS_HELPERS_TEST_FILES_H_
