// A program that writes to the launcher's log as the launcher does, so that
// tests can look at the log of a program file they chose (its name, folder
// and version resource). Each argument becomes one entry "<argument> exists.".
// Exit code 0 when the log path was set, 3 when it wasn't.
#include <windows.h>

#include "support/log/log.h"

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i)
    quillon::WriteLog(L"%s exists.", argv[i]);
  return quillon::LogFilePath()[0] != L'\0' ? 0 : 3;
}
