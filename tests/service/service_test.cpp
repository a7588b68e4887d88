#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "service/frame.h"
#include "service/service_pipe.h"
#include "service/service_probe.h"
#include "support/scoped_override.h"
#include "support/sleep.h"
#include "tests/helpers/service_standin.h"

namespace quillon {
namespace {

using helpers::Conversations;
using helpers::Narrow;
using helpers::ScopedServiceProgram;
using helpers::ServiceStandin;

// The launcher's two messages, byte for byte.
const std::string kHeader("\x01OstrelVT\x1FV1\x1F\x02", 14);
const std::string kClosing = kHeader + "END\x1FOstrelVT\x1F\x03";
const std::string kRequest = kHeader +
                             "CDR\x1FO\x1FVersion\x1F"
                             "Check\x1F\x03";

// Each message is built whole with its terminator, or not at all: a buffer
// one byte short is left empty, and one of no bytes untouched.
TEST(FrameTest, MessagesAreBuiltWholeOrRefused) {
  const struct {
    const char* name;
    size_t (*build)(char*, size_t);
    const std::string& message;
  } cases[] = {{"request", BuildVersionCheckRequest, kRequest},
               {"closing", BuildClosingMessage, kClosing}};
  for (const auto& c : cases) {
    const size_t length = c.message.size();
    for (size_t capacity : {size_t{0}, length, length + 1}) {
      char out[64];
      std::memset(out, '#', sizeof(out) - 1);
      out[sizeof(out) - 1] = '\0';
      const bool fits = capacity > length;
      EXPECT_EQ(c.build(out, capacity), fits ? length : 0u) << c.name << " in " << capacity;
      const std::string written = capacity == 0 ? std::string(1, out[0]) : std::string(out);
      const std::string expected = capacity == 0 ? std::string("#") : fits ? c.message : "";
      EXPECT_EQ(written, expected) << c.name << " in " << capacity;
    }
  }
}

int g_sleeps = 0;
void CountedSleep(DWORD milliseconds) {
  ++g_sleeps;
  ::Sleep(milliseconds);
}

// The reply wait's clock runs 20 times faster: its 10 s bound passes in 0.5 s.
DWORD FastTicks() {
  return ::GetTickCount() * 20;
}

// A clock that moves 50 ms at every look, whatever the machine's load.
DWORD g_step_ticks = 0;
DWORD SteppingTicks() {
  return g_step_ticks += 50;
}

TEST(ServicePipeTest, EachReplyToItsResultAndTheBytesOnTheWire) {
  ScopedOverride<RetryTickCountHook> ticks(g_retry_tick_count_for_testing, FastTicks);
  const struct {
    const wchar_t* server;
    unsigned result;
    size_t reads;  // of the request and then the closing message
  } cases[] = {
      {L"--reply ok", 501, 2},
      {L"--reply ng --code 1234", 1234, 2},
      {L"--reply ng --code 123456789", 123456789, 2},
      {L"--reply ng --code 1234567890", 786, 2},
      {L"--reply longfield", 786, 2},
      {L"--reply lowercase", 786, 2},
      {L"--reply noheader", 786, 1},
      {L"--reply noetx", 786, 1},
      {L"--reply split", 786, 1},
      {L"--reply empty", 786, 1},   // a read of no bytes
      {L"--reply none", 786, 1},    // the request read, never answered
      {L"--reply unread", 786, 0},  // the request's write never taken
  };
  for (const auto& c : cases) {
    ServiceStandin server(c.server);
    ASSERT_TRUE(server.listening()) << Narrow(c.server);
    EXPECT_EQ(ServicePipe().Exchange(kRequest.c_str()), c.result) << Narrow(c.server);
    const std::vector<std::string> messages = {kRequest, kClosing};
    const Conversations expected = {{messages.begin(), messages.begin() + c.reads}};
    EXPECT_EQ(server.Finish(), expected) << Narrow(c.server);
  }
}

// A server that reads the request and never answers: the read gives up once
// 10 s have passed, and the pipe is closed (the server sees the end).
TEST(ServicePipeTest, SilentServerIsGivenUpAfterTenSeconds) {
  ScopedOverride<RetryTickCountHook> ticks(g_retry_tick_count_for_testing, SteppingTicks);
  ServiceStandin server(L"--reply none");
  ASSERT_TRUE(server.listening());
  ServicePipe pipe;
  ASSERT_TRUE(pipe.Connect());
  ASSERT_TRUE(pipe.Send(kRequest.data(), static_cast<DWORD>(kRequest.size())));
  char reply[1024];
  DWORD received = 1;
  const DWORD start = SteppingTicks();
  EXPECT_FALSE(pipe.Receive(reply, sizeof(reply), &received));
  const DWORD waited = SteppingTicks() - start;
  EXPECT_EQ(received, 0u);
  EXPECT_GT(waited, 10000u);
  EXPECT_LE(waited, 10200u);
  pipe.Close();
  EXPECT_EQ(server.Finish(), Conversations({{kRequest}}));
}

// The reply is looked for again at once during the first 2 ms, then every 10 ms.
TEST(ServicePipeTest, ReplyPollPauses) {
  const struct {
    ULONGLONG waited_us;
    DWORD pause_ms;
  } cases[] = {{0, 0}, {1999, 0}, {2000, 10}, {10000000, 10}};
  for (const auto& c : cases)
    EXPECT_EQ(ReplyPollPause(c.waited_us), c.pause_ms) << c.waited_us;
}

DWORD g_open_flags = 0;
HANDLE WINAPI RecordOpenFlags(LPCWSTR name,
                              DWORD access,
                              DWORD share_mode,
                              LPSECURITY_ATTRIBUTES security,
                              DWORD disposition,
                              DWORD flags,
                              HANDLE template_file) {
  g_open_flags = flags;
  return ::CreateFileW(name, access, share_mode, security, disposition, flags, template_file);
}

// Wine ignores the security flags: only that they are passed is tested.
// Overlapped, so that a write can be given up.
TEST(ServicePipeTest, OpensForIdentificationOnly) {
  ScopedOverride<PipeOpenFunction> open(g_pipe_open_for_testing, RecordOpenFlags);
  ServiceStandin server(L"--reply ok");
  ServicePipe pipe;
  ASSERT_TRUE(server.listening() && pipe.Connect());
  EXPECT_EQ(g_open_flags, static_cast<DWORD>(SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION |
                                             FILE_FLAG_OVERLAPPED));
}

TEST(ServicePipeTest, NoServerFailsAtOnceAndBusyWaitsInSteps) {
  ScopedOverride<RetrySleepHook> sleep(g_retry_sleep_for_testing, CountedSleep);
  g_sleeps = 0;
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(ServicePipe().Exchange(kRequest.c_str()), 786u);
  EXPECT_EQ(g_sleeps, 0);
  EXPECT_LT(::GetTickCount() - start, 2000u);

  // Busy for 2 s: steps of 100 ms, at most 20 of them and a few for the
  // server's own start (a loaded machine fits fewer; the fake clock below
  // counts them exactly).
  ServiceStandin server(L"--reply ok --busy 2000");
  ASSERT_TRUE(server.listening());
  EXPECT_EQ(ServicePipe().Exchange(kRequest.c_str()), 501u);
  EXPECT_GE(g_sleeps, 2);
  EXPECT_LE(g_sleeps, 22);
}

// The busy loop on a fake clock: every sleep moves it on; the pipe's only
// instance is held here and let go at the sleep |g_free_at|.
DWORD g_ticks = 0;
int g_free_at = 0;
PipeHandle* g_holder = nullptr;
void ClockSleep(DWORD milliseconds) {
  if (++g_sleeps == g_free_at) {
    g_holder->Close();
    ::WaitNamedPipeW(kServicePipeName, 5000);
  }
  g_ticks += milliseconds;
}
DWORD ClockTicks() {
  return g_ticks;
}

// The last try comes after the 601st sleep, 60.1 s on.
TEST(ServicePipeTest, BusyPipeIsTriedForSixtySeconds) {
  const struct {
    DWORD start;
    int free_at;  // 0: never
    bool connected;
  } cases[] = {{0, 0, false}, {0xFFFFFFFF - 30000, 0, false}, {5, 601, true}};
  for (const auto& c : cases) {
    ServiceStandin server(L"--reply ok --conversations 2");
    PipeHandle holder(::CreateFileW(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(server.listening() && holder.IsValid());
    g_sleeps = 0;
    g_ticks = c.start;
    g_free_at = c.free_at;
    g_holder = &holder;
    ScopedOverride<RetrySleepHook> sleep(g_retry_sleep_for_testing, ClockSleep);
    ScopedOverride<RetryTickCountHook> ticks(g_retry_tick_count_for_testing, ClockTicks);
    EXPECT_EQ(ServicePipe().Connect(), c.connected) << c.start << ", free at " << c.free_at;
    EXPECT_EQ(g_sleeps, 601) << c.start << ", free at " << c.free_at;
  }
}

TEST(ServiceProbeTest, ProgramVersionMinimums) {
  const struct {
    const wchar_t* version;  // empty: no program
    bool current;
  } cases[] = {
      {L"7_0_0_24", true},   // both numbers at the minimums
      {L"8_0_0_24", true},   // a higher first number
      {L"7_9_9_23", false},  // the fourth number too low
      {L"8_0_0_1", false},   // a higher first number doesn't make up for it
      {L"6_9_9_24", false},  // the first number too low
      {L"", false},          // no program
  };
  for (const auto& c : cases) {
    ScopedServiceProgram program(c.version);
    ASSERT_TRUE(program.placed()) << Narrow(c.version);
    EXPECT_EQ(IsServiceProgramCurrent(), c.current) << Narrow(c.version);
  }
}

TEST(ServiceProbeTest, StateAndTheConversationsBehindIt) {
  const Conversations both = {{kClosing}, {kRequest, kClosing}};
  const struct {
    const wchar_t* version;
    const wchar_t* server;  // null: no server
    bool ready;
    bool accepted;
    Conversations conversations;
  } cases[] = {
      {L"7_0_0_24", L"--reply ok --conversations 2", true, true, both},
      {L"7_0_0_24", L"--reply ng --code 7 --conversations 2", true, true, both},
      {L"7_0_0_24", L"--reply noheader --conversations 2", true, false, {{kClosing}, {kRequest}}},
      {L"7_9_9_23", L"--reply ok", false, false, {{kClosing}}},
      {L"", L"--reply ok", false, false, {{kClosing}}},
      {L"7_0_0_24", nullptr, false, false, {}},
  };
  for (const auto& c : cases) {
    const std::string name = Narrow(c.version) + " " + (c.server ? Narrow(c.server) : "none");
    ScopedServiceProgram program(c.version);
    std::unique_ptr<ServiceStandin> server;
    if (c.server)
      server = std::make_unique<ServiceStandin>(c.server);
    ASSERT_TRUE(program.placed() && (!server || server->listening())) << name;
    bool accepted = !c.accepted;
    EXPECT_EQ(ProbeServiceState(&accepted), c.ready) << name;
    EXPECT_EQ(accepted, c.accepted) << name;
    EXPECT_EQ(server ? server->Finish() : Conversations(), c.conversations) << name;
  }
}

}  // namespace
}  // namespace quillon
