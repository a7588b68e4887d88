// The fixture of the end-to-end tests: each test starts the launcher from the
// stick drive QUILLON_STICK (skipped without it), laid out with the launcher
// at its root, on Windows 7 as Wine reports it, from an empty per-user data
// folder, and with none of the programs that an earlier start may leave
// running.
#ifndef QUILLON_TESTS_E2E_END_TO_END_TEST_H_
#define QUILLON_TESTS_E2E_END_TO_END_TEST_H_

#include <windows.h>

#include <string>

#include "gtest/gtest.h"
#include "tests/helpers/launcher_run.h"
#include "tests/helpers/poll.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (StickRoot().empty())
      GTEST_SKIP() << "QUILLON_STICK is not set: run through tools/test.sh";
    EndLeftovers();
    ASSERT_TRUE(ClearDataFolder()) << Narrow(data_);
    ASSERT_TRUE(SetWineVersion(L"win7"));
    ASSERT_TRUE(PrepareStick()) << "stick " << Narrow(StickRoot());
  }

  void TearDown() override {
    if (StickRoot().empty())
      return;
    EndLeftovers();
    ClearWineVersion();
    ClearDataFolder();
  }

  // Processes that a failed or killed run may leave behind: launchers, the
  // mutex holders and parents, the probe, the companions, the service
  // stand-in and the viewer that a deployment starts.
  static void EndLeftovers() {
    KillProcessesNamed({L"Quillon.exe", L"mutex_holder.exe", L"dll_probe.exe", L"Portico.exe",
                        L"QuillonRun.exe", L"Confera.exe", L"Swiftgate.exe", L"Gone.exe",
                        L"Occupier.exe", L"Successor.exe", L"service_standin.exe"});
  }

  // The data folder gone, and nothing in its place.
  bool ClearDataFolder() {
    data_ = ProductDataFolder();
    // A viewer that just ended may still hold its file.
    return !data_.empty() &&
           PollUntil("the data folder's removal", 2000, [&] { return RemoveTree(data_); });
  }

  std::wstring data_;  // the per-user data folder
};

}  // namespace quillon::helpers

#endif  // QUILLON_TESTS_E2E_END_TO_END_TEST_H_
