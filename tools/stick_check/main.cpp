// stick_check: the checker of a stick's settings and language files, and
// the gallery of the launcher's dialogs in every language of a stick.
//
//   stick_check check STICK_FOLDER [--out FILE]
//       One line per finding (UTF-8) on standard output, and into FILE;
//       exit code 1 when any finding is an error, 0 otherwise, 2 when the
//       folder can't be read.
//   stick_check pseudo STICK_FOLDER [--out FILE]
//       Writes the pseudo-translation .cfg\0501.cfg (LANGID 0x0501, Windows'
//       qps-ploc) into the stick and lists it as the next key of
//       Language.cfg's File run; meant for a copy of a stick. One line (UTF-8)
//       on standard output, and into FILE; exit code 0 when written, 1 when
//       the stick is refused, 2 when the folder can't be read or written.
//   stick_check gallery OUT_FOLDER [--pseudo]
//       Run from the root of the stick's drive in a throwaway prefix with
//       QUILLON_GALLERY=1 (tools/gallery.sh does both); with --pseudo, the
//       pseudo-translation is written into that stick first and shown as a
//       row of its own.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>

#include "launcher/text/messages.h"
#include "tools/stick_check/findings.h"
#include "tools/stick_check/gallery.h"
#include "tools/stick_check/pseudo.h"
#include "tools/stick_check/stick_files.h"

namespace {

void WriteAll(HANDLE out, const std::string& bytes) {
  DWORD written = 0;
  if (out != INVALID_HANDLE_VALUE && out != nullptr)
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int Usage() {
  std::fputs(
      "usage: stick_check check STICK_FOLDER [--out FILE]\n"
      "       stick_check pseudo STICK_FOLDER [--out FILE]\n"
      "       stick_check gallery OUT_FOLDER [--pseudo]\n",
      stderr);
  return 2;
}

// The full path of the stick folder |folder| with a trailing backslash, or
// empty (and why on standard error) when it is no folder.
std::wstring StickRoot(const std::wstring& folder) {
  wchar_t full[MAX_PATH] = {};
  const DWORD length = ::GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
  const DWORD attributes = ::GetFileAttributesW(full);
  if (length == 0 || length >= MAX_PATH - 1 || attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    std::fwprintf(stderr, L"stick_check: %ls is no folder\n", folder.c_str());
    return std::wstring();
  }
  std::wstring root = full;
  if (root.back() != L'\\')
    root += L'\\';
  return root;
}

// |text| on standard output and, when |out_path| is given, into that file.
// False when the file can't be written.
bool Report(const std::string& text, const wchar_t* out_path) {
  WriteAll(::GetStdHandle(STD_OUTPUT_HANDLE), text);
  return !out_path || stick_check::WriteAllBytes(out_path, text);
}

int RunPseudo(const std::wstring& folder, const wchar_t* out_path) {
  const std::wstring root = StickRoot(folder);
  if (root.empty())
    return 2;
  std::wstring message;
  const int code = stick_check::MakePseudoLanguage(root, &message);
  if (!Report(stick_check::ToUtf8(L"pseudo: " + message) + "\n", out_path))
    return 2;
  return code;
}

int RunCheck(const std::wstring& folder, const wchar_t* out_path) {
  const std::wstring root = StickRoot(folder);
  if (root.empty())
    return 2;
  const stick_check::StickReport report = stick_check::CheckStick(root);
  size_t errors = 0;
  size_t warnings = 0;
  std::string text;
  for (const stick_check::Finding& finding : report.findings) {
    errors += finding.severity == stick_check::Severity::kError;
    warnings += finding.severity == stick_check::Severity::kWarning;
    text += stick_check::ToUtf8(stick_check::FormatFinding(finding)) + "\n";
  }
  char summary[96];
  std::snprintf(summary, sizeof(summary), "%zu errors, %zu warnings, %zu languages\n", errors,
                warnings, report.languages.empty() ? 0 : report.languages.size() - 1);
  text += summary;
  if (!Report(text, out_path))
    return 2;
  return errors > 0 ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // The dialogs hold a progress bar and a SysLink, both common controls.
  quillon::EnsureCommonControls(ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_LINK_CLASS);
  const bool check = argc >= 3 && std::wcscmp(argv[1], L"check") == 0;
  if (check || (argc >= 3 && std::wcscmp(argv[1], L"pseudo") == 0)) {
    const wchar_t* out = nullptr;
    if (argc == 5 && std::wcscmp(argv[3], L"--out") == 0)
      out = argv[4];
    else if (argc != 3)
      return Usage();
    return check ? RunCheck(argv[2], out) : RunPseudo(argv[2], out);
  }
  const bool pseudo = argc == 4 && std::wcscmp(argv[3], L"--pseudo") == 0;
  if ((argc == 3 || pseudo) && std::wcscmp(argv[1], L"gallery") == 0) {
    wchar_t guard[8] = {};
    if (::GetEnvironmentVariableW(L"QUILLON_GALLERY", guard, 8) == 0 ||
        std::wcscmp(guard, L"1") != 0) {
      std::fputs(
          "stick_check: the gallery changes the user's settings; it runs only in a "
          "throwaway prefix with QUILLON_GALLERY=1 (tools/gallery.sh)\n",
          stderr);
      return 2;
    }
    return stick_check::RunGallery(argv[2], pseudo);
  }
  return Usage();
}
