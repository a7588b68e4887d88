#include "tests/helpers/service_standin.h"

#include <shlobj.h>

#include <sstream>

#include "service/service_pipe.h"
#include "tests/helpers/poll.h"

namespace quillon::helpers {

ServiceStandin::ServiceStandin(const std::wstring& arguments) {
  const std::wstring ready = UniqueName(L"QuillonServiceReady");
  KernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
  const std::wstring exe = ProgramFolder() + L"service_standin.exe";
  std::wstring command = L"\"" + exe + L"\" " + arguments + L" --record \"" +
                         dir_.Join(L"record.txt") + L"\" --ready " + ready;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (event.IsValid() &&
      ::CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, process_.Receive())) {
    HANDLE waits[2] = {event.Get(), process_.Process()};
    listening_ = ::WaitForMultipleObjects(2, waits, FALSE, 10000) == WAIT_OBJECT_0;
  }
}

ServiceStandin::~ServiceStandin() {
  if (process_.IsValid() && ::TerminateProcess(process_.Process(), 1))
    ::WaitForSingleObject(process_.Process(), 5000);
}

Conversations ServiceStandin::Finish() {
  if (!process_.IsValid() || ::WaitForSingleObject(process_.Process(), 5000) != WAIT_OBJECT_0)
    return Conversations();
  return Recorded();
}

Conversations ServiceStandin::Received() {
  PipeHandle pipe;
  PollUntil("the service stand-in to listen again", 10000, [&] {
    pipe.Reset(::CreateFileW(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr));
    return pipe.IsValid() || !listening_ ||
           ::WaitForSingleObject(process_.Process(), 0) == WAIT_OBJECT_0;
  });
  return Recorded();
}

Conversations ServiceStandin::Recorded() const {
  Conversations conversations;
  std::vector<unsigned char> record;
  if (!ReadBytes(dir_.Join(L"record.txt"), &record))
    return conversations;
  // One line per conversation, one word of hexadecimal digits per read.
  std::istringstream lines(std::string(record.begin(), record.end()));
  for (std::string line; std::getline(lines, line);) {
    conversations.emplace_back();
    std::istringstream words(line);
    for (std::string word; words >> word;) {
      std::string bytes;
      for (size_t i = 0; i + 1 < word.size(); i += 2)
        bytes += static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16));
      conversations.back().push_back(bytes);
    }
  }
  return conversations;
}

ScopedServiceProgram::ScopedServiceProgram(const std::wstring& version) {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return;
  root_ = std::wstring(folder) + L"\\TORVA";
  const std::wstring program =
      ProgramFolder() + L"service_programs\\" + version + L"\\OstrelVTService.exe";
  placed_ =
      RemoveTree(root_) &&
      (version.empty() ||
       (::CreateDirectoryW(root_.c_str(), nullptr) &&
        ::CreateDirectoryW((root_ + L"\\Swiftgate").c_str(), nullptr) &&
        ::CopyFileW(program.c_str(), (root_ + L"\\Swiftgate\\OstrelVTService.exe").c_str(), TRUE)));
}

}  // namespace quillon::helpers
