// Stand-in for the product's background service, as far as the launcher sees
// it: a server on the pipe "\\.\pipe\OstrelVTService_v4" that speaks the
// service's framing and answers requests in the way a test chooses.
//
//   service_standin.exe [--reply KIND] [--code TEXT] [--busy MS]
//                       [--conversations N] [--record FILE] [--ready EVENT]
//
// One pipe instance serves N conversations (default 1), one client after the
// other, then the program ends. In each, every read (up to 1024 bytes) is
// recorded; the first read of a conversation, unless it is a closing
// message, is answered with a reply of KIND:
//   ok         header, "CDR", US, "OK", US, ETX (the default)
//   ng         header, "CDR", US, "NG", US, TEXT of --code (default 1234), US, ETX
//   noheader   the ok reply without its frame header
//   noetx      the ok reply without its final ETX
//   longfield  the ok reply with a ten-character status "OKOKOKOKOK"
//   lowercase  the ok reply with the status "ok"
//   split      the ok reply in two writes 300 ms apart (cut after field 0)
//   empty      a write of no bytes (on a pipe of message type)
//   none       no reply: the request is read and never answered
//   unread     nothing is ever read, on a pipe made without buffers (in and
//              out sizes 0), so that a client's write waits for good; the
//              end of the client is seen by peeking, which takes nothing
// A conversation ends when the client closes its end.
//
// --busy MS: before the first conversation, a client of this program's own
// holds the one instance for MS milliseconds, so that other clients find the
// pipe busy (ERROR_PIPE_BUSY) until it lets go.
// --ready EVENT: the named event (created when missing) is set once the pipe
// exists (and, with --busy, is held).
// --record FILE: after each conversation one line is appended to FILE: each
// read in hexadecimal, the reads separated by one blank; a conversation
// without any read gives an empty line.
//
// Exit code 0 after the last conversation; 2 for a bad command line; 3 when
// the pipe can't be made (another server has the name).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const wchar_t kPipeName[] = L"\\\\.\\pipe\\OstrelVTService_v4";
const char kHeader[] = "\x01OstrelVT\x1FV1\x1F\x02";
constexpr size_t kHeaderLength = sizeof(kHeader) - 1;
constexpr DWORD kBufferSize = 1024;

struct Options {
  std::wstring reply = L"ok";
  std::string code = "1234";
  DWORD busy_ms = 0;
  unsigned long conversations = 1;
  std::wstring record;
  std::wstring ready;
};

int Usage() {
  std::fwprintf(stderr,
                L"usage: service_standin [--reply KIND] [--code TEXT] [--busy MS]"
                L" [--conversations N] [--record FILE] [--ready EVENT]\n");
  return 2;
}

bool ParseNumber(const wchar_t* text, unsigned long* value) {
  wchar_t* end = nullptr;
  *value = std::wcstoul(text, &end, 10);
  return end && end != text && *end == L'\0';
}

// The pipe is overlapped, so that it listens before the server says it is
// ready: a client that connects, writes and closes at once (a presence
// probe) is then still served. Each call below waits for its own I/O.
bool Complete(HANDLE pipe, OVERLAPPED* overlapped, BOOL done, DWORD* bytes) {
  if (!done && ::GetLastError() != ERROR_IO_PENDING)
    return false;
  return ::GetOverlappedResult(pipe, overlapped, bytes, TRUE) != FALSE;
}

bool WriteBytes(HANDLE pipe, const std::string& bytes) {
  OVERLAPPED overlapped = {};
  DWORD written = 0;
  const BOOL done =
      ::WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped);
  return Complete(pipe, &overlapped, done, &written) && written == bytes.size();
}

bool ReadBytes(HANDLE pipe, char* buffer, DWORD capacity, DWORD* read) {
  OVERLAPPED overlapped = {};
  return Complete(pipe, &overlapped, ::ReadFile(pipe, buffer, capacity, nullptr, &overlapped),
                  read);
}

// Starts listening for the next client; |overlapped| completes when one is in.
bool Listen(HANDLE pipe, OVERLAPPED* overlapped) {
  *overlapped = {};
  if (::ConnectNamedPipe(pipe, overlapped))
    return true;
  const DWORD error = ::GetLastError();
  return error == ERROR_IO_PENDING || error == ERROR_PIPE_CONNECTED;
}

bool AwaitClient(HANDLE pipe, OVERLAPPED* overlapped) {
  DWORD unused = 0;
  return ::GetOverlappedResult(pipe, overlapped, &unused, TRUE) ||
         ::GetLastError() == ERROR_PIPE_CONNECTED;
}

void SignalReady(const Options& options) {
  if (options.ready.empty())
    return;
  HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, options.ready.c_str());
  ::SetEvent(ready);
  ::CloseHandle(ready);
}

// A reply of this service: the frame header, the fields each ended by US, ETX.
std::string Reply(const std::string& status, const std::string& code = std::string()) {
  std::string reply = std::string(kHeader) + "CDR\x1F" + status + "\x1F";
  if (!code.empty())
    reply += code + "\x1F";
  return reply + "\x03";
}

void Answer(HANDLE pipe, const Options& options) {
  const std::wstring& kind = options.reply;
  if (kind == L"ok") {
    WriteBytes(pipe, Reply("OK"));
  } else if (kind == L"ng") {
    WriteBytes(pipe, Reply("NG", options.code));
  } else if (kind == L"noheader") {
    WriteBytes(pipe, Reply("OK").substr(kHeaderLength));
  } else if (kind == L"noetx") {
    std::string reply = Reply("OK");
    WriteBytes(pipe, reply.substr(0, reply.size() - 1));
  } else if (kind == L"longfield") {
    WriteBytes(pipe, Reply("OKOKOKOKOK"));
  } else if (kind == L"lowercase") {
    WriteBytes(pipe, Reply("ok"));
  } else if (kind == L"split") {
    std::string reply = Reply("OK");
    const size_t cut = kHeaderLength + 4;  // after "CDR" and its US
    WriteBytes(pipe, reply.substr(0, cut));
    ::Sleep(300);
    WriteBytes(pipe, reply.substr(cut));
  } else if (kind == L"empty") {
    WriteBytes(pipe, std::string());
  }
}

bool IsClosingMessage(const char* bytes, DWORD count) {
  return count >= kHeaderLength + 3 && std::string(bytes + kHeaderLength, 3) == "END";
}

void Record(const Options& options, const std::string& line) {
  if (options.record.empty())
    return;
  FILE* file = _wfopen(options.record.c_str(), L"ab");
  if (!file)
    return;
  std::fputs(line.c_str(), file);
  std::fputc('\n', file);
  std::fclose(file);
}

// Serves one connected client until it closes its end.
void Converse(HANDLE pipe, const Options& options) {
  std::string line;
  if (options.reply == L"unread") {
    while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, nullptr, nullptr))
      ::Sleep(10);
    Record(options, line);
    return;
  }
  char buffer[kBufferSize];
  for (bool first = true;; first = false) {
    DWORD read = 0;
    if (!ReadBytes(pipe, buffer, kBufferSize, &read))
      break;
    if (!first)
      line += ' ';
    for (DWORD i = 0; i < read; ++i) {
      char hex[3];
      std::snprintf(hex, sizeof(hex), "%02x", static_cast<unsigned char>(buffer[i]));
      line += hex;
    }
    if (first && !IsClosingMessage(buffer, read))
      Answer(pipe, options);
  }
  Record(options, line);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (i + 1 >= argc)
      return Usage();
    const wchar_t* value = argv[++i];
    unsigned long number = 0;
    if (arg == L"--reply") {
      options.reply = value;
    } else if (arg == L"--code") {
      // Digits and signs: the service's codes are single-byte text.
      options.code.clear();
      for (const wchar_t* c = value; *c; ++c)
        options.code += static_cast<char>(*c);
    } else if (arg == L"--busy" && ParseNumber(value, &number)) {
      options.busy_ms = number;
    } else if (arg == L"--conversations" && ParseNumber(value, &number) && number > 0) {
      options.conversations = number;
    } else if (arg == L"--record") {
      options.record = value;
    } else if (arg == L"--ready") {
      options.ready = value;
    } else {
      return Usage();
    }
  }

  const DWORD type = options.reply == L"empty" ? PIPE_TYPE_MESSAGE : PIPE_TYPE_BYTE;
  const DWORD buffers = options.reply == L"unread" ? 0 : kBufferSize;
  HANDLE pipe = ::CreateNamedPipeW(
      kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
      type | PIPE_WAIT, 1, buffers, buffers, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE)
    return 3;
  OVERLAPPED connect = {};
  if (options.busy_ms > 0) {
    Listen(pipe, &connect);
    HANDLE holder = ::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    AwaitClient(pipe, &connect);
    SignalReady(options);
    ::Sleep(options.busy_ms);
    ::CloseHandle(holder);
    ::DisconnectNamedPipe(pipe);
  }
  for (unsigned long i = 0; i < options.conversations; ++i) {
    if (!Listen(pipe, &connect))
      break;
    if (i == 0 && options.busy_ms == 0)
      SignalReady(options);
    if (!AwaitClient(pipe, &connect))
      break;
    Converse(pipe, options);
    ::DisconnectNamedPipe(pipe);
  }
  ::CloseHandle(pipe);
  return 0;
}
