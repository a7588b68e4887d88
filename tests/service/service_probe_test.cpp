#include "service/service_probe.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/service/service_bytes.h"
#include "tests/support/service_standin.h"

namespace quillon {
namespace {

using testing::Conversations;
using testing::kClosing;
using testing::kVersionRequest;
using testing::Narrow;
using testing::ScopedServiceProgram;
using testing::ServiceStandin;

TEST(ServiceProbeTest, ProgramVersionMinimums) {
  const struct {
    const wchar_t* version;  // empty: no program
    bool current;
  } cases[] = {
      {L"7_0_0_24", true}, {L"8_0_0_24", true}, {L"7_9_9_23", false},
      {L"8_0_0_1", false}, {L"", false},
  };
  for (const auto& c : cases) {
    ScopedServiceProgram program(c.version);
    ASSERT_TRUE(program.placed()) << Narrow(c.version);
    EXPECT_EQ(IsServiceProgramCurrent(), c.current) << Narrow(c.version);
  }
}

TEST(ServiceProbeTest, StateAndTheConversationsBehindIt) {
  const Conversations presence_only = {{kClosing}};
  const struct {
    const wchar_t* version;
    const wchar_t* server;  // null: no server
    bool ready;
    bool accepted;
    Conversations conversations;
  } cases[] = {
      {L"7_0_0_24",
       L"--reply ok --conversations 2",
       true,
       true,
       {{kClosing}, {kVersionRequest, kClosing}}},
      {L"7_0_0_24",
       L"--reply ng --code 7 --conversations 2",
       true,
       true,
       {{kClosing}, {kVersionRequest, kClosing}}},
      {L"7_0_0_24",
       L"--reply noheader --conversations 2",
       true,
       false,
       {{kClosing}, {kVersionRequest}}},
      {L"7_9_9_23", L"--reply ok", false, false, presence_only},
      {L"", L"--reply ok", false, false, presence_only},
      {L"7_0_0_24", nullptr, false, false, {}},
  };
  for (const auto& c : cases) {
    const std::string name = Narrow(c.version) + " " + (c.server ? Narrow(c.server) : "none");
    ScopedServiceProgram program(c.version);
    ASSERT_TRUE(program.placed()) << name;
    std::unique_ptr<ServiceStandin> server;
    if (c.server) {
      server = std::make_unique<ServiceStandin>(c.server);
      ASSERT_TRUE(server->listening()) << name;
    }
    bool accepted = !c.accepted;
    EXPECT_EQ(ProbeServiceState(&accepted), c.ready) << name;
    EXPECT_EQ(accepted, c.accepted) << name;
    if (server) {
      EXPECT_EQ(server->Finish(), c.conversations) << name;
    }
  }
}

}  // namespace
}  // namespace quillon
