#include "tests/helpers/shortcut_file.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "support/handles.h"

namespace quillon::helpers {

SavedLink ReadLink(const std::wstring& file) {
  SavedLink result;
  HRESULT init = ::CoInitialize(nullptr);
  {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> persist;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkW, link.ReceiveVoid())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, persist.ReceiveVoid())) &&
        SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
      wchar_t text[INFOTIPSIZE] = {};
      if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
        result.path = text;
      text[0] = L'\0';
      if (SUCCEEDED(link->GetArguments(text, INFOTIPSIZE)))
        result.arguments = text;
      result.loaded = true;
    }
  }
  if (SUCCEEDED(init))
    ::CoUninitialize();
  return result;
}

}  // namespace quillon::helpers
