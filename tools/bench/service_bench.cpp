// Times ProbeServiceState against a minimal client that makes the same
// conversations on the same pipe (tools/bench-service.sh runs it; not a
// test).
//
//   service_bench.exe RUNS
//
// Three cases: no server; a ready server; a server whose pipe is busy for
// 1 s (service_standin.exe beside this program, started afresh for each
// run; the clock starts once it listens). In the last two the stand-in
// service program 7, 0, 0, 24 is placed under the Program Files folder, so
// that the probe is ready and asks the version too. The minimal client
// waits for a busy pipe with WaitNamedPipeW; "minimal+check" is the same
// client with the probe's check of the program file between its two
// conversations. The ready probe is also timed in its two halves (presence
// with the program check; the version conversation) against the minimal
// client's ("ready_presence", "ready_version"). Prints one line per case and
// client:
// "case=ready client=probe median_ms=... min_ms=... max_ms=... busy_runs=...
// slowest_busy=...": busy_runs counts the runs in which an open of the pipe
// found it busy (ERROR_PIPE_BUSY), slowest_busy the busy answers in the
// slowest run. The probe's opens are counted through its open seam; after a
// busy answer the probe sleeps its 100 ms step, the minimal client waits
// with WaitNamedPipeW.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "service/frame.h"
#include "service/service_pipe.h"
#include "service/service_probe.h"
#include "support/scoped_override.h"
#include "tests/helpers/service_standin.h"

namespace quillon {
namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// Busy answers to the opens of the pipe in the current run.
int g_busy_answers = 0;

// The probe's open: CreateFileW, with its busy answers counted.
HANDLE WINAPI CountingOpen(LPCWSTR name,
                           DWORD access,
                           DWORD share_mode,
                           LPSECURITY_ATTRIBUTES security,
                           DWORD disposition,
                           DWORD flags,
                           HANDLE template_file) {
  HANDLE pipe =
      ::CreateFileW(name, access, share_mode, security, disposition, flags, template_file);
  if (pipe == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_PIPE_BUSY) {
    ++g_busy_answers;
    ::SetLastError(ERROR_PIPE_BUSY);
  }
  return pipe;
}

// The minimal client's connection: open (with the probe's flags, so that
// the conversations are the same), or wait for a free instance and try again.
HANDLE OpenPipe() {
  for (;;) {
    HANDLE pipe =
        ::CreateFileW(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                      SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (pipe != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_PIPE_BUSY)
      return pipe;
    ++g_busy_answers;
    ::WaitNamedPipeW(kServicePipeName, NMPWAIT_WAIT_FOREVER);
  }
}

// The probe's first conversation without anything around it: the closing
// message alone. With |check|, the program file's check follows, as in the
// probe.
bool MinimalPresence(bool check) {
  char closing[kServiceMessageCapacity];
  const DWORD closing_length = static_cast<DWORD>(BuildClosingMessage(closing, sizeof(closing)));
  DWORD done = 0;
  HANDLE pipe = OpenPipe();
  if (pipe == INVALID_HANDLE_VALUE)
    return false;
  ::WriteFile(pipe, closing, closing_length, &done, nullptr);
  ::CloseHandle(pipe);
  return !check || IsServiceProgramCurrent();
}

// The second: request, reply and closing message.
bool MinimalVersionCheck() {
  char closing[kServiceMessageCapacity];
  char request[kServiceMessageCapacity];
  const DWORD closing_length = static_cast<DWORD>(BuildClosingMessage(closing, sizeof(closing)));
  const DWORD request_length =
      static_cast<DWORD>(BuildVersionCheckRequest(request, sizeof(request)));
  DWORD done = 0;
  HANDLE pipe = OpenPipe();
  if (pipe == INVALID_HANDLE_VALUE)
    return false;
  char reply[kServiceMessageCapacity];
  const bool ok = ::WriteFile(pipe, request, request_length, &done, nullptr) &&
                  ::ReadFile(pipe, reply, sizeof(reply), &done, nullptr) &&
                  ::WriteFile(pipe, closing, closing_length, &done, nullptr);
  ::CloseHandle(pipe);
  return ok;
}

bool MinimalProbe(bool check) {
  return MinimalPresence(check) && MinimalVersionCheck();
}

struct Run {
  double ms;
  int busy;
};

void Print(const char* name, const char* client, std::vector<Run> runs) {
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.ms < b.ms; });
  int busy_runs = 0;
  for (const Run& run : runs)
    busy_runs += run.busy > 0;
  std::printf(
      "case=%s client=%s median_ms=%.3f min_ms=%.3f max_ms=%.3f busy_runs=%d slowest_busy=%d\n",
      name, client, runs[runs.size() / 2].ms, runs.front().ms, runs.back().ms, busy_runs,
      runs.back().busy);
}

}  // namespace
}  // namespace quillon

int wmain(int argc, wchar_t** argv) {
  using namespace quillon;
  const int runs = argc > 1 ? std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10))) : 5;
  helpers::ScopedServiceProgram program(L"7_0_0_24");
  ScopedOverride<PipeOpenFunction> counted_open(g_pipe_open_for_testing, CountingOpen);
  if (!program.placed()) {
    std::fprintf(stderr, "service_bench: the service program can't be placed\n");
    return 1;
  }
  const struct {
    const char* name;
    const wchar_t* server;  // null: none
    bool ready;
  } cases[] = {
      {"none", nullptr, false},
      {"ready", L"--reply ok --conversations 2", true},
      {"busy", L"--reply ok --conversations 2 --busy 1000", true},
  };
  int status = 0;
  for (const auto& c : cases) {
    static const char* const kClients[] = {"probe", "minimal", "minimal+check"};
    std::vector<Run> times[3];
    for (int run = 0; run < 3 * runs; ++run) {
      // In turn, so that the clients meet the same conditions.
      const int client = run % 3;
      const bool probe = client == 0;
      std::unique_ptr<helpers::ServiceStandin> server;
      if (c.server) {
        server = std::make_unique<helpers::ServiceStandin>(c.server);
        if (!server->listening()) {
          std::fprintf(stderr, "service_bench: the stand-in service doesn't start\n");
          return 1;
        }
      }
      LARGE_INTEGER start;
      LARGE_INTEGER end;
      bool accepted = false;
      g_busy_answers = 0;
      ::QueryPerformanceCounter(&start);
      const bool ready = probe ? ProbeServiceState(&accepted) : MinimalProbe(client == 2);
      ::QueryPerformanceCounter(&end);
      if (ready != c.ready || (probe && accepted != c.ready)) {
        std::fprintf(stderr, "service_bench: case %s: unexpected answer from the %s client\n",
                     c.name, kClients[client]);
        status = 1;
      }
      times[client].push_back({Milliseconds(start, end), g_busy_answers});
    }
    for (int client = 0; client < 3; ++client)
      Print(c.name, kClients[client], times[client]);
  }
  // The ready probe in its two halves, against the minimal client with the
  // check: the presence conversation with the program file's check, then
  // the version conversation, each timed on its own.
  {
    std::vector<Run> halves[2][2];
    for (int run = 0; run < 2 * runs; ++run) {
      const bool probe = run % 2 == 0;
      helpers::ServiceStandin server(L"--reply ok --conversations 2");
      if (!server.listening()) {
        std::fprintf(stderr, "service_bench: the stand-in service doesn't start\n");
        return 1;
      }
      LARGE_INTEGER start;
      LARGE_INTEGER middle;
      LARGE_INTEGER end;
      g_busy_answers = 0;
      ::QueryPerformanceCounter(&start);
      probe ? ProbeService() : MinimalPresence(true);
      ::QueryPerformanceCounter(&middle);
      const int presence_busy = g_busy_answers;
      g_busy_answers = 0;
      probe ? QueryVersionCheck() : MinimalVersionCheck();
      ::QueryPerformanceCounter(&end);
      halves[probe ? 0 : 1][0].push_back({Milliseconds(start, middle), presence_busy});
      halves[probe ? 0 : 1][1].push_back({Milliseconds(middle, end), g_busy_answers});
    }
    Print("ready_presence", "probe", halves[0][0]);
    Print("ready_presence", "minimal+check", halves[1][0]);
    Print("ready_version", "probe", halves[0][1]);
    Print("ready_version", "minimal+check", halves[1][1]);
  }
  // The program file's check alone, which only the probe makes.
  std::vector<Run> check_times;
  for (int run = 0; run < runs; ++run) {
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceCounter(&start);
    IsServiceProgramCurrent();
    ::QueryPerformanceCounter(&end);
    check_times.push_back({Milliseconds(start, end), 0});
  }
  Print("program_check", "probe", check_times);
  return status;
}
