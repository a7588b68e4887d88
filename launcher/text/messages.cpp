#include "launcher/text/messages.h"

#include <commctrl.h>
#include <strsafe.h>
#include <uxtheme.h>

#include <climits>

#include "environment/platform/platform.h"
#include "launcher/paths/stick_paths.h"
#include "launcher/text/message_ids.h"
#include "localization/files/current_language_file.h"
#include "support/system_library.h"

namespace quillon {
namespace {

constexpr size_t kFallbackCapacity = 1024;

wchar_t g_language_text[kLanguageTextCapacity];
wchar_t g_message_text_a[kMessageTextCapacity];
wchar_t g_message_text_b[kMessageTextCapacity];
wchar_t g_caption[kCaptionCapacity];

struct KeyEntry {
  UINT id;
  const wchar_t* key;
};

// Message ID to language key, sorted by ID. The keys are stored as the
// language files have always named them, several with trailing blanks; the
// profile reader ignores blanks around key names, so padded and unpadded keys
// name the same entry.
constexpr KeyEntry kKeys[] = {
    {501, L"OK"},
    {506, L"STATIC_PASSWORD"},
    {507, L"CHECK_DISPPASS"},
    {508, L"CHECK_SAVEPASS"},
    {509, L"BUTTON_OK"},
    {510, L"BUTTON_CANCEL"},
    {511, L"WAIT_APP"},
    {514, L"QUIT_PROCESS"},
    {515, L"TITLE"},
    {516, L"WAIT"},
    {517, L"WAIT_QUIT"},
    {518, L"ERROR_OTHER"},
    {519, L"ERROR_WINVER"},
    {520, L"ERROR_NODISK"},
    {522, L"ERROR_ACCESS"},
    {524, L"ERROR_SECURITY_INIT"},
    {525, L"ERROR_EXIST"},
    {526, L"ERROR_ACOUNT"},
    {528, L"BUTTON_RETRY"},
    {532, L"ERROR_NOINSTALL"},
    {536, L"ERROR_DISABLE_CHECK"},
    {537, L"ERROR_ENABLE_CHECK"},
    {540, L"ERROR_COINIT"},
    {541, L"ERROR_PASSWORD"},
    {542, L"ERROR_ENCODE"},
    {543, L"ERROR_LOCK"},
    {545, L"DISCONNECT"},
    {546, L"CONNECT"},
    {548, L"ERROR_OLDSERVICE"},
    {556, L"ERROR_STICK_ENROL"},
    {557, L"WAIT_CANNOT"},
    {558, L"WAIT_KILLPROCESS"},
    {559, L"SETUP_SWIFTGATE"},
    {560, L"BUTTON_YES"},
    {561, L"BUTTON_NO"},
    {562, L"NO_MESSAGE"},
    {563, L"CLOSE_APP"},
    {569, L"360CHECK_MSG"},
    {570, L"AVASTCHECK_MSG"},
    {571, L"AVASTCHECK_SKIP"},
    {572, L"AVASTCHECK_IGNORE"},
    {573, L"AVASTCHECK_ABORT"},
    {588, L"UPDATE_STICK_ENROL"},
    {594, L"ERROR_DEVICE_GETINFO"},
    {595, L"ERROR_DEVICE_CHANGE"},
    {596, L"ERROR_DEVICE_REBOOT"},
    {597, L"ERROR_FLUSH"},
    {598, L"ERROR_GETPARTITION"},
    {599, L"ERROR_GETDISKINFO"},
    {613, L"CHECK_VERSION"},
    {614, L"UPDATE_DOWNLOAD"},
    {615, L"UPDATE_INSTALL"},
    {616, L"UPDATE_OK"},
    {617, L"UPDATE_NG"},
    {618, L"UPDATE_NG_DOWNLOAD"},
    {619, L"UPDATE_NG_FILE"},
    {620, L"UPDATE_NG_START"},
    {621, L"UPDATE_CURRENT       "},
    {622, L"UPDATE_LATEST        "},
    {623, L"UPDATE_AVAILABLE1    "},
    {624, L"UPDATE_AVAILABLE2    "},
    {625, L"UPDATE_NONE1         "},
    {626, L"UPDATE_NONE2         "},
    {627, L"BUTTON_UPDATE        "},
    {628, L"SUPPORT_NUMBER       "},
    {629, L"ERRORINFO            "},
    {630, L"ERRORINFO_SAVE       "},
    {631, L"ERRORINFO_MSG        "},
    {632, L"ERRORINFO_OK         "},
    {633, L"ERRORINFO_CANCEL     "},
    {634, L"ERRORINFO_VERCHECK   "},
    {635, L"ERRORINFO_SAVEOK     "},
    {636, L"ERRORINFO_SAVENG     "},
    {637, L"ERRORINFO_SENDOK     "},
    {638, L"ERRORINFO_SENDNG     "},
    {639, L"ERRORINFO_SENDING    "},
    {640, L"ERRORINFO_CONTACT    "},
    {641, L"ERRORINFO_CONTACTMSG "},
    {642, L"STEWARDRY_EXIST      "},
    {643, L"CANCEL_MESSAGE       "},
    {644, L"ERROR_COUNT_LOCK     "},
    {645, L"EXIT_MESSAGE         "},
    {646, L"REMOVE_OK            "},
    {647, L"REMOVE_NG            "},
    {648, L"REMOVE_RETRY         "},
    {649, L"REMOVE_CONFIRM       "},
    {650, L"REMOVE_RETRY1        "},
    {651, L"ERROR_SKIP_SETUP     "},
    {654, L"ERROR_PASSWORDTIMES  "},
    {655, L"ERROR_VT6            "},
    {656, L"CONFERA_EXIST        "},
    {657, L"BUTTON_EXIT          "},
    {674, L"LANGUAGE             "},
    {700, L"ERROR_700            "},
    {701, L"ERROR_701            "},
    {702, L"ERROR_702            "},
    {721, L"ERROR_721"},
    {731, L"ERROR_731"},
    {732, L"ERROR_732"},
    {823, L"ERROR_823"},
    {830, L"ERROR_830"},
};

// The copy and formatting limit of the safe string functions.
size_t ClampCapacity(size_t capacity) {
  return capacity > STRSAFE_MAX_CCH ? STRSAFE_MAX_CCH : capacity;
}

// Turns each two-character sequence backslash-n into CR LF, in place.
void ExpandLineBreaks(wchar_t* text) {
  for (wchar_t* p = text; (p = ::wcsstr(p, L"\\n")) != nullptr; p += 2) {
    p[0] = L'\r';
    p[1] = L'\n';
  }
}

// The text of |id| from the language file, else from the own string table,
// into |buffer|, cut to fit. False (and |buffer| empty) when neither has one.
bool LoadText(UINT id, wchar_t* buffer, size_t capacity) {
  buffer[0] = L'\0';
  const wchar_t* text = LookupLanguageText(id);
  if (text[0] != L'\0') {
    // A text longer than the destination is cut; the copy ends it anyway.
    ::StringCchCopyW(buffer, capacity, text);
    return true;
  }
  int max = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
  return ::LoadStringW(::GetModuleHandleW(nullptr), id, buffer, max) > 0;
}

using EnableThemeDialogTextureFn = HRESULT(WINAPI*)(HWND, DWORD);

// EnableThemeDialogTexture from uxtheme, looked up on first use only (the
// library comes from the system folder; where the library search is
// unrestricted it was loaded from there at start). Null when the library or
// the procedure is missing.
EnableThemeDialogTextureFn ThemeDialogTexture() {
  static bool looked_up = false;
  static EnableThemeDialogTextureFn enable_texture = nullptr;
  if (!looked_up) {
    looked_up = true;
    enable_texture = LookUpProcedure<EnableThemeDialogTextureFn>(LoadSystemLibrary(L"uxtheme.dll"),
                                                                 "EnableThemeDialogTexture");
  }
  return enable_texture;
}

}  // namespace

const wchar_t* LanguageKeyOf(UINT id) {
  for (const KeyEntry& entry : kKeys) {
    if (entry.id == id)
      return entry.key;
  }
  return nullptr;
}

const wchar_t* LanguageKeyAt(size_t index, UINT* id) {
  if (index >= sizeof(kKeys) / sizeof(kKeys[0]))
    return nullptr;
  *id = kKeys[index].id;
  return kKeys[index].key;
}

const wchar_t* LookupLanguageText(UINT id) {
  g_language_text[0] = L'\0';
  const wchar_t* key = LanguageKeyOf(id);
  // Without a language file the texts come from the string table; an empty
  // file name would make the profile functions read win.ini instead.
  const wchar_t* language_file = CurrentLanguageFile();
  if (!key || language_file[0] == L'\0')
    return g_language_text;
  ::GetPrivateProfileStringW(kStickSection, key, L"", g_language_text,
                             static_cast<DWORD>(kLanguageTextCapacity), language_file);
  ExpandLineBreaks(g_language_text);
  return g_language_text;
}

wchar_t* GetMessageTextInto(UINT id, wchar_t* buffer, size_t capacity) {
  if (!buffer || capacity == 0)
    return buffer;
  capacity = ClampCapacity(capacity);
  if (LoadText(id, buffer, capacity))
    return buffer;
  // Neither the language file nor the string table knows |id|: the generic
  // error text followed by the number, so that the user can report it.
  wchar_t other[kFallbackCapacity];
  LoadText(kMsgErrorOther, other, kFallbackCapacity);
  ::StringCchPrintfW(buffer, capacity, L"%s(%d)", other, static_cast<int>(id));
  return buffer;
}

const wchar_t* GetMessageText(UINT id) {
  return GetMessageTextInto(id, g_message_text_a, kMessageTextCapacity);
}

const wchar_t* GetMessageTextAlt(UINT id) {
  return GetMessageTextInto(id, g_message_text_b, kMessageTextCapacity);
}

const wchar_t* GetCaptionText() {
  return GetMessageTextInto(kMsgTitle, g_caption, kCaptionCapacity);
}

void ShowErrorMessage(UINT id) {
  // The caption has its own buffer, so the text stays intact.
  const wchar_t* text = GetMessageText(id);
  ::MessageBoxW(nullptr, text, GetCaptionText(), MB_ICONERROR | MB_OK);
}

POINT CenteredPosition(const RECT& window, const RECT& parent, const RECT& desktop) {
  const LONG width = window.right - window.left;
  const LONG height = window.bottom - window.top;
  // Signed division: a window wider than its parent lies half the
  // difference to the left of it, truncated toward zero.
  LONG left = parent.left + ((parent.right - parent.left) - width) / 2;
  LONG top = parent.top + ((parent.bottom - parent.top) - height) / 2;
  // Right and bottom first, then left and top, so that a window larger than
  // the desktop ends with its top-left corner on the desktop's.
  if (left + width > desktop.right)
    left -= left + width - desktop.right;
  if (top + height > desktop.bottom)
    top -= top + height - desktop.bottom;
  if (left < desktop.left)
    left = desktop.left;
  if (top < desktop.top)
    top = desktop.top;
  return POINT{left, top};
}

void CenterWindow(HWND window) {
  HWND parent = ::GetParent(window);
  if (!parent)
    parent = ::GetDesktopWindow();
  RECT window_rect = {};
  RECT parent_rect = {};
  RECT desktop_rect = {};
  if (!::GetWindowRect(window, &window_rect) || !::GetWindowRect(parent, &parent_rect) ||
      !::GetWindowRect(::GetDesktopWindow(), &desktop_rect)) {
    return;
  }
  POINT position = CenteredPosition(window_rect, parent_rect, desktop_rect);
  // No SWP_NOZORDER: the window comes to the top as it moves.
  ::SetWindowPos(window, HWND_TOP, position.x, position.y, 0, 0, SWP_NOSIZE);
}

void EnsureCommonControls(DWORD classes) {
  using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  auto init = LookUpProcedure<InitCommonControlsExFn>(LoadSystemLibrary(L"comctl32.dll"),
                                                      "InitCommonControlsEx");
  if (!init)
    return;
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = classes;
  init(&controls);
}

void ApplyDialogTheme(HWND dialog) {
  if (!IsWindowsXpOrLater())
    return;
  EnableThemeDialogTextureFn enable_texture = ThemeDialogTexture();
  if (enable_texture)
    enable_texture(dialog, ETDT_ENABLETAB);
}

void InitLocalizedDialog(HWND dialog, const DialogText* texts, size_t count) {
  ApplyDialogTheme(dialog);
  ::SetWindowTextW(dialog, GetCaptionText());
  for (size_t i = 0; i < count; ++i) {
    ::SetDlgItemTextW(dialog, texts[i].control_id, GetMessageText(texts[i].message_id));
  }
  CenterWindow(dialog);
}

}  // namespace quillon
