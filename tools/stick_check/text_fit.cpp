#include "tools/stick_check/text_fit.h"

#include <cwchar>

namespace stick_check {
namespace {

INT_PTR CALLBACK SilentDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The control's client size in dialog units, for the finding.
std::wstring UnitsOf(HWND dialog, const RECT& client) {
  RECT base = {0, 0, 4, 8};
  ::MapDialogRect(dialog, &base);
  const long width = base.right > 0 ? (client.right * 4 + base.right / 2) / base.right : 0;
  const long height = base.bottom > 0 ? (client.bottom * 8 + base.bottom / 2) / base.bottom : 0;
  wchar_t text[64];
  std::swprintf(text, 64, L"%ld x %ld units", width, height);
  return text;
}

// The text's extent in |window|'s font, laid out by DrawText with |format|
// within |width| pixels.
RECT Extent(HWND window, HFONT font, const std::wstring& text, UINT format, LONG width) {
  RECT extent = {0, 0, width, 0};
  HDC dc = ::GetDC(window);
  HGDIOBJ previous = ::SelectObject(dc, font);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent, format | DT_CALCRECT);
  ::SelectObject(dc, previous);
  ::ReleaseDC(window, dc);
  return extent;
}

LONG LineHeight(HWND window, HFONT font) {
  HDC dc = ::GetDC(window);
  HGDIOBJ previous = ::SelectObject(dc, font);
  TEXTMETRICW metrics = {};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, previous);
  ::ReleaseDC(window, dc);
  return metrics.tmHeight > 0 ? metrics.tmHeight : 1;
}

// A SysLink's text without its markup.
std::wstring WithoutMarkup(const std::wstring& text) {
  std::wstring plain;
  bool in_tag = false;
  for (wchar_t c : text) {
    if (c == L'<')
      in_tag = true;
    else if (c == L'>')
      in_tag = false;
    else if (!in_tag)
      plain += c;
  }
  return plain;
}

std::wstring Describe(const wchar_t* what, HWND dialog, const RECT& client) {
  return std::wstring(what) + L" (" + UnitsOf(dialog, client) + L")";
}

}  // namespace

HWND CreateHiddenDialog(int template_id) {
  return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id), nullptr,
                              SilentDialogProc, 0);
}

std::wstring MeasureControlFit(HWND dialog, int control, const std::wstring& text) {
  HWND window = ::GetDlgItem(dialog, control);
  if (!window)
    return L"the dialog has no such control";
  RECT client = {};
  ::GetClientRect(window, &client);
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
  wchar_t class_name[32] = {};
  ::GetClassNameW(window, class_name, 32);
  const LONG style = ::GetWindowLongW(window, GWL_STYLE);
  wchar_t message[160];

  if (_wcsicmp(class_name, L"Static") == 0 || _wcsicmp(class_name, L"SysLink") == 0) {
    // Statics wrap at blanks within their width and clip what lies below.
    const std::wstring shown = _wcsicmp(class_name, L"SysLink") == 0 ? WithoutMarkup(text) : text;
    const RECT extent = Extent(window, font, shown, DT_WORDBREAK | DT_EXPANDTABS, client.right);
    const LONG line = LineHeight(window, font);
    if (extent.right > client.right) {
      std::swprintf(message, 160,
                    L"a line needs %ld pixels, the control has %ld: its end is cut off",
                    extent.right, client.right);
      return Describe(message, dialog, client);
    }
    if (extent.bottom > client.bottom) {
      std::swprintf(message, 160, L"needs %ld lines, has room for %ld: the rest is cut off",
                    (extent.bottom + line - 1) / line, client.bottom / line);
      return Describe(message, dialog, client);
    }
    return std::wstring();
  }

  // Buttons and check boxes show one line. A push button keeps its edge and
  // the focus frame free; a check box its box and the gap after it.
  const LONG type = style & BS_TYPEMASK;
  const bool check_box = type == BS_AUTOCHECKBOX || type == BS_CHECKBOX ||
                         type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON;
  const LONG reserved =
      check_box ? ::GetSystemMetrics(SM_CXMENUCHECK) + 4 : 2 * (::GetSystemMetrics(SM_CXEDGE) + 1);
  const LONG room = client.right - reserved;
  const RECT extent = Extent(window, font, text, DT_SINGLELINE, client.right);
  if (extent.right > room) {
    std::swprintf(message, 160, L"needs %ld pixels, the text has room for %ld: its end is cut off",
                  extent.right, room);
    return Describe(message, dialog, client);
  }
  if (text.find(L'\n') != std::wstring::npos)
    return Describe(L"a line break in a one-line control shows as a mark", dialog, client);
  return std::wstring();
}

std::wstring MeasureCaptionFit(HWND dialog, const std::wstring& caption) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    return std::wstring();
  HFONT font = ::CreateFontIndirectW(&metrics.lfCaptionFont);
  RECT window = {};
  ::GetWindowRect(dialog, &window);
  // The close box and the frames on both sides take their share.
  const LONG room = (window.right - window.left) - metrics.iCaptionWidth -
                    4 * ::GetSystemMetrics(SM_CXFIXEDFRAME);
  const RECT extent = Extent(dialog, font, caption, DT_SINGLELINE, room);
  ::DeleteObject(font);
  if (extent.right <= room)
    return std::wstring();
  wchar_t message[160];
  std::swprintf(message, 160, L"the caption needs %ld pixels, the title bar has room for %ld",
                extent.right, room);
  return message;
}

}  // namespace stick_check
