#include "support/log/log.h"

#include <shlwapi.h>
#include <strsafe.h>

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "deploy/folders/folders.h"
#include "support/handles.h"
#include "support/path_buffer.h"
#include "support/version_info.h"

namespace quillon {
namespace {

// The caller's text, its CR LF and the terminator.
constexpr size_t kMessageCapacity = 1024;
const wchar_t kLineEnd[] = L"\r\n";
// The time stamp "[YYYYMMDD-hhmmss]" in front of a message or the header.
constexpr size_t kStampCapacity = 32;
constexpr size_t kLineCapacity = kStampCapacity + kMessageCapacity;

PathBuffer g_log_path;

// Writes |line| as UTF-16LE code units to |path| opened in binary mode with
// |mode| ("wb" or "ab"); |line| may be null to write nothing. Lines are
// formatted beforehand with the bounded formatter and written as they are: the
// wide formatted output of this toolchain's runtime reads "%s" as a narrow
// string, which would garble the paths that the lines carry.
void WriteLine(const wchar_t* path, const wchar_t* mode, const wchar_t* line) {
  StdioFile file(::_wfopen(path, mode));
  if (!file || !line)
    return;
  std::fwrite(line, sizeof(wchar_t), std::wcslen(line), file.get());
}

}  // namespace

bool OpenLog() {
  ::_wsetlocale(LC_ALL, L"");

  PathBuffer folder;
  if (!GetProductFolder(&folder))
    return false;

  PathBuffer program;
  if (!program.TakeWritten(::GetModuleFileNameW(nullptr, program.Data(), PathBuffer::kCapacity)))
    return false;

  // The program's file name, and that name without its extension. (Split
  // here: _wsplitpath_s is missing from the system runtime of Windows XP.)
  const wchar_t* file_name = ::PathFindFileNameW(program.Get());
  const size_t name_length = static_cast<size_t>(::PathFindExtensionW(file_name) - file_name);
  wchar_t name[_MAX_FNAME] = {};
  if (name_length >= _MAX_FNAME)
    return false;
  ::StringCchCopyNW(name, _MAX_FNAME, file_name, name_length);

  // A path that doesn't fit is not cut (it would name another file): the log
  // stays closed and its lines are dropped.
  if (!g_log_path.Format(L"%s%s.log", folder.Get(), name))
    return false;

  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  int version[4];
  const bool version_read = ReadFileVersion(program.Get(), version);

  wchar_t line[kLineCapacity] = {};
  HRESULT formatted;
  if (version_read) {
    formatted =
        ::StringCchPrintfW(line, kLineCapacity, L"[%04d%02d%02d-%02d%02d%02d]%s(%d.%d.%d.%d)\r\n",
                           now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                           file_name, version[0], version[1], version[2], version[3]);
  } else {
    formatted =
        ::StringCchPrintfW(line, kLineCapacity, L"[%04d%02d%02d-%02d%02d%02d]%s\r\n", now.wYear,
                           now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, file_name);
  }
  // "wb" truncates the previous run's log even when the header can't be made.
  WriteLine(g_log_path.Get(), L"wb", SUCCEEDED(formatted) ? line : nullptr);
  return true;
}

void WriteLog(const wchar_t* format, ...) {
  if (g_log_path.IsEmpty() && !OpenLog())
    return;

  SYSTEMTIME now = {};
  ::GetLocalTime(&now);

  // The message is cut to leave room for CR LF; a cut message is still logged.
  wchar_t message[kMessageCapacity] = {};
  va_list arguments;
  va_start(arguments, format);
  HRESULT formatted =
      ::StringCchVPrintfW(message, kMessageCapacity - (ARRAYSIZE(kLineEnd) - 1), format, arguments);
  va_end(arguments);
  if (FAILED(formatted) && formatted != STRSAFE_E_INSUFFICIENT_BUFFER)
    return;
  if (FAILED(::StringCchCatW(message, kMessageCapacity, kLineEnd)))
    return;

  wchar_t line[kLineCapacity] = {};
  if (FAILED(::StringCchPrintfW(line, kLineCapacity, L"[%04d%02d%02d-%02d%02d%02d]%s", now.wYear,
                                now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                                message))) {
    return;
  }
  WriteLine(g_log_path.Get(), L"ab", line);
}

const wchar_t* LogFilePath() {
  return g_log_path.Get();
}

void ResetLogForTesting() {
  g_log_path.Clear();
}

}  // namespace quillon
