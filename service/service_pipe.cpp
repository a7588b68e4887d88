#include "service/service_pipe.h"

#include <cstring>

#include "service/frame.h"
#include "support/handles.h"
#include "support/sleep.h"

namespace quillon {

const wchar_t kServicePipeName[] = L"\\\\.\\pipe\\OstrelVTService_v4";
PipeOpenFunction g_pipe_open_for_testing = ::CreateFileW;

namespace {

constexpr DWORD kBusyRetryMilliseconds = 100;
constexpr DWORD kBusyLimitMilliseconds = 60000;
// A reply that hasn't come within 10 s won't come: a process that holds the
// pipe's name and never answers would otherwise keep the start (and with it
// the instance mutex) for good. The wait looks at the pipe before it reads,
// so that the read finds the reply there: a service answers within a
// fraction of a millisecond, so for the first 2 ms it looks again as soon as
// the processor comes back, then every 10 ms. (A 10 ms sleep after the first
// look, which almost always comes before the reply, cost 10 ms in every
// conversation.)
constexpr ULONGLONG kReplyYieldMicroseconds = 2000;
constexpr DWORD kReplyPollMilliseconds = 10;
constexpr DWORD kReplyLimitMilliseconds = 10000;
// The write-side twin: a process that holds the pipe's name may make the
// pipe without buffers and never read, and a write then waits until someone
// reads. So the pipe is opened for overlapped I/O, and a read or write that
// hasn't completed within 10 s is cancelled and counts as failed.
constexpr DWORD kTransferPollMilliseconds = 100;
constexpr DWORD kTransferLimitMilliseconds = 10000;

// Microseconds since |start| by the performance counter. A machine without
// the counter (its frequency reads 0, as some Windows 2000 machines give it)
// or a counter that went back answers "long ago": the wait then looks every
// 10 ms, as it always did.
ULONGLONG MicrosecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now;
  LARGE_INTEGER frequency;
  if (!::QueryPerformanceCounter(&now) || !::QueryPerformanceFrequency(&frequency) ||
      frequency.QuadPart <= 0 || now.QuadPart < start.QuadPart) {
    return ~0ull;
  }
  return static_cast<ULONGLONG>(now.QuadPart - start.QuadPart) * 1000000u /
         static_cast<ULONGLONG>(frequency.QuadPart);
}

// Identification only: whatever process made the pipe name first (a server
// squatting on it before the service starts) may see who the user is, but
// can't act as the user. With the default flags it could impersonate the
// user for the length of the conversation. Overlapped, so that every
// transfer has its bound (see kTransferLimitMilliseconds).
constexpr DWORD kOpenFlags = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION | FILE_FLAG_OVERLAPPED;

// One overlapped read or write and the event that its completion sets.
struct Transfer {
  Transfer() : event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    overlapped.hEvent = event.Get();
  }
  KernelHandle event;
  OVERLAPPED overlapped = {};
};

// Waits for the transfer that ReadFile or WriteFile (whose result is
// |started|) began on |pipe|: true when it completed within 10 s, with the
// bytes moved in |*count|. One that hasn't is cancelled, and its end waited
// for (the system writes into |transfer| until then): false.
bool Complete(HANDLE pipe, Transfer* transfer, BOOL started, DWORD* count) {
  *count = 0;
  if (!started && ::GetLastError() != ERROR_IO_PENDING)
    return false;
  const DWORD start = RetryTickCount();
  while (::WaitForSingleObject(transfer->event.Get(), kTransferPollMilliseconds) != WAIT_OBJECT_0) {
    if (RetryTickCount() - start > kTransferLimitMilliseconds) {
      ::CancelIo(pipe);
      ::GetOverlappedResult(pipe, &transfer->overlapped, count, TRUE);
      *count = 0;
      return false;
    }
  }
  return ::GetOverlappedResult(pipe, &transfer->overlapped, count, FALSE) != FALSE;
}

}  // namespace

bool ServicePipe::Connect() {
  Close();
  const DWORD start = RetryTickCount();
  for (;;) {
    pipe_.Reset(g_pipe_open_for_testing(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, kOpenFlags, nullptr));
    if (pipe_.IsValid())
      return true;
    if (::GetLastError() != ERROR_PIPE_BUSY)
      return false;
    if (RetryTickCount() - start > kBusyLimitMilliseconds)
      return false;
    RetrySleep(kBusyRetryMilliseconds);
  }
}

bool ServicePipe::Send(const char* bytes, DWORD count) {
  Transfer write;
  if (!write.event.IsValid())
    return false;
  const BOOL started = ::WriteFile(pipe_.Get(), bytes, count, nullptr, &write.overlapped);
  DWORD written = 0;
  return Complete(pipe_.Get(), &write, started, &written) && written == count;
}

bool ServicePipe::SendClosingMessage() {
  char message[kServiceMessageCapacity];
  const size_t length = BuildClosingMessage(message, sizeof(message));
  return length != 0 && Send(message, static_cast<DWORD>(length));
}

bool ServicePipe::Receive(char* buffer, DWORD capacity, DWORD* received) {
  *received = 0;
  const DWORD start = RetryTickCount();
  LARGE_INTEGER first_look;
  ::QueryPerformanceCounter(&first_look);
  for (DWORD available = 0; available == 0;) {
    // A broken pipe fails here, as the read would.
    if (!::PeekNamedPipe(pipe_.Get(), nullptr, 0, nullptr, &available, nullptr))
      return false;
    if (available == 0) {
      if (RetryTickCount() - start > kReplyLimitMilliseconds)
        return false;
      ::Sleep(ReplyPollPause(MicrosecondsSince(first_look)));
    }
  }
  Transfer read;
  if (!read.event.IsValid())
    return false;
  const BOOL started = ::ReadFile(pipe_.Get(), buffer, capacity, nullptr, &read.overlapped);
  DWORD count = 0;
  if (!Complete(pipe_.Get(), &read, started, &count))
    return false;
  *received = count;
  return IsReplyFrame(buffer, count);
}

DWORD ReplyPollPause(ULONGLONG waited_us) {
  return waited_us < kReplyYieldMicroseconds ? 0 : kReplyPollMilliseconds;
}

unsigned ServicePipe::Exchange(const char* request) {
  unsigned result = kServiceResultFailed;
  const size_t length = ::strnlen(request, kServiceMessageCapacity);
  if (length == kServiceMessageCapacity || !Connect())
    return result;
  char reply[kServiceMessageCapacity];
  DWORD received = 0;
  if (Send(request, static_cast<DWORD>(length)) && Receive(reply, sizeof(reply), &received) &&
      SendClosingMessage()) {
    result = ReplyResult(reply, received);
  }
  Close();
  return result;
}

}  // namespace quillon
