// The stand-ins of the product's background service: the server on its pipe
// (service_standin.exe beside the test program, standins/service) and the
// installed service program under the Program Files folder.
#ifndef QUILLON_TESTS_HELPERS_SERVICE_STANDIN_H_
#define QUILLON_TESTS_HELPERS_SERVICE_STANDIN_H_

#include <string>
#include <vector>

#include "support/handles.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {

// What the server received: per conversation, the bytes of each read.
using Conversations = std::vector<std::vector<std::string>>;

// The server, started with |arguments| (see service_standin.cpp) and waited
// for (at most 10 s) until its pipe exists; it serves --conversations clients
// (default 1) and ends. A server that still runs is ended with the object.
class ServiceStandin {
 public:
  explicit ServiceStandin(const std::wstring& arguments);
  ~ServiceStandin();
  ServiceStandin(const ServiceStandin&) = delete;
  ServiceStandin& operator=(const ServiceStandin&) = delete;

  bool listening() const { return listening_; }
  // Waits (at most 5 s) for the server's end and returns what it received;
  // empty when it didn't end.
  Conversations Finish();
  // What it received from clients that have all closed their ends (their
  // program ended): waits (at most 10 s) until the server listens for the next
  // client, which it does once the last one is recorded, or has ended. The
  // pipe is held meanwhile, so that no later conversation comes in.
  Conversations Received();

 private:
  // The conversations recorded so far.
  Conversations Recorded() const;

  TempDir dir_;
  StartedProcess process_;
  bool listening_ = false;
};

// Puts the service program of the ProductVersion |version| (a folder of
// <build>/service_programs, "7_0_0_24"; empty: none) at
// <Program Files>\TORVA\Swiftgate\OstrelVTService.exe, Program Files as this
// program's bitness sees it, and removes the TORVA folder when it goes away.
class ScopedServiceProgram {
 public:
  explicit ScopedServiceProgram(const std::wstring& version);
  ~ScopedServiceProgram() { RemoveTree(root_); }
  ScopedServiceProgram(const ScopedServiceProgram&) = delete;
  ScopedServiceProgram& operator=(const ScopedServiceProgram&) = delete;

  bool placed() const { return placed_; }

 private:
  std::wstring root_;
  bool placed_ = false;
};

}  // namespace quillon::helpers

#endif  // QUILLON_TESTS_HELPERS_SERVICE_STANDIN_H_
