// End-to-end tests of the deployment: the launcher starts from the stick,
// writes the components of the running bitness into the per-user data folder,
// publishes the user environment, saves Quillon.lnk and opens it, and the
// viewer stand-in records its start. The failing starts come from situations
// a user can meet: files held by running programs, a file in the way of the
// data folder, a limited account on Windows XP.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "deploy/plan.h"
#include "gtest/gtest.h"
#include "support/handles.h"
#include "support/version_info.h"
#include "tests/e2e/end_to_end_test.h"
#include "tests/helpers/launcher_run.h"
#include "tests/helpers/poll.h"
#include "tests/helpers/registry_value.h"
#include "tests/helpers/shortcut_file.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {
namespace {

using EnvironmentValue = RegistryValue;

const wchar_t kCaption[] = L"Vaultine(RC)";
const wchar_t kLibrary[] = L"Library7.0.0.68";

// Every file that a start on a |native32| system writes, relative to the data
// folder, sorted as ListFilesBelow sorts: the plan's components and the
// shortcut.
std::vector<std::wstring> PlannedFiles(bool native32) {
  std::vector<std::wstring> files = {L"Quillon.lnk"};
  size_t count = 0;
  const ComponentRow* rows = ComponentTable(native32, &count);
  for (size_t i = 0; i < count; ++i) {
    std::wstring folder = rows[i].folder == ComponentFolder::kLibrary ? L"Library7.0.0.68\\" : L"";
    files.push_back(folder + rows[i].file_name);
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Files that the start itself doesn't write but that may lie in the data
// folder afterwards: the viewer stand-in's record and the log.
bool IsByproduct(const std::wstring& name) {
  return name == L"Portico.record.txt" || name == L"Quillon.log";
}

std::string Join(const std::vector<std::wstring>& names) {
  std::string text;
  for (const std::wstring& name : names)
    text += Narrow(name) + "\n";
  return text;
}

// What a start left in the data folder, without the byproducts.
std::vector<std::wstring> DeployedFiles() {
  std::vector<std::wstring> files;
  for (const std::wstring& name : ListFilesBelow(ProductDataFolder())) {
    if (!IsByproduct(name))
      files.push_back(name);
  }
  return files;
}

// The text of a file as ANSI/UTF-8 or as UTF-16LE (with or without a mark).
std::wstring ReadTextFile(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  if (!ReadBytes(path, &bytes))
    return std::wstring();
  bool utf16 = bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) ||
                                     std::count(bytes.begin(), bytes.end(), 0) > 0);
  std::wstring text;
  if (utf16) {
    size_t start = (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) ? 2 : 0;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
      text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    }
    return text;
  }
  int length = ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()),
                                     static_cast<int>(bytes.size()), nullptr, 0);
  text.resize(static_cast<size_t>(length));
  ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()),
                        static_cast<int>(bytes.size()), text.data(), length);
  return text;
}

// The viewer stand-in records "<own path> TAB <command line> TAB <time> TAB
// <current folder>" a line: true when a line's command line ends with a
// blank and |argument|; that start's current folder goes to |folder|.
bool RecordedWithArgument(const std::wstring& record,
                          const std::wstring& argument,
                          std::wstring* folder) {
  size_t line_start = 0;
  while (line_start < record.size()) {
    size_t line_end = record.find(L"\r\n", line_start);
    if (line_end == std::wstring::npos)
      line_end = record.size();
    std::wstring line = record.substr(line_start, line_end - line_start);
    size_t first_tab = line.find(L'\t');
    size_t second_tab =
        first_tab == std::wstring::npos ? first_tab : line.find(L'\t', first_tab + 1);
    if (second_tab != std::wstring::npos) {
      std::wstring command_line = line.substr(first_tab + 1, second_tab - first_tab - 1);
      std::wstring tail = L" " + argument;
      if (command_line.size() >= tail.size() &&
          command_line.compare(command_line.size() - tail.size(), tail.size(), tail) == 0) {
        const size_t third_tab = line.find(L'\t', second_tab + 1);
        *folder = third_tab == std::wstring::npos ? L"" : line.substr(third_tab + 1);
        return true;
      }
    }
    line_start = line_end + 2;
  }
  return false;
}

// The viewer is opened through the shell, which gives no process to wait
// for: its record is polled until it shows the start with |argument|, and
// that start's current folder is the data folder.
::testing::AssertionResult ViewerStartedWith(const std::wstring& argument) {
  const std::wstring record = ProductDataFolder() + L"\\Portico.record.txt";
  std::wstring folder;
  ::testing::AssertionResult started =
      PollUntil("the viewer's record of a start with " + Narrow(argument), 15000,
                [&] { return RecordedWithArgument(ReadTextFile(record), argument, &folder); });
  if (!started)
    return started << "; the record: " << Narrow(ReadTextFile(record));
  if (!SamePath(folder, ProductDataFolder()))
    return ::testing::AssertionFailure() << "the viewer started in " << Narrow(folder);
  return started;
}

EnvironmentValue ReadEnvironment(const wchar_t* name) {
  return ReadRegistryValue(HKEY_CURRENT_USER, L"Environment", name);
}

// Holds a file as a running program or a loaded driver does: others may read
// it, but can neither write nor delete it.
class HeldFile {
 public:
  explicit HeldFile(const std::wstring& path)
      : file_(::CreateFileW(path.c_str(),
                            GENERIC_READ,
                            FILE_SHARE_READ,
                            nullptr,
                            OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL,
                            nullptr)) {}
  bool holding() const { return file_.IsValid(); }

 private:
  FileHandle file_;
};

std::wstring BuildFile(const std::wstring& name) {
  return ProgramFolder() + name;
}

// A component stand-in as the build embedded it.
std::wstring Component(const std::wstring& relative) {
  return ProgramFolder() + L"components\\" + relative;
}

std::wstring Fixture(const std::wstring& name) {
  return ProgramFolder() + L"fixtures\\product_versions\\" + name + L".exe";
}

class DeployTest : public EndToEndTest {
 protected:
  // The data folder with |file| from the build copied in as |name|.
  bool PlaceInDataFolder(const std::wstring& file, const std::wstring& name) {
    ::CreateDirectoryW(data_.c_str(), nullptr);
    return ::CopyFileW(file.c_str(), (data_ + L"\\" + name).c_str(), FALSE) != 0;
  }

  // Runs the usual start from the stick's root and expects one error box
  // with |text|.
  RunResult RunExpectingOneBox(const std::wstring& text, RunOptions options = RunOptions()) {
    RunResult r = RunLauncher(options);
    EXPECT_TRUE(r.Ended()) << r.Describe();
    EXPECT_EQ(r.boxes.size(), 1u) << r.Describe();
    if (!r.boxes.empty()) {
      EXPECT_EQ(r.boxes[0].text, text) << r.Describe();
      EXPECT_EQ(r.boxes[0].caption, kCaption) << r.Describe();
    }
    return r;
  }

  // The deployed file |relative| holds exactly the component |component|.
  void ExpectDeployedAsBuilt(const std::wstring& relative, const std::wstring& component) {
    std::vector<unsigned char> deployed;
    std::vector<unsigned char> built;
    ASSERT_TRUE(ReadBytes(data_ + L"\\" + relative, &deployed)) << Narrow(relative);
    ASSERT_TRUE(ReadBytes(Component(component), &built)) << Narrow(component);
    EXPECT_TRUE(deployed == built) << Narrow(relative);
  }

  static std::wstring ResultText(UINT code) {
    return L"Some errors occurred.(RC)(" + std::to_wstring(code) + L")";
  }

  ScopedRegistryValueRestore portico_{HKEY_CURRENT_USER, L"Environment", L"Portico"};
  ScopedRegistryValueRestore parameter_{HKEY_CURRENT_USER, L"Environment", L"VT_Parameter"};
};

// The main road: every 64-bit component, the shortcut with the launcher's own
// path as its argument (from a stick folder with blanks, unquoted), the viewer
// started with it, and the user environment published.
TEST_F(DeployTest, Start64WritesEveryComponentAndOpensTheViewer) {
  std::wstring launcher = InstallLauncherOnStick(L"Quillon stick tool");
  ASSERT_FALSE(launcher.empty());
  ASSERT_TRUE(WriteStickSettings(SettingsWith({"VT_Parameter=abc def"})));
  RunOptions options;
  options.launcher = launcher;
  options.environment = {{L"QUILLON_TEST_NATIVE32", L"0"}};

  RunResult r = RunLauncher(options);
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_TRUE(r.boxes.empty()) << r.Describe();

  EXPECT_EQ(DeployedFiles(), PlannedFiles(false)) << Join(ListFilesBelow(data_));
  // The components are the stand-ins that the build embedded, decoded: the
  // 64-bit ones where the bitnesses differ.
  ExpectDeployedAsBuilt(L"Portico.exe", L"Portico.exe");
  ExpectDeployedAsBuilt(L"OstrelVT6.sys", L"x64\\OstrelVT6.sys");
  ExpectDeployedAsBuilt(L"Library7.0.0.68\\OstrelVT3_x64.dll", L"OstrelVT3_x64.dll");
  ExpectDeployedAsBuilt(L"EjectLatchVT64.dll", L"EjectLatchVT64.dll");

  SavedLink link = ReadLink(data_ + L"\\Quillon.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_TRUE(SamePath(link.path, data_ + L"\\Portico.exe")) << Narrow(link.path);
  EXPECT_EQ(link.arguments, launcher) << Narrow(link.arguments);

  // The shell started the viewer with the launcher's path as its argument.
  EXPECT_TRUE(ViewerStartedWith(launcher));

  EnvironmentValue portico = ReadEnvironment(L"Portico");
  ASSERT_TRUE(portico.present);
  EXPECT_EQ(portico.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(portico.Text(), StickRoot().substr(0, 2));
  EnvironmentValue parameter = ReadEnvironment(L"VT_Parameter");
  ASSERT_TRUE(parameter.present);
  EXPECT_EQ(parameter.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(parameter.Text(), L"abc def");
}

// The shipped program itself (without the test seams), started from the
// stick: the 32-bit launcher on this 64-bit prefix writes the 64-bit plan and
// starts the viewer. The 32-bit suite starts the product build's program; the
// release's test starts the signed one through the 64-bit suite. Both need
// Wine's 32-bit part.
TEST_F(DeployTest, ShippedProgramDeploysThe64BitPlan) {
  wchar_t product[MAX_PATH] = {};
  DWORD length = ::GetEnvironmentVariableW(L"QUILLON_PRODUCT_LAUNCHER", product, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    GTEST_SKIP() << "no shipped program to start (QUILLON_PRODUCT_LAUNCHER)";
  wchar_t reason[512] = {};
  if (::GetEnvironmentVariableW(L"QUILLON_WINE32_UNAVAILABLE", reason, 512) > 0)
    GTEST_SKIP() << "32-bit programs can't run here: " << Narrow(reason);
  ASSERT_TRUE(::CopyFileW(product, (StickRoot() + L"Quillon.exe").c_str(), FALSE))
      << Narrow(product);

  RunResult r = RunLauncher(RunOptions());
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_TRUE(r.boxes.empty()) << r.Describe();
  EXPECT_EQ(DeployedFiles(), PlannedFiles(false)) << Join(ListFilesBelow(data_));
  std::wstring product_folder(product);
  product_folder.resize(product_folder.find_last_of(L'\\') + 1);
  std::vector<unsigned char> deployed;
  std::vector<unsigned char> built;
  ASSERT_TRUE(ReadBytes(data_ + L"\\OstrelVT6.sys", &deployed));
  ASSERT_TRUE(ReadBytes(product_folder + L"components\\x64\\OstrelVT6.sys", &built));
  EXPECT_TRUE(deployed == built);
  std::wstring launcher = StickRoot() + L"Quillon.exe";
  EXPECT_TRUE(ViewerStartedWith(launcher));
}

TEST_F(DeployTest, Start32WritesTheThirtyTwoBitPlan) {
  RunOptions options;
  options.environment = {{L"QUILLON_TEST_NATIVE32", L"1"}};
  RunResult r = RunLauncher(options);
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_TRUE(r.boxes.empty()) << r.Describe();
  EXPECT_EQ(DeployedFiles(), PlannedFiles(true)) << Join(ListFilesBelow(data_));
  EXPECT_EQ(ListFilesBelow(data_ + L"\\" + kLibrary), std::vector<std::wstring>{L"OstrelVT3.dll"});
  ExpectDeployedAsBuilt(L"OstrelVT6.sys", L"x86\\OstrelVT6.sys");
  ExpectDeployedAsBuilt(L"EjectLatchStartVT32.exe", L"EjectLatchStartVT32.exe");
  std::wstring launcher = StickRoot() + L"Quillon.exe";
  EXPECT_TRUE(ViewerStartedWith(launcher));
}

// The stick's parameter: empty when the settings don't carry it, at most 255
// characters of a longer one.
TEST_F(DeployTest, ParameterFromTheStickSettings) {
  struct Case {
    const char* what;
    std::string settings;
    std::wstring expected;
  };
  std::string long_text(300, 'p');
  for (size_t i = 0; i < long_text.size(); i += 10)
    long_text[i] = static_cast<char>('0' + i / 10 % 10);
  const Case cases[] = {
      {"no key", SettingsWith({"Version_check=Disable"}), L""},
      {"300 characters", SettingsWith({("VT_Parameter=" + long_text).c_str()}),
       std::wstring(long_text.begin(), long_text.begin() + 255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KillProcessesNamed({L"Portico.exe"});
    ASSERT_TRUE(ClearDataFolder());
    ASSERT_TRUE(WriteStickSettings(c.settings));
    RunResult r = RunLauncher(RunOptions());
    ASSERT_TRUE(r.Ended()) << r.Describe();
    EXPECT_TRUE(r.boxes.empty()) << r.Describe();
    EXPECT_TRUE(ViewerStarted());
    EnvironmentValue parameter = ReadEnvironment(L"VT_Parameter");
    ASSERT_TRUE(parameter.present);
    EXPECT_EQ(parameter.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(parameter.Text(), c.expected);
    EXPECT_EQ(parameter.data.size(), (c.expected.size() + 1) * sizeof(wchar_t));
  }
}

// ---- Result codes ----

// A limited user on 32-bit Windows XP or 2000 (which the stick's settings
// let start) without the ready service: refused before anything is written.
TEST_F(DeployTest, LimitedAccountOnXpOr2000Gets526) {
  ASSERT_TRUE(WriteStickSettings(SettingsWith({"Version_check=Disable"})));
  for (const wchar_t* version : {L"winxp", L"win2k"}) {
    SCOPED_TRACE(Narrow(version));
    ASSERT_TRUE(ClearDataFolder());
    ASSERT_TRUE(SetWineVersion(version));
    RunOptions options;
    options.environment = {{L"QUILLON_TEST_NATIVE32", L"1"}, {L"QUILLON_TEST_USER_ADMIN", L"0"}};
    RunExpectingOneBox(L"Error\n\nIt is not treatable in Limited acount.(RC)", options);
    EXPECT_TRUE(ListFilesBelow(data_).empty()) << Join(ListFilesBelow(data_));
  }
}

// The same user as an administrator on XP goes on.
TEST_F(DeployTest, AdministratorOnXpGoesOn) {
  ASSERT_TRUE(SetWineVersion(L"winxp"));
  RunOptions options;
  options.environment = {{L"QUILLON_TEST_NATIVE32", L"1"}, {L"QUILLON_TEST_USER_ADMIN", L"1"}};
  RunResult r = RunLauncher(options);
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_TRUE(r.boxes.empty()) << r.Describe();
  EXPECT_EQ(DeployedFiles(), PlannedFiles(true));
}

// A running viewer that is too old can't be replaced: 721, with the two log
// lines that name it and its version, and nothing after the viewer written.
TEST_F(DeployTest, HeldOldViewerGives721) {
  ASSERT_TRUE(PlaceInDataFolder(BuildFile(L"Portico_v5.exe"), L"Portico.exe"));
  std::wstring viewer = data_ + L"\\Portico.exe";
  int version[4];
  ASSERT_TRUE(ReadFileVersion(viewer.c_str(), version));
  HeldFile held(viewer);
  ASSERT_TRUE(held.holding());

  RunExpectingOneBox(L"Some errors occurred.(RC)(721)");
  EXPECT_EQ(DeployedFiles(), std::vector<std::wstring>{L"Portico.exe"})
      << Join(ListFilesBelow(data_));

  std::wstring logged_path = ShortPath(data_) + L"\\Portico.exe";
  std::wstring log = ReadTextFile(data_ + L"\\Quillon.log");
  std::wstring exists_line = L"]" + logged_path + L" exists.\r\n";
  wchar_t version_text[64];
  ::wsprintfW(version_text, L"(%d.%d.%d.%d)\r\n", version[0], version[1], version[2], version[3]);
  std::wstring version_line = L"]" + logged_path + version_text;
  EXPECT_NE(log.find(exists_line), std::wstring::npos) << Narrow(log);
  EXPECT_NE(log.find(version_line), std::wstring::npos) << Narrow(log);
  EXPECT_LT(log.find(exists_line), log.find(version_line)) << Narrow(log);
}

// A launcher whose viewer payload is missing (its resource renamed in a copy
// of the launcher) and no viewer present: 721, with both folders made but no
// component written.
TEST_F(DeployTest, MissingViewerPayloadGives721) {
  std::vector<unsigned char> launcher;
  ASSERT_TRUE(ReadBytes(BuildFile(L"Quillon.exe"), &launcher));
  // Resource names are stored in upper case as counted UTF-16 strings.
  const std::wstring name = L"__QUILLON.EXE";
  std::vector<unsigned char> pattern;
  for (wchar_t c : name) {
    pattern.push_back(static_cast<unsigned char>(c));
    pattern.push_back(0);
  }
  auto found = std::search(launcher.begin(), launcher.end(), pattern.begin(), pattern.end());
  ASSERT_NE(found, launcher.end());
  ASSERT_EQ(std::search(found + 1, launcher.end(), pattern.begin(), pattern.end()), launcher.end());
  found[static_cast<ptrdiff_t>(pattern.size()) - 2] = 'X';  // "__QUILLON.EXX": not found
  std::wstring folder = StickRoot() + L"Damaged launcher";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(folder + L"\\Quillon.exe", launcher));

  RunOptions options;
  options.launcher = folder + L"\\Quillon.exe";
  RunExpectingOneBox(ResultText(721), options);
  EXPECT_EQ(::GetFileAttributesW((data_ + L"\\" + kLibrary).c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_TRUE(DeployedFiles().empty()) << Join(ListFilesBelow(data_));
}

// A running viewer of version 6 or later is used as it is: the start goes on
// and the shortcut starts the present viewer.
TEST_F(DeployTest, HeldCurrentViewerIsUsed) {
  ASSERT_TRUE(PlaceInDataFolder(BuildFile(L"Portico_v6.exe"), L"Portico.exe"));
  std::wstring viewer = data_ + L"\\Portico.exe";
  std::vector<unsigned char> present;
  ASSERT_TRUE(ReadBytes(viewer, &present));
  {
    HeldFile held(viewer);
    ASSERT_TRUE(held.holding());
    RunResult r = RunLauncher(RunOptions());
    ASSERT_TRUE(r.Ended()) << r.Describe();
    EXPECT_TRUE(r.boxes.empty()) << r.Describe();
  }
  EXPECT_EQ(DeployedFiles(), PlannedFiles(false)) << Join(ListFilesBelow(data_));
  std::vector<unsigned char> after;
  ASSERT_TRUE(ReadBytes(viewer, &after));
  EXPECT_TRUE(after == present);
  std::wstring launcher = StickRoot() + L"Quillon.exe";
  EXPECT_TRUE(ViewerStartedWith(launcher));
  std::wstring log = ReadTextFile(data_ + L"\\Quillon.log");
  EXPECT_NE(log.find(L"Portico.exe exists."), std::wstring::npos) << Narrow(log);
}

// A loaded driver of another version than the launcher carries stops the
// start; the exact version lets it go on.
struct DriverCase {
  const wchar_t* file_name;
  const wchar_t* present;  // fixture whose ProductVersion the present file has
  UINT code;               // 0: the start goes on
  const wchar_t* first_not_written;
};

TEST_F(DeployTest, HeldDriversDecideByTheirProductVersion) {
  const DriverCase cases[] = {
      {L"OstrelVT6.sys", L"pv_7_0_0_5", 828, L"OstrelXM2.sys"},
      {L"OstrelVT6.sys", L"pv_7_0_0", 828, L"OstrelXM2.sys"},
      {L"OstrelVT6.sys", L"pv_7_0_0_4", 0, nullptr},
      {L"OstrelXM2.sys", L"pv_7_0_0_4", 829, L"ostrelvtex_x64.exe"},
      {L"OstrelXM2.sys", L"pv_1_0_2_0", 0, nullptr},
  };
  for (const DriverCase& c : cases) {
    SCOPED_TRACE(Narrow(c.file_name) + " as " + Narrow(c.present));
    KillProcessesNamed({L"Portico.exe"});
    ASSERT_TRUE(ClearDataFolder());
    ASSERT_TRUE(PlaceInDataFolder(Fixture(c.present), c.file_name));
    HeldFile held(data_ + L"\\" + c.file_name);
    ASSERT_TRUE(held.holding());
    if (c.code != 0) {
      RunExpectingOneBox(ResultText(c.code));
      std::vector<std::wstring> files = DeployedFiles();
      EXPECT_EQ(std::count(files.begin(), files.end(), std::wstring(c.first_not_written)), 0)
          << Join(files);
      EXPECT_EQ(std::count(files.begin(), files.end(), std::wstring(L"Quillon.lnk")), 0);
      EXPECT_EQ(std::count(files.begin(), files.end(), std::wstring(L"hostrelay.exe")), 1)
          << Join(files);
    } else {
      RunResult r = RunLauncher(RunOptions());
      ASSERT_TRUE(r.Ended()) << r.Describe();
      EXPECT_TRUE(r.boxes.empty()) << r.Describe();
      EXPECT_EQ(DeployedFiles(), PlannedFiles(false));
    }
  }
}

// Row 8 has no fallback on 64-bit Windows.
TEST_F(DeployTest, HeldRow8ProgramGives838) {
  ASSERT_TRUE(PlaceInDataFolder(BuildFile(L"Quillon.exe"), L"ostrelvtex_x64.exe"));
  HeldFile held(data_ + L"\\ostrelvtex_x64.exe");
  ASSERT_TRUE(held.holding());
  RunExpectingOneBox(ResultText(838));
  std::vector<std::wstring> files = DeployedFiles();
  EXPECT_EQ(std::count(files.begin(), files.end(), std::wstring(L"OstrelXM2.sys")), 1)
      << Join(files);
  EXPECT_EQ(std::count(files.begin(), files.end(), std::wstring(L"hostcareprocess.exe")), 0)
      << Join(files);
  EXPECT_EQ(std::count(files.begin(), files.end(), std::wstring(L"Quillon.lnk")), 0);
}

// A file named Vaultine where the data folder belongs: nothing can be written.
TEST_F(DeployTest, FileInPlaceOfTheDataFolderGives722) {
  ASSERT_TRUE(WriteText(data_, "not a folder"));
  RunExpectingOneBox(ResultText(722));
  EXPECT_EQ(::GetFileAttributesW(data_.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

// An old shortcut held open without sharing can be neither deleted nor
// overwritten: every component is written, but the viewer isn't opened.
TEST_F(DeployTest, HeldOldShortcutGives732) {
  ::CreateDirectoryW(data_.c_str(), nullptr);
  ASSERT_TRUE(WriteText(data_ + L"\\Quillon.lnk", "old"));
  FileHandle held(::CreateFileW((data_ + L"\\Quillon.lnk").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held.IsValid());
  RunExpectingOneBox(ResultText(732));
  EXPECT_EQ(DeployedFiles(), PlannedFiles(false));
  EXPECT_FALSE(FileExists(data_ + L"\\Portico.record.txt"));
}

}  // namespace
}  // namespace quillon::helpers
