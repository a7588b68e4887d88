// End-to-end tests of the language: each start comes from a stick whose .cfg
// folder the test writes, on a Windows version that the gate refuses, so
// that message 519 and its caption (515) show which language file the start
// read. The suite runs under the Unix locale ja_JP, so that Wine gives the
// launcher the UI language 0x0411.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/end_to_end_test.h"
#include "tests/helpers/launcher_run.h"
#include "tests/helpers/registry_value.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {
namespace {

constexpr LANGID kUiLanguage = 0x0411;

const wchar_t kStringTableCaption[] = L"Vaultine(RC)";
const wchar_t kStringTableWinver[] = L"The version of Windows doesn't correspond.(RC)";

// A language file whose caption and message 519 name it.
std::string TaggedTexts(const std::string& tag) {
  return "[Quillon]\r\nTITLE=" + tag + "\r\nERROR_WINVER=" + tag + " winver\r\n";
}

struct StickFile {
  std::wstring name;  // in .cfg
  std::string text;   // ANSI
};

// One start: the stick's .cfg holds Language.cfg (File keys 1 = 0409.cfg,
// 2 = 0411.cfg, 3 = 0804.cfg, 4 = 0409.cfg, then |index_extra|, then its own
// texts "Index"), 0409.cfg ("English") and 0411.cfg ("Japanese").
struct ChoiceStart {
  const char* name;
  const char* index_extra;
  const char* stored;           // Detacher.ini's [Language] Portico; null: no file
  int registry_number;          // PORTICO_LANGUAGE; -1: no value
  bool volume_accepts;          // the stick's volume answers the private code
  const char* shown;            // the tag of the file whose texts show
  bool no_data_folder = false;  // a file named Vaultine stands in its place
};

// [LocaleID] 0411=0409 makes automatic mode take 0409.cfg; [Language]
// Portico=1 is a stick default that names another language than the UI's.
#define TO_ENGLISH "[LocaleID]\r\n0411=0409\r\n"
#define DEFAULT(n) "[Language]\r\nPortico=" #n "\r\n"
const ChoiceStart kChoiceStarts[] = {
    {"UiLanguageFile", "", nullptr, -1, false, "Japanese"},
    {"StoredFileName", "", "0409.CFG", -1, false, "English"},
    // A stored value means the stick's default isn't asked.
    {"StoredAuto", TO_ENGLISH DEFAULT(2), "Auto", -1, false, "English"},
    {"StoredDigit", "", "1", -1, false, "English"},
    // 4 is automatic, not language 4 (0409.cfg).
    {"StoredFour", DEFAULT(1), "4", -1, false, "Japanese"},
    {"StoredUnlistedName", DEFAULT(1), "0c04.cfg", -1, false, "Japanese"},
    {"StoredNonDigit", DEFAULT(1), "x", -1, false, "Japanese"},
    // A number that isn't the user's choice is taken for the UI language's file only.
    {"StickDefaultNamesTheUiFile", TO_ENGLISH DEFAULT(2), nullptr, -1, false, "Japanese"},
    {"StickDefaultNamesAnother", DEFAULT(1), nullptr, -1, false, "Index"},
    {"StickDefaultNegative", DEFAULT(-2), nullptr, -1, false, "Index"},
    // A number too long for its File key names no file: automatic.
    // (A key cut to 7 characters would name the UI's file.)
    {"StickDefaultOfEightDigits", "1000000=0411.cfg\r\n" TO_ENGLISH DEFAULT(10000001), nullptr, -1,
     false, "English"},
    // The UI language's file whatever the letter case of its File entry.
    {"StickDefaultNamesTheUiFileInCapitals", "5=0411.CFG\r\n" TO_ENGLISH DEFAULT(5), nullptr, -1,
     false, "Japanese"},
    {"RegistryNumberNamesTheUiFileInCapitals", "5=0411.CFG\r\n" TO_ENGLISH, nullptr, 5, true,
     "Japanese"},
    // No data folder: automatic, whatever the stick or the registry says.
    {"NoDataFolderStickDefault", TO_ENGLISH DEFAULT(2), nullptr, -1, false, "English", true},
    {"NoDataFolderVolumeAnswers", TO_ENGLISH, nullptr, 2, true, "English", true},
    {"VolumeAnswersRegistryNumber", TO_ENGLISH DEFAULT(1), nullptr, 2, true, "Japanese"},
    {"VolumeAnswersNoRegistryValue", DEFAULT(1), nullptr, -1, true, "Japanese"},
    // The registry only for an answering volume and nothing stored.
    {"VolumeRefusesRegistryNumber", DEFAULT(1), nullptr, 2, false, "Index"},
    {"StoredBeatsAnAnsweringVolume", "", "1", 2, true, "English"},
    // A number that names no File key is automatic; one beyond a gap isn't.
    {"StoredDigitBeyondTheKeys", TO_ENGLISH, "5", -1, false, "English"},
    {"StickDefaultBeyondTheKeys", TO_ENGLISH DEFAULT(5), nullptr, -1, false, "English"},
    {"RegistryNumberBeyondTheKeys", TO_ENGLISH, nullptr, 5, true, "English"},
    {"StickDefaultBeyondAGap", "6=0411.cfg\r\n" TO_ENGLISH DEFAULT(6), nullptr, -1, false,
     "Japanese"},
    // A listed file that isn't on the stick.
    {"StoredFileMissing", "", "0804.cfg", -1, false, "Index"},
    {"LocaleIdMapping", TO_ENGLISH, nullptr, -1, false, "English"},
    {"MappedFileMissing", "[LocaleID]\r\n0411=0c04\r\n", nullptr, -1, false, "Index"},
};
#undef TO_ENGLISH
#undef DEFAULT

class LanguageTest : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    ASSERT_EQ(::GetUserDefaultUILanguage(), kUiLanguage)
        << "the suite needs the Unix locale ja_JP.UTF-8 (LC_ALL, LOCPATH)";
    // The gate refuses Windows 2000: every start ends with message 519.
    ASSERT_TRUE(SetWineVersion(L"win2k"));
  }

  // Writes |files| into the stick's .cfg folder (none: no folder).
  static void WriteStickFiles(const std::vector<StickFile>& files) {
    if (files.empty())
      return;
    ASSERT_TRUE(::CreateDirectoryW((StickRoot() + L".cfg").c_str(), nullptr));
    for (const StickFile& file : files)
      ASSERT_TRUE(WriteText(StickRoot() + L".cfg\\" + file.name, file.text)) << Narrow(file.name);
  }

  // A fresh data folder, with Detacher.ini's [Language] Portico=|stored|
  // (null: no file).
  static void StoreChoice(const char* stored) {
    RemoveTree(ProductDataFolder());
    if (stored) {
      ASSERT_TRUE(::CreateDirectoryW(ProductDataFolder().c_str(), nullptr));
      ASSERT_TRUE(WriteText(ProductDataFolder() + L"\\Detacher.ini",
                            std::string("[Language]\r\nPortico=") + stored + "\r\n"));
    }
  }

  // Starts the launcher and returns its one message box.
  static MessageBoxSeen OneBox(RunOptions options = RunOptions()) {
    RunResult r = RunLauncher(options);
    EXPECT_TRUE(r.Ended()) << r.Describe();
    EXPECT_EQ(r.boxes.size(), 1u) << r.Describe();
    return r.boxes.empty() ? MessageBoxSeen() : r.boxes[0];
  }

  ScopedDataFolderAside data_folder_;
  ScopedRegistryValueRestore registry_number_{HKEY_CURRENT_USER, L"Software\\Vaultine",
                                              L"PORTICO_LANGUAGE"};
};

TEST_F(LanguageTest, EachChoiceShowsItsFile) {
  for (const ChoiceStart& c : kChoiceStarts) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ClearStick() && !InstallLauncherOnStick().empty());
    WriteStickFiles({{L"Language.cfg",
                      "[File]\r\n1=0409.cfg\r\n2=0411.cfg\r\n3=0804.cfg\r\n"
                      "4=0409.cfg\r\n" +
                          std::string(c.index_extra) + TaggedTexts("Index")},
                     {L"0409.cfg", TaggedTexts("English")},
                     {L"0411.cfg", TaggedTexts("Japanese")}});
    StoreChoice(c.stored);
    if (c.no_data_folder) {
      ASSERT_TRUE(WriteText(ProductDataFolder(), "not a folder"));
    }
    RegistryValue number;
    if (c.registry_number >= 0) {
      number.present = true;
      number.type = REG_DWORD;
      number.data = {static_cast<BYTE>(c.registry_number), 0, 0, 0};
    }
    ASSERT_TRUE(
        WriteRegistryValue(HKEY_CURRENT_USER, L"Software\\Vaultine", L"PORTICO_LANGUAGE", number));
    RunOptions options;
    options.environment = {{L"QUILLON_TEST_VOLUME_CONTROL", c.volume_accepts ? L"1" : L"0"}};
    MessageBoxSeen box = OneBox(options);
    EXPECT_EQ(Narrow(box.caption), c.shown);
    EXPECT_EQ(Narrow(box.text), std::string(c.shown) + " winver");
  }
}

// The sample stick with its pseudo-translation (stick_check pseudo: File key
// 4, 0501.cfg). Chosen in the dialog, or where LocaleID sends the UI
// language, a start shows its texts; as the stick's default it names another
// file than the UI language's, so Language.cfg's texts show.
TEST_F(LanguageTest, PseudoTranslationOfTheSampleStick) {
  const struct Case {
    const char* name;
    const char* stored;    // Detacher.ini's [Language] Portico; null: no file
    const wchar_t* entry;  // "section", "key", "value" set in Language.cfg; null: none
    bool pseudo;
  } cases[] = {
      {"ChosenInTheDialog", "0501.cfg", nullptr, true},
      {"LocaleIdSendsTheUiLanguageThere", nullptr,
       L"LocaleID\0"
       L"0411\0"
       L"0501",
       true},
      {"StickDefaultIsNotTheUiLanguage", nullptr,
       L"Language\0Portico\0"
       L"4",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ClearStick() && !InstallLauncherOnStick().empty());
    ASSERT_TRUE(CopySampleStick(StickRoot())) << "QUILLON_SAMPLE_STICK";
    ASSERT_EQ(RunProgram(ProgramFolder() + L"stick_check.exe", L"pseudo " + StickRoot()), 0);
    if (c.entry) {
      const wchar_t* key = c.entry + std::wcslen(c.entry) + 1;
      ASSERT_TRUE(::WritePrivateProfileStringW(c.entry, key, key + std::wcslen(key) + 1,
                                               (StickRoot() + L".cfg\\Language.cfg").c_str()));
    }
    StoreChoice(c.stored);
    MessageBoxSeen box = OneBox();
    EXPECT_EQ(box.caption, c.pseudo ? L"[Våûĺţîñé語字 !!!]" : L"Vaultine");
    EXPECT_EQ(box.text, c.pseudo ? L"[Ţĥîš véŕšîöñ öƒ Wîñðöwš îš ñöţ šûþþöŕţéð.語字 !!! !!! !!! !]"
                                 : L"This version of Windows is not supported.");
  }
}

// What the files' texts become: Language.cfg's section Quillon (null: no .cfg
// folder at all) and the caption and text of message 519.
TEST_F(LanguageTest, TextsAsTheFilesGiveThem) {
  struct Case {
    const char* name;
    const char* quillon_section;
    const wchar_t* caption;
    const wchar_t* text;
  } cases[] = {
      {"NoCfgFolder", nullptr, kStringTableCaption, kStringTableWinver},
      {"IndexAlone", "TITLE=Index\r\nERROR_WINVER=Index winver\r\n", L"Index", L"Index winver"},
      {"LineBreak", "TITLE=Index\r\nERROR_WINVER=first\\nsecond\r\n", L"Index", L"first\r\nsecond"},
      {"EmptyValueFallsThrough", "TITLE=Index\r\nERROR_WINVER=\r\n", L"Index", kStringTableWinver},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ClearStick() && !InstallLauncherOnStick().empty());
    if (c.quillon_section)
      WriteStickFiles({{L"Language.cfg", std::string("[Quillon]\r\n") + c.quillon_section}});
    MessageBoxSeen box = OneBox();
    EXPECT_EQ(box.caption, c.caption);
    EXPECT_EQ(box.text, c.text);
  }
}

// A File name too long for its path counts as a missing file: never the file
// that the path cut to 259 characters would name.
TEST_F(LanguageTest, LongFileNameCountsAsMissing) {
  const std::string name = "0409" + std::string(251, 'x');
  WriteStickFiles({{L"Language.cfg", "[File]\r\n1=" + name + "\r\n" + TaggedTexts("Index")},
                   // "S:\.cfg\" and 251 characters of the name: 259.
                   {std::wstring(name.begin(), name.begin() + 251), TaggedTexts("Cut")}});
  ::CreateDirectoryW(ProductDataFolder().c_str(), nullptr);
  ASSERT_TRUE(WriteText(ProductDataFolder() + L"\\Detacher.ini", "[Language]\r\nPortico=1\r\n"));
  EXPECT_EQ(OneBox().caption, L"Index");
}

// A padded key of the key table (655's) names the same entry as the file's
// unpadded one.
TEST_F(LanguageTest, PaddedKeyReadsTheFilesEntry) {
  WriteStickFiles({{L"Language.cfg", "[Quillon]\r\nERROR_VT6=Another disk is running\r\n"}});
  MutexHolder previous_generation({L"_OstrelVT_Mutex"});
  ASSERT_TRUE(previous_generation.holding());
  EXPECT_EQ(OneBox().text, L"Another disk is running");
}

// Texts longer than their buffers are cut to fit: 1,023 characters of a
// message, 31 of the caption.
TEST_F(LanguageTest, LongValuesAreCutToFit) {
  std::string long_text;
  for (int i = 0; i < 3000; ++i)
    long_text += static_cast<char>('a' + i % 26);
  WriteStickFiles({{L"Language.cfg", "[Quillon]\r\nTITLE=" + long_text.substr(0, 40) +
                                         "\r\nERROR_WINVER=" + long_text + "\r\n"}});
  MessageBoxSeen box = OneBox();
  EXPECT_EQ(Narrow(box.text), long_text.substr(0, 1023));
  EXPECT_EQ(Narrow(box.caption), long_text.substr(0, 31));
}

// A language file in UTF-16LE with its byte-order mark: Japanese text shown
// exactly.
TEST_F(LanguageTest, Utf16FileShowsJapaneseExactly) {
  WriteStickFiles({{L"Language.cfg", "[File]\r\n1=0411.cfg\r\n"}});
  const std::wstring caption = L"ヴォールティン";
  const std::wstring text = L"このバージョンのWindowsには対応していません。";
  ASSERT_TRUE(WriteUtf16(StickRoot() + L".cfg\\0411.cfg",
                         L"[Quillon]\r\nTITLE=" + caption + L"\r\nERROR_WINVER=" + text + L"\r\n"));
  MessageBoxSeen box = OneBox();
  EXPECT_EQ(box.caption, caption);
  EXPECT_EQ(box.text, text);
}

}  // namespace
}  // namespace quillon::helpers
