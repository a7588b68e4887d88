// End-to-end starts with a stick and user files that are broken or hostile:
// each start ends by itself with exit code 0 and either reaches the viewer or
// shows the one message that the situation calls for.
#include <windows.h>

#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/helpers/launcher_run.h"
#include "tests/helpers/registry_value.h"
#include "tests/helpers/service_standin.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {
namespace {

// 1 MiB of bytes from a fixed seed (xorshift), the same in every run.
std::vector<unsigned char> RandomMebibyte(unsigned seed) {
  std::vector<unsigned char> bytes(1 << 20);
  unsigned x = seed;
  for (unsigned char& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<unsigned char>(x >> 24);
  }
  return bytes;
}

bool IsWaitWindow(const WindowInfo& w) {
  return !w.is_message_box && w.Control(2001) != nullptr;
}

class HostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (StickRoot().empty())
      GTEST_SKIP() << "QUILLON_STICK is not set: run through tools/test.sh";
    ASSERT_TRUE(SetWineVersion(L"win7"));
  }
  void TearDown() override {
    if (StickRoot().empty())
      return;
    EndLeftovers();
    ClearWineVersion();
    RemoveTree(ProductDataFolder());
  }
  static void EndLeftovers() {
    KillProcessesNamed({L"Quillon.exe", L"Portico.exe", L"mutex_holder.exe", L"taskkill.exe"});
  }
  static std::wstring Cfg(const std::wstring& name) { return StickRoot() + L".cfg\\" + name; }
  static std::wstring Data(const std::wstring& name) {
    ::CreateDirectoryW(ProductDataFolder().c_str(), nullptr);
    return ProductDataFolder() + L"\\" + name;
  }

  ScopedRegistryValueRestore portico_{HKEY_CURRENT_USER, L"Environment", L"Portico"};
  ScopedRegistryValueRestore parameter_{HKEY_CURRENT_USER, L"Environment", L"VT_Parameter"};
};

// What a row lays out, and holds for the length of its start.
struct Held {
  std::unique_ptr<MutexHolder> busy;
  std::unique_ptr<MutexHolder> start;
  std::unique_ptr<ServiceStandin> service;
  std::unique_ptr<ScopedServiceProgram> program;
};

struct Row {
  const char* name;
  std::function<void(Held*)> lay_out;
  // While the wait window shows: what the user does; then the stick is freed.
  std::function<void(HWND)> in_wait_window;
  // Set in the launcher's environment.
  std::vector<std::pair<std::wstring, std::wstring>> environment;
  const wchar_t* message;  // null: the start reaches the viewer
  DWORD max_ms;
};

const wchar_t kSkipSetup[] =
    L"自動起動をセットアップしてご利用いただくか、 管理者アカウントでご利用ください。(RC)";

// A service installed at 7.0.0.24 whose stand-in on the pipe runs with |options|.
std::function<void(Held*)> InstalledService(const wchar_t* options) {
  return [options](Held* held) {
    held->program = std::make_unique<ScopedServiceProgram>(L"7_0_0_24");
    held->service = std::make_unique<ServiceStandin>(options);
    ASSERT_TRUE(held->program->placed() && held->service->listening());
  };
}

void HoldBusyStick(Held* held) {
  held->busy = std::make_unique<MutexHolder>(std::vector<std::wstring>{L"_OstrelVT7_Mutex"});
  held->start = std::make_unique<MutexHolder>(std::vector<std::wstring>{L"_VaultineStart_"});
  ASSERT_TRUE(held->busy->holding() && held->start->holding());
}

TEST_F(HostileTest, EachStartEndsByItself) {
  const Row rows[] = {
      {"100,000 File keys, the stored choice naming the last",
       [](Held*) {
         std::string index = "[File]\r\n";
         for (int k = 1; k <= 100000; ++k)
           index += std::to_string(k) + "=0409_" + std::to_string(k) + ".cfg\r\n";
         ASSERT_TRUE(WriteText(Cfg(L"Language.cfg"), index));
         ASSERT_TRUE(WriteText(Cfg(L"0409_100000.cfg"), "[Quillon]\r\n"));
         ASSERT_TRUE(WriteText(Data(L"Detacher.ini"), "[Language]\r\nPortico=0409_100000.cfg\r\n"));
       },
       nullptr,
       {},
       nullptr,
       8000},
      {"1 MiB of random bytes in every file read, the wait window shown",
       [](Held* held) {
         unsigned seed = 1;
         for (const std::wstring& path :
              {Cfg(L"Language.cfg"), Cfg(L"0409.cfg"), Cfg(L"Setting.ini"), Data(L"Detacher.ini"),
               Data(L"VaultineAppNotify.ini")}) {
           ASSERT_TRUE(WriteBytes(path, RandomMebibyte(seed++))) << Narrow(path);
         }
         HoldBusyStick(held);
       },
       [](HWND) {},
       {},
       nullptr,
       15000},
      {".cfg is a file",
       [](Held*) {
         ASSERT_TRUE(RemoveTree(StickRoot() + L".cfg"));
         ASSERT_TRUE(WriteText(StickRoot() + L".cfg", "[Quillon]\r\n"));
       },
       nullptr,
       {},
       nullptr,
       10000},
      {"Setting.ini, Language.cfg and Detacher.ini are folders",
       [](Held*) {
         for (const std::wstring& path :
              {Cfg(L"Setting.ini"), Cfg(L"Language.cfg"), Data(L"Detacher.ini")}) {
           RemoveTree(path);
           ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr)) << Narrow(path);
         }
       },
       nullptr,
       {},
       nullptr,
       10000},
      {"a file where the library folder belongs",
       [](Held*) { ASSERT_TRUE(WriteText(Data(L"Library7.0.0.68"), "not a folder")); },
       nullptr,
       {},
       L"Some errors occurred.(RC)(722)",
       10000},
      {"a service that reads the request and never answers",
       InstalledService(L"--reply none --conversations 2"),
       nullptr,
       {{L"QUILLON_TEST_ADMINISTRATORS", L"0"}},
       kSkipSetup,
       15000},
      {"a server that makes the pipe without buffers and never reads",
       InstalledService(L"--reply unread --conversations 2"),
       nullptr,
       {{L"QUILLON_TEST_ADMINISTRATORS", L"0"}},
       kSkipSetup,
       25000},
      {"the app name *, force quit pressed",
       [](Held* held) {
         ASSERT_TRUE(WriteText(Data(L"VaultineAppNotify.ini"), "[Set]\r\nApp=*\r\n"));
         HoldBusyStick(held);
       },
       [](HWND window) {
         ASSERT_TRUE(PressButton(window, 1));
         // The press has been handled: a tool started for it runs now.
         EXPECT_TRUE(ProcessesNamed({L"taskkill.exe"}).empty()) << "the task-kill tool ran";
       },
       {},
       nullptr,
       15000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EndLeftovers();
    ASSERT_TRUE(RemoveTree(ProductDataFolder()));
    ASSERT_TRUE(PrepareStick());
    ::CreateDirectoryW((StickRoot() + L".cfg").c_str(), nullptr);
    Held held;
    row.lay_out(&held);
    if (::testing::Test::HasFatalFailure())
      return;
    RunOptions options;
    options.environment = row.environment;
    LauncherProcess launcher(options);
    if (row.in_wait_window) {
      ASSERT_TRUE(launcher.WatchUntil(
          [](const RunResult& r) { return !r.windows.empty() && IsWaitWindow(r.windows[0]); },
          10000))
          << launcher.result().Describe();
      row.in_wait_window(launcher.result().windows[0].window);
      held.busy.reset();
    }
    RunResult r = launcher.Finish();
    EXPECT_TRUE(r.Ended()) << r.Describe();
    if (!r.Ended())
      continue;
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_LT(r.elapsed_ms, row.max_ms) << r.Describe();
    if (row.message) {
      ASSERT_EQ(r.boxes.size(), 1u) << r.Describe();
      EXPECT_EQ(r.boxes[0].text, row.message) << r.Describe();
    } else {
      EXPECT_EQ(r.boxes.size(), 0u) << r.Describe();
      EXPECT_TRUE(ViewerStarted()) << r.Describe();
    }
    std::cout << "  " << row.name << ": " << r.elapsed_ms << " ms\n";
  }
}

}  // namespace
}  // namespace quillon::helpers
