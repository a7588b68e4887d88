#include "launcher/wait_window.h"

#include <string>

#include "gtest/gtest.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::Narrow;

// The task-kill tool's command line: the tool by its full path, the image
// name quoted; nothing for a name that is empty, holds a quote, * or ?, or
// doesn't fit.
TEST(TaskKillCommandLineTest, Table) {
  // 44 characters besides the name: 215 of name make a line of 259.
  const std::wstring long_name(216, L'n');
  struct Case {
    std::wstring name;
    bool ok;
    std::wstring line;
  } cases[] = {
      {L"Occupier.exe", true, L"\"C:\\windows\\system32\\taskkill.exe\" /F /IM \"Occupier.exe\""},
      {L"Tool with blanks.exe", true,
       L"\"C:\\windows\\system32\\taskkill.exe\" /F /IM \"Tool with blanks.exe\""},
      {L"", false, L""},
      {L"a\" /IM \"explorer.exe", false, L""},
      // The tool's patterns.
      {L"*", false, L""},
      {L"Occupier*.exe", false, L""},
      {L"Occupie?.exe", false, L""},
      {long_name.substr(0, long_name.size() - 1), true,
       L"\"C:\\windows\\system32\\taskkill.exe\" /F /IM \"" + long_name.substr(1) + L"\""},
      {long_name, false, L""},
  };
  for (const Case& c : cases) {
    wchar_t line[260] = {};
    EXPECT_EQ(TaskKillCommandLine(L"C:\\windows\\system32", c.name.c_str(), line, 260), c.ok)
        << Narrow(c.name);
    if (c.ok) {
      EXPECT_EQ(std::wstring(line), c.line) << Narrow(c.name);
    }
  }
}

}  // namespace
}  // namespace quillon
