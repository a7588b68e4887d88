#include "support/log/log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quillon_version.h"
#include "support/handles.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::FileExists;
using helpers::Narrow;
using helpers::ProgramFolder;
using helpers::ReadBytes;
using helpers::RemoveTree;
using helpers::RunProgram;
using helpers::ShortDataFolder;
using helpers::UniqueName;

std::wstring Stamp(const SYSTEMTIME& t) {
  wchar_t text[32] = {};
  ::swprintf(text, 32, L"[%04u%02u%02u-%02u%02u%02u]", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond);
  return text;
}

SYSTEMTIME Now() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  return now;
}

// The log's bytes as UTF-16LE text; fails when the byte count is odd.
std::wstring ReadLog(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  if (!ReadBytes(path, &bytes))
    return L"<missing>";
  EXPECT_EQ(bytes.size() % 2, 0u) << Narrow(path);
  std::wstring text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return text;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF: " << Narrow(text);
  return lines;
}

// Checks that |line| is a stamp between |before| and |after|, then |rest|.
void ExpectLine(const std::wstring& line,
                const SYSTEMTIME& before,
                const SYSTEMTIME& after,
                const std::wstring& rest) {
  ASSERT_GE(line.size(), 17u) << Narrow(line);
  std::wstring stamp = line.substr(0, 17);
  EXPECT_GE(stamp, Stamp(before)) << Narrow(line);
  EXPECT_LE(stamp, Stamp(after)) << Narrow(line);
  EXPECT_EQ(line.substr(17), rest) << Narrow(line);
}

class LogProbeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::wstring& path : logs_)
      ::DeleteFileW(path.c_str());
  }
  std::wstring LogOf(const std::wstring& base_name) {
    logs_.push_back(ShortDataFolder() + base_name + L".log");
    return logs_.back();
  }
  std::vector<std::wstring> logs_;
};

TEST_F(LogProbeTest, HeaderNamesTheProgramAndItsVersion) {
  struct Case {
    const wchar_t* program;
    const wchar_t* header;
  } cases[] = {
      {L"log_probe", L"log_probe.exe(" QUILLON_VERSION_DOTTED ")"},
      {L"log_probe_unversioned", L"log_probe_unversioned.exe"},
      {L"log_probe_dotted", L"log_probe_dotted.exe"},
  };
  for (const Case& c : cases) {
    std::wstring log = LogOf(c.program);
    SYSTEMTIME before = Now();
    ASSERT_EQ(RunProgram(ProgramFolder() + c.program + L".exe", L"C:\\Vaultine\\Portico.exe"), 0)
        << Narrow(c.program);
    SYSTEMTIME after = Now();

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadBytes(log, &bytes)) << Narrow(log);
    // UTF-16LE from the first byte: no byte-order mark.
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], '[');
    EXPECT_EQ(bytes[1], 0);
    std::vector<std::wstring> lines = Lines(ReadLog(log));
    ASSERT_EQ(lines.size(), 2u) << Narrow(c.program);
    ExpectLine(lines[0], before, after, c.header);
    ExpectLine(lines[1], before, after, L"C:\\Vaultine\\Portico.exe exists.");
  }
}

TEST_F(LogProbeTest, EachRunStartsAFreshLog) {
  std::wstring log = LogOf(L"log_probe");
  ASSERT_EQ(RunProgram(ProgramFolder() + L"log_probe.exe", L"first second"), 0);
  EXPECT_EQ(Lines(ReadLog(log)).size(), 3u);
  ASSERT_EQ(RunProgram(ProgramFolder() + L"log_probe.exe", L"third"), 0);
  std::vector<std::wstring> lines = Lines(ReadLog(log));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].substr(17), L"third exists.");
  // A run that writes nothing leaves the last log as it was.
  ASSERT_EQ(RunProgram(ProgramFolder() + L"log_probe.exe", L""), 3);
  EXPECT_EQ(Lines(ReadLog(log)).size(), 2u);
}

TEST_F(LogProbeTest, LogPathMustFit260Characters) {
  // A program with a short folder and a long name: its log path in the data
  // folder is exactly 259 characters, or 260, which doesn't fit.
  const std::wstring folder = L"C:\\" + UniqueName(L"qlog") + L"\\";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring data = ShortDataFolder();
  ASSERT_FALSE(data.empty());
  const size_t fitting_name = 259 - data.size() - 4;  // ".log"
  ASSERT_LT(folder.size() + fitting_name + 1 + 4, size_t{MAX_PATH});

  // The longer first: a log under the name cut to fit must not appear.
  for (size_t name_length : {fitting_name + 1, fitting_name}) {
    std::wstring name(name_length, L'p');
    std::wstring program = folder + name + L".exe";
    ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"log_probe_unversioned.exe").c_str(),
                            program.c_str(), FALSE));
    std::wstring log = data + name + L".log";
    bool fits = name_length == fitting_name;
    if (fits)
      logs_.push_back(log);
    EXPECT_EQ(RunProgram(program, L"entry"), fits ? 0 : 3) << name_length;
    EXPECT_EQ(FileExists(log), fits) << name_length;
    if (!fits) {
      EXPECT_FALSE(FileExists(data + name.substr(0, fitting_name) + L".log"));
    }
  }
  EXPECT_TRUE(RemoveTree(folder));
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetLogForTesting(); }
  void TearDown() override {
    if (LogFilePath()[0])
      ::DeleteFileW(LogFilePath());
    ResetLogForTesting();
  }
};

TEST_F(LogTest, PathIsSetByTheFirstLine) {
  EXPECT_EQ(std::wstring(LogFilePath()), L"");
  WriteLog(L"%s(%d.%d.%d.%d)", L"C:\\x\\Portico.exe", 6, 1, 0, -2);
  EXPECT_EQ(std::wstring(LogFilePath()), ShortDataFolder() + L"support_tests.log");
  std::vector<std::wstring> lines = Lines(ReadLog(LogFilePath()));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(17), L"support_tests.exe");
  EXPECT_EQ(lines[1].substr(17), L"C:\\x\\Portico.exe(6.1.0.-2)");
}

TEST_F(LogTest, OpenLogTruncatesWhatWasThere) {
  WriteLog(L"one");
  WriteLog(L"two");
  EXPECT_EQ(Lines(ReadLog(LogFilePath())).size(), 3u);
  ASSERT_TRUE(OpenLog());
  EXPECT_EQ(Lines(ReadLog(LogFilePath())).size(), 1u);
}

// The file held without sharing: the truncating open fails and the header is
// lost, but the path stays set, so a later line is appended to what is there.
TEST_F(LogTest, FailedTruncatingOpenKeepsThePathForLaterLines) {
  const std::wstring path = ShortDataFolder() + L"support_tests.log";
  ASSERT_TRUE(helpers::WriteBytes(path, {'o', 0, 'l', 0, 'd', 0, '\r', 0, '\n', 0}));
  {
    FileHandle held(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.IsValid());
    WriteLog(L"lost");
    EXPECT_EQ(std::wstring(LogFilePath()), path);
  }
  WriteLog(L"kept");
  std::vector<std::wstring> lines = Lines(ReadLog(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], L"old");
  EXPECT_EQ(lines[1].substr(17), L"kept");
}

// Without the data folder a line is dropped and the log stays closed; the
// next line, with the folder back, opens it.
TEST_F(LogTest, LineAfterTheDataFolderWasUnavailableOpensTheLog) {
  {
    helpers::ScopedDataFolderAside aside;
    ASSERT_TRUE(helpers::WriteText(aside.path(), "a file where the folder belongs"));
    WriteLog(L"dropped");
    EXPECT_EQ(std::wstring(LogFilePath()), L"");
  }
  WriteLog(L"written");
  EXPECT_EQ(std::wstring(LogFilePath()), ShortDataFolder() + L"support_tests.log");
  std::vector<std::wstring> lines = Lines(ReadLog(LogFilePath()));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(17), L"support_tests.exe");
  EXPECT_EQ(lines[1].substr(17), L"written");
}

TEST_F(LogTest, LongMessagesAreCutTo1021Characters) {
  struct Case {
    size_t length;
    size_t logged;
  } cases[] = {{1020, 1020}, {1021, 1021}, {1022, 1021}, {5000, 1021}};
  for (const Case& c : cases) {
    ResetLogForTesting();
    std::wstring message(c.length, L'm');
    message.back() = L'e';
    WriteLog(L"%s", message.c_str());
    std::vector<std::wstring> lines = Lines(ReadLog(LogFilePath()));
    ASSERT_EQ(lines.size(), 2u) << c.length;
    EXPECT_EQ(lines[1].substr(17), message.substr(0, c.logged)) << c.length;
  }
}

}  // namespace
}  // namespace quillon
