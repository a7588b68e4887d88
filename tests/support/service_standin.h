// The stand-ins of the product's background service for tests: the server on
// its pipe (service_standin.exe beside the test program) and the installed
// service program under the Program Files folder.
//
//   ServiceStandin server(L"--reply ng --code 1234");
//   ASSERT_TRUE(server.listening());
//   ... talk to the pipe ...
//   EXPECT_EQ(server.Finish(), (Conversations{{request, closing}}));
#ifndef QUILLON_TESTS_SUPPORT_SERVICE_STANDIN_H_
#define QUILLON_TESTS_SUPPORT_SERVICE_STANDIN_H_

#include <string>
#include <vector>

#include "support/handles.h"
#include "tests/support/test_files.h"

namespace quillon::testing {

// What the server received: one entry per conversation, each the bytes of
// every read it made, in order.
using Conversations = std::vector<std::vector<std::string>>;

// Runs the server for the object's lifetime; it serves as many conversations
// as its arguments say (--conversations, default 1) and then ends.
class ServiceStandin {
 public:
  // Starts the server with |arguments| (see standins/service/service_standin.cpp)
  // and waits (at most 10 s) until its pipe exists.
  explicit ServiceStandin(const std::wstring& arguments);
  // Ends a server that still runs.
  ~ServiceStandin();
  ServiceStandin(const ServiceStandin&) = delete;
  ServiceStandin& operator=(const ServiceStandin&) = delete;

  bool listening() const { return listening_; }
  // Waits (at most 5 s) for the server's end and returns what it received;
  // empty when it didn't end.
  Conversations Finish();

 private:
  TempDir dir_;
  std::wstring record_;
  StartedProcess process_;
  bool listening_ = false;
};

// Puts the stand-in service program of the ProductVersion |version| (a folder
// of <build>/service_programs, "7_0_0_24") at
// <Program Files>\TORVA\Swiftgate\OstrelVTService.exe, with Program Files as
// this test program's bitness sees it; an empty |version| leaves no program
// there. The TORVA folder is removed when the object goes away.
class ScopedServiceProgram {
 public:
  explicit ScopedServiceProgram(const std::wstring& version);
  ~ScopedServiceProgram();
  ScopedServiceProgram(const ScopedServiceProgram&) = delete;
  ScopedServiceProgram& operator=(const ScopedServiceProgram&) = delete;

  // True when the folder is laid out as asked.
  bool placed() const { return placed_; }

 private:
  std::wstring root_;
  bool placed_ = false;
};

}  // namespace quillon::testing

#endif  // QUILLON_TESTS_SUPPORT_SERVICE_STANDIN_H_
