#include "tools/stick_check/gallery.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "autostart/prelaunch_gate.h"
#include "autostart/setup_dialog.h"
#include "deploy/folders/folders.h"
#include "environment/antivirus_warnings.h"
#include "launcher/paths/module_paths.h"
#include "launcher/paths/stick_paths.h"
#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "launcher/wait_window.h"
#include "localization/files/current_language_file.h"
#include "localization/language_dialog.h"
#include "tools/stick_check/pseudo.h"
#include "tools/stick_check/screens.h"
#include "tools/stick_check/stick_files.h"

namespace stick_check {
namespace {

// A window is painted at the tick that finds it and taken at the next: its
// drawing goes to the display ahead of the picture's request, so one tick
// suffices (250 ms ticks gave the same pictures, pixel for pixel, in more
// than twice the time).
constexpr UINT kTickMs = 50;
constexpr int kMaxTicks = 200;  // 10 s for a window to appear

// The shot that the timer takes of the window that the launcher's code shows.
struct PendingShot {
  const Screen* screen = nullptr;
  std::wstring picture;    // .bmp path
  int dismiss = 0;         // command that closes the window; 0 leaves it
  std::wstring parameter;  // VT_Parameter, for the expected texts
  UINT_PTR timer = 0;
  int ticks = 0;
  bool seen = false;
  bool done = false;
  bool taken = false;
  std::wstring problem;  // the window differs from the table
};

PendingShot g_shot;

BOOL CALLBACK FindDialogWindow(HWND window, LPARAM found) {
  wchar_t class_name[16] = {};
  ::GetClassNameW(window, class_name, 16);
  if (::IsWindowVisible(window) && std::wcscmp(class_name, L"#32770") == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

bool WriteBitmap(HWND window, const std::wstring& path) {
  RECT rect = {};
  ::GetWindowRect(window, &rect);
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0)
    return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool written = false;
  if (bitmap) {
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    // What the user sees: the screen where the window lies.
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    ::GdiFlush();
    const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
    const DWORD image_size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(header) + sizeof(info.bmiHeader);
    header.bfSize = header.bfOffBits + image_size;
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (file) {
      written = std::fwrite(&header, sizeof(header), 1, file) == 1 &&
                std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, file) == 1 &&
                std::fwrite(bits, image_size, 1, file) == 1;
      written = std::fclose(file) == 0 && written;
    }
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return written;
}

// The dialog's texts as the table expects them; differences are recorded.
void CompareWithTable(HWND window) {
  const Screen& screen = *g_shot.screen;
  if (screen.kind != ScreenKind::kDialog)
    return;
  for (const ControlText& text : screen.texts) {
    if (text.form == TextForm::kLink)
      continue;  // the link keeps its markup to itself
    wchar_t shown[2048] = {};
    ::GetDlgItemTextW(window, text.control, shown, 2048);
    if (ComposeText(text, g_shot.parameter) != shown) {
      g_shot.problem += L"control " + std::to_wstring(text.control) + L" shows \"" + shown +
                        L"\", the table expects another text; ";
    }
  }
  if (screen.dialog == quillon::kSetupDialog) {
    const bool box_shown = ::IsWindowVisible(::GetDlgItem(window, quillon::kVersionCheck)) != FALSE;
    if (box_shown != screen.version_box)
      g_shot.problem += L"the version-check box is shown where the table says otherwise; ";
  }
}

void CALLBACK ShotTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND window = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindDialogWindow, reinterpret_cast<LPARAM>(&window));
  if (!window) {
    if (++g_shot.ticks > kMaxTicks) {
      ::KillTimer(nullptr, timer);
      g_shot.problem += L"no window appeared; ";
      g_shot.done = true;
    }
    return;
  }
  if (!g_shot.seen) {
    // One tick to paint it completely before it is taken.
    g_shot.seen = true;
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    return;
  }
  ::KillTimer(nullptr, timer);
  g_shot.taken = WriteBitmap(window, g_shot.picture);
  CompareWithTable(window);
  g_shot.done = true;
  if (g_shot.dismiss != 0)
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(g_shot.dismiss, BN_CLICKED), 0);
}

void Arm(const Screen& screen,
         const std::wstring& picture,
         int dismiss,
         const std::wstring& parameter) {
  g_shot = PendingShot();
  g_shot.screen = &screen;
  g_shot.picture = picture;
  g_shot.dismiss = dismiss;
  g_shot.parameter = parameter;
  g_shot.timer = ::SetTimer(nullptr, 0, kTickMs, ShotTimer);
}

// A window that didn't open leaves its timer behind, which the next shot
// must not share.
void Disarm() {
  if (!g_shot.done && g_shot.timer != 0) {
    ::KillTimer(nullptr, g_shot.timer);
    g_shot.problem += L"the window ended before its picture; ";
  }
  g_shot.timer = 0;
}

// Shows |screen| through the launcher's own code and waits for its shot.
void Show(const Screen& screen, const std::wstring& picture, const std::wstring& parameter) {
  using namespace quillon;
  if (screen.kind == ScreenKind::kMessageBox) {
    Arm(screen, picture, IDOK, parameter);
    ShowErrorMessage(screen.texts[0].message);
  } else if (screen.kind == ScreenKind::kQuestion) {
    Arm(screen, picture, IDNO, parameter);
    AskCompanionUpdate();
  } else if (screen.dialog == kWaitDialog) {
    Arm(screen, picture, 0, parameter);
    // The launcher's range of 100 seconds, 40 of them waited.
    ShowWaitWindow(nullptr, 100);
    UpdateWaitWindow(40);
    MSG message;
    while (!g_shot.done && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    CloseWaitWindow();
    // The window's end posts a quit message, which would end the next dialog.
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  } else if (screen.dialog == kSetupDialog) {
    Arm(screen, picture, kNoButton, parameter);
    ShowSetupDialog();
  } else if (screen.dialog == kWarningDialog) {
    Arm(screen, picture, kWarningAbort, parameter);
    if (std::wcscmp(screen.name, L"258-avast") == 0)
      ShowAvastWarning();
    else
      Show360Warning();
  } else if (screen.dialog == kLanguageDialog) {
    Arm(screen, picture, IDCANCEL, parameter);
    ShowLanguageDialog(nullptr, GetModuleFolder());
  }
}

std::wstring Html(const std::wstring& text) {
  std::wstring escaped;
  for (wchar_t c : text) {
    switch (c) {
      case L'&':
        escaped += L"&amp;";
        break;
      case L'<':
        escaped += L"&lt;";
        break;
      case L'>':
        escaped += L"&gt;";
        break;
      case L'"':
        escaped += L"&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// True when |screen| shows the language file's text of |key|. A message
// without a key of its own shows the generic text (ERROR_OTHER) and its
// number; a screen before the language resolution shows none of the file.
bool ScreenShowsKey(const Screen& screen, const std::wstring& key) {
  if (key.empty() || screen.before_language)
    return false;
  if (SameName(KeyOf(screen.caption), key))
    return true;
  for (const ControlText& text : screen.texts) {
    const std::wstring own = KeyOf(text.message);
    if (SameName(own.empty() ? KeyOf(quillon::kMsgErrorOther) : own, key))
      return true;
  }
  return false;
}

bool AnyScreenShowsKey(const std::wstring& key) {
  for (const Screen& screen : AllScreens()) {
    if (ScreenShowsKey(screen, key))
      return true;
  }
  return false;
}

std::wstring FindingsList(const Findings& findings) {
  if (findings.empty())
    return std::wstring();
  std::wstring list = L"<ul>";
  for (const Finding& finding : findings) {
    const wchar_t* kind = finding.severity == Severity::kError     ? L"error"
                          : finding.severity == Severity::kWarning ? L"warning"
                                                                   : L"note";
    list += L"<li class=\"" + std::wstring(kind) + L"\">" + Html(FormatFinding(finding)) + L"</li>";
  }
  return list + L"</ul>";
}

struct Row {
  std::wstring id;     // file-name part
  std::wstring title;  // for people
  std::wstring file;   // relative to the root, empty for the string table
  std::wstring path;   // the language file in use, empty for the string table
  bool pseudo;         // the pseudo-translation
};

}  // namespace

int RunGallery(const std::wstring& out_folder, bool pseudo) {
  using namespace quillon;
  const wchar_t* module_folder = GetModuleFolder();
  if (!module_folder)
    return 2;
  const std::wstring root = std::wstring(1, module_folder[0]) + L":\\";
  if (out_folder.empty())
    return 2;
  const std::wstring out = out_folder.back() == L'\\' ? out_folder : out_folder + L"\\";
  if (pseudo) {
    std::wstring message;
    const int made = MakePseudoLanguage(root, &message);
    std::fwprintf(stderr, L"gallery: pseudo-translation: %ls\n", message.c_str());
    if (made != 0)
      return 2;
  }
  const StickReport report = CheckStick(root);

  std::vector<Row> rows;
  for (const StickLanguage& language : report.languages) {
    if (!language.exists)
      continue;
    Row row;
    row.id =
        std::to_wstring(language.number) + L"-" + language.file.substr(0, language.file.find(L'.'));
    row.file = kStickConfigFolder + language.file;
    row.path = language.path;
    row.title = language.number == 0 ? L"Language.cfg, the fallback file"
                                     : language.name + L" (" + language.file + L", number " +
                                           std::to_wstring(language.number) + L")";
    row.pseudo = language.number != 0 && IsPseudoLanguage(language.file);
    rows.push_back(row);
  }
  rows.push_back({L"table", L"The program's own string table alone", L"", L"", false});

  // The wait window names the program that occupies the stick, from the
  // app-notify file in the data folder.
  wchar_t folder[MAX_PATH] = {};
  const size_t length = GetProductFolder(MAX_PATH, folder);
  if (length > 0 && length < MAX_PATH) {
    const std::wstring notify = std::wstring(folder) + kAppNotifyFileName;
    ::WritePrivateProfileStringW(kAppNotifySection, kAppNotifyKey, L"Portico.exe", notify.c_str());
  }
  const std::wstring settings = root + kStickConfigFolder + kStickSettingsName;
  wchar_t parameter[kStickSettingCapacity] = {};
  ::GetPrivateProfileStringW(kStickSection, kParameterKey, L"", parameter, kStickSettingCapacity,
                             settings.c_str());
  wchar_t url[kStickSettingCapacity] = {};
  ::GetPrivateProfileStringW(kStickSection, kAutoUpdateUrlKey, L"", url, kStickSettingCapacity,
                             settings.c_str());
  const std::wstring original_url = url;

  std::wstring page =
      L"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Dialogs of the stick</title>\n"
      L"<style>body{font-family:sans-serif}table{border-collapse:collapse}"
      L"td,th{border:1px solid #ccc;vertical-align:top;padding:6px}"
      L"th.row{text-align:left;min-width:14em}figure{margin:0}figcaption{font-size:small;"
      L"max-width:30em}li.error{color:#b00}li.warning{color:#a60}li.note{color:#555}"
      L"ul{padding-left:1.2em;margin:4px 0}tr.pseudo th.row{background:#fee;"
      L"border-left:6px solid #b00}p.pseudo{color:#b00;font-weight:bold}</style></head><body>\n"
      L"<h1>Every dialog and message box of a start, in every language of the stick</h1>\n"
      L"<p id=\"status\">Checking the pictures...</p>\n<table>\n<tr><th>Language</th>";
  for (const Screen& screen : AllScreens())
    page += L"<th>" + Html(screen.title) + L"</th>";
  page += L"</tr>\n";

  int failures = 0;
  for (const Row& row : rows) {
    SetCurrentLanguageFile(row.path.c_str());
    Findings row_findings;
    for (const Finding& finding : report.findings) {
      if (!row.file.empty() && SameName(finding.file, row.file) && !AnyScreenShowsKey(finding.key))
        row_findings.push_back(finding);
    }
    page += row.pseudo ? L"<tr class=\"pseudo\">" : L"<tr>";
    page += L"<th class=\"row\">" + Html(row.title);
    if (row.pseudo) {
      page +=
          L"<p class=\"pseudo\">PSEUDO-TRANSLATION, not for users: never ship it. Made by "
          L"stick_check from the fallback texts, longer, accented and in [brackets]: a text "
          L"without its \"]\" is cut off; each text that needs more room is listed under "
          L"its picture.</p>";
    }
    page += FindingsList(row_findings) + L"</th>";
    for (const Screen& screen : AllScreens()) {
      if (screen.dialog == kSetupDialog) {
        ::WritePrivateProfileStringW(kStickSection, kAutoUpdateUrlKey,
                                     screen.version_box ? L"https://update.invalid/" : nullptr,
                                     settings.c_str());
      }
      const std::wstring name = row.id + L"-" + screen.name;
      // The first message of a start comes before its language file.
      SetCurrentLanguageFile(screen.before_language ? L"" : row.path.c_str());
      Show(screen, out + name + L".bmp", parameter);
      Disarm();
      if (!g_shot.taken || !g_shot.problem.empty()) {
        ++failures;
        std::fwprintf(stderr, L"gallery: %ls: %ls%ls\n", name.c_str(),
                      g_shot.taken ? L"" : L"no picture; ", g_shot.problem.c_str());
      }
      Findings cell;
      for (const Finding& finding : report.findings) {
        if (!row.file.empty() && SameName(finding.file, row.file) &&
            ScreenShowsKey(screen, finding.key))
          cell.push_back(finding);
      }
      page += L"<td><figure><img src=\"" + Html(name) + L".png\" alt=\"" + Html(screen.title) +
              L"\"><figcaption>" + FindingsList(cell) + L"</figcaption></figure></td>";
    }
    page += L"</tr>\n";
  }
  ::WritePrivateProfileStringW(kStickSection, kAutoUpdateUrlKey,
                               original_url.empty() ? nullptr : original_url.c_str(),
                               settings.c_str());

  page +=
      L"</table>\n<script>\nwindow.addEventListener('load', function () {\n"
      L"  var images = document.images, loaded = 0;\n"
      L"  for (var i = 0; i < images.length; i++)\n"
      L"    if (images[i].complete && images[i].naturalWidth > 0) loaded++;\n"
      L"  var status = document.getElementById('status');\n"
      L"  status.textContent = loaded + ' of ' + images.length + ' pictures loaded';\n"
      L"  status.setAttribute('data-loaded', loaded);\n"
      L"  status.setAttribute('data-total', images.length);\n"
      L"});\n</script>\n</body></html>\n";
  std::wstring lines;
  for (const Finding& finding : report.findings)
    lines += FormatFinding(finding) + L"\n";
  if (!WriteAllBytes(out + L"index.html", ToUtf8(page)) ||
      !WriteAllBytes(out + L"findings.txt", ToUtf8(lines)))
    return 2;
  return failures == 0 ? 0 : 1;
}

}  // namespace stick_check
