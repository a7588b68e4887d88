#include "tests/support/service_standin.h"

#include <shlobj.h>

#include <sstream>

namespace quillon::testing {
namespace {

// "0102 1f" -> {"\x01\x02", "\x1f"}: one read per word of hexadecimal digits.
std::vector<std::string> ParseReads(const std::string& line) {
  std::vector<std::string> reads;
  std::istringstream words(line);
  std::string word;
  while (words >> word) {
    std::string bytes;
    for (size_t i = 0; i + 1 < word.size(); i += 2)
      bytes += static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16));
    reads.push_back(bytes);
  }
  return reads;
}

}  // namespace

ServiceStandin::ServiceStandin(const std::wstring& arguments) : record_(dir_.Join(L"record.txt")) {
  const std::wstring ready_name = UniqueName(L"QuillonServiceReady");
  KernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str()));
  const std::wstring exe = ProgramFolder() + L"service_standin.exe";
  std::wstring command =
      L"\"" + exe + L"\" " + arguments + L" --record \"" + record_ + L"\" --ready " + ready_name;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (!ready.IsValid() ||
      !::CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, process_.Receive())) {
    return;
  }
  HANDLE waits[2] = {ready.Get(), process_.Process()};
  listening_ = ::WaitForMultipleObjects(2, waits, FALSE, 10000) == WAIT_OBJECT_0;
}

ServiceStandin::~ServiceStandin() {
  if (process_.IsValid() && ::WaitForSingleObject(process_.Process(), 0) != WAIT_OBJECT_0) {
    ::TerminateProcess(process_.Process(), 1);
    ::WaitForSingleObject(process_.Process(), 5000);
  }
}

Conversations ServiceStandin::Finish() {
  Conversations conversations;
  if (!process_.IsValid() || ::WaitForSingleObject(process_.Process(), 5000) != WAIT_OBJECT_0)
    return conversations;
  std::vector<unsigned char> bytes;
  ReadBytes(record_, &bytes);
  std::istringstream lines(std::string(bytes.begin(), bytes.end()));
  std::string line;
  while (std::getline(lines, line))
    conversations.push_back(ParseReads(line));
  return conversations;
}

ScopedServiceProgram::ScopedServiceProgram(const std::wstring& version) {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return;
  root_ = std::wstring(folder) + L"\\TORVA";
  RemoveTree(root_);
  if (version.empty()) {
    placed_ = true;
    return;
  }
  const std::wstring swiftgate = root_ + L"\\Swiftgate";
  const std::wstring program =
      ProgramFolder() + L"service_programs\\" + version + L"\\OstrelVTService.exe";
  placed_ = ::CreateDirectoryW(root_.c_str(), nullptr) &&
            ::CreateDirectoryW(swiftgate.c_str(), nullptr) &&
            ::CopyFileW(program.c_str(), (swiftgate + L"\\OstrelVTService.exe").c_str(), TRUE);
}

ScopedServiceProgram::~ScopedServiceProgram() {
  if (!root_.empty())
    RemoveTree(root_);
}

}  // namespace quillon::testing
