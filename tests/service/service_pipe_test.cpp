#include "service/service_pipe.h"

#include <gtest/gtest.h>

#include "service/frame.h"
#include "support/sleep.h"
#include "tests/service/service_bytes.h"
#include "tests/support/service_standin.h"

namespace quillon {
namespace {

using testing::Conversations;
using testing::kClosing;
using testing::kVersionRequest;
using testing::ServiceStandin;

int g_sleeps = 0;
DWORD g_ticks = 0;
// With the fake clock, each sleep moves it on; the hook at a given sleep
// (release_at) runs before.
int g_release_at = 0;
PipeHandle* g_holder = nullptr;

void RealSleep(DWORD milliseconds) {
  ++g_sleeps;
  ::Sleep(milliseconds);
}

void FakeSleep(DWORD milliseconds) {
  if (++g_sleeps == g_release_at) {
    g_holder->Close();
    ::WaitNamedPipeW(kServicePipeName, 5000);
  }
  g_ticks += milliseconds;
}

DWORD FakeTicks() {
  return g_ticks;
}

struct OpenCall {
  std::wstring name;
  DWORD access, share_mode, disposition, flags;
  bool no_security, no_template;
};
OpenCall g_open;

HANDLE WINAPI RecordOpen(LPCWSTR name,
                         DWORD access,
                         DWORD share_mode,
                         LPSECURITY_ATTRIBUTES security,
                         DWORD disposition,
                         DWORD flags,
                         HANDLE template_file) {
  g_open = {name, access, share_mode, disposition, flags, !security, !template_file};
  return ::CreateFileW(name, access, share_mode, security, disposition, flags, template_file);
}

class ServicePipeTest : public ::testing::Test {
 protected:
  void SetUp() override { g_sleeps = 0; }
  ScopedRetrySleepForTesting sleep_{RealSleep};
};

TEST_F(ServicePipeTest, EachReplyToItsResultAndTheBytesOnTheWire) {
  const struct {
    const wchar_t* server;
    unsigned result;
    bool closed;  // the closing message followed the request
  } cases[] = {
      {L"--reply ok", 501, true},        {L"--reply ng --code 1234", 1234, true},
      {L"--reply longfield", 786, true}, {L"--reply lowercase", 786, true},
      {L"--reply noheader", 786, false}, {L"--reply noetx", 786, false},
      {L"--reply split", 786, false},    {L"--reply empty", 786, false},
  };
  for (const auto& c : cases) {
    ServiceStandin server(c.server);
    ASSERT_TRUE(server.listening()) << testing::Narrow(c.server);
    ServicePipe pipe;
    EXPECT_EQ(pipe.Exchange(kVersionRequest.c_str()), c.result) << testing::Narrow(c.server);
    EXPECT_FALSE(pipe.IsConnected());
    Conversations expected = {{kVersionRequest}};
    if (c.closed)
      expected[0].push_back(kClosing);
    EXPECT_EQ(server.Finish(), expected) << testing::Narrow(c.server);
  }
}

TEST_F(ServicePipeTest, OpensForIdentificationOnly) {
  ScopedPipeOpenForTesting open(RecordOpen);
  ServiceStandin server(L"--reply ok");
  ASSERT_TRUE(server.listening());
  ServicePipe pipe;
  ASSERT_TRUE(pipe.Connect());
  EXPECT_EQ(g_open.name, L"\\\\.\\pipe\\OstrelVTService_v4");
  EXPECT_EQ(g_open.access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(g_open.share_mode, 0u);
  EXPECT_EQ(g_open.disposition, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(g_open.flags, static_cast<DWORD>(SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION));
  EXPECT_TRUE(g_open.no_security && g_open.no_template);
}

TEST_F(ServicePipeTest, NoServerFailsAtOnce) {
  const DWORD start = ::GetTickCount();
  ServicePipe pipe;
  EXPECT_EQ(pipe.Exchange(kVersionRequest.c_str()), kServiceResultFailed);
  EXPECT_EQ(g_sleeps, 0);
  EXPECT_LT(::GetTickCount() - start, 50u);
}

TEST_F(ServicePipeTest, BusyForTwoSecondsThenIn) {
  ServiceStandin server(L"--reply ok --busy 2000");
  ASSERT_TRUE(server.listening());
  ServicePipe pipe;
  EXPECT_EQ(pipe.Exchange(kVersionRequest.c_str()), kServiceResultOk);
  EXPECT_GE(g_sleeps, 18);
  EXPECT_LE(g_sleeps, 22);
  EXPECT_EQ(server.Finish(), (Conversations{{kVersionRequest, kClosing}}));
}

// 60 s on a fake clock: the try after the 601st sleep (60.1 s) is the last.
TEST_F(ServicePipeTest, BusyPipeIsTriedForSixtySeconds) {
  const struct {
    DWORD start;
    int release_at;  // 0: never
    bool connected;
  } cases[] = {
      {0, 0, false},
      {0xFFFFFFFF - 30000, 0, false},  // the tick count wraps during the wait
      {5, 601, true},
  };
  for (const auto& c : cases) {
    ServiceStandin server(L"--reply ok --conversations 2");
    ASSERT_TRUE(server.listening());
    PipeHandle holder(::CreateFileW(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsValid());
    g_sleeps = 0;
    g_ticks = c.start;
    g_release_at = c.release_at;
    g_holder = &holder;
    ScopedRetrySleepForTesting sleep(FakeSleep);
    ScopedRetryTickCountForTesting ticks(FakeTicks);
    ServicePipe pipe;
    EXPECT_EQ(pipe.Connect(), c.connected) << "from " << c.start << ", free at " << c.release_at;
    EXPECT_EQ(g_sleeps, 601) << "from " << c.start << ", free at " << c.release_at;
  }
}

}  // namespace
}  // namespace quillon
