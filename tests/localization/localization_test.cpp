#include <windows.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "localization/language_files.h"
#include "localization/language_list.h"
#include "localization/locale_setting.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::Narrow;
using helpers::ScopedDataFolderAside;
using helpers::TempDir;
using helpers::WriteText;

TEST(LocaleSettingTest, ThreeCodesInAnyCaseSetTheThreadLocale) {
  struct Case {
    const char* value;   // null: no key
    LCID thread_locale;  // after ApplyLocaleSettingFrom; 0: unchanged
  } cases[] = {
      {"JP", 0x0411}, {"jp", 0x0411}, {"Jp", 0x0411}, {"EN", 0x0409}, {"sc", 0x0804},
      {"JA", 0},      {"JPN", 0},     {"", 0},        {nullptr, 0},
  };
  TempDir dir;
  const std::wstring settings = dir.Join(L"Quillon.ini");
  // The language-neutral Japanese locale, not Japan's.
  EXPECT_EQ(LocaleForCode(L"jP"), 0x0011u);
  const LCID before = ::GetThreadLocale();
  for (const Case& c : cases) {
    // A locale that none of the codes sets, to see whether the call changed it.
    ASSERT_TRUE(::SetThreadLocale(0x0407));
    ASSERT_TRUE(WriteText(settings, c.value
                                        ? std::string("[Locale]\r\nLanguage=") + c.value + "\r\n"
                                        : "[Locale]\r\n"));
    ApplyLocaleSettingFrom(settings.c_str());
    // The language-neutral Japanese locale 0x0011 reads back as 0x0411.
    EXPECT_EQ(::GetThreadLocale(), c.thread_locale ? c.thread_locale : 0x0407u)
        << (c.value ? c.value : "no key");
  }
  ::SetThreadLocale(before);
}

TEST(HexLanguageIdTest, LeadingHexDigitsCutTo16Bits) {
  struct Case {
    const wchar_t* text;
    WORD id;
  } cases[] = {
      {L"0411.cfg", 0x0411},  {L"0c04.cfg", 0x0c04}, {L"0C04", 0x0c04},
      {L"  404", 0x0404},     {L"+409", 0x0409},     {L"-1", 0xFFFF},
      {L"12345", 0x2345},     {L"x0411.cfg", 0},     {L"", 0},
      {L"fffff0409", 0x0409},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HexLanguageId(c.text), c.id) << Narrow(c.text);
}

class LanguageListTest : public ::testing::Test {
 protected:
  LanguageList ListOf(const std::string& file_section) {
    EXPECT_TRUE(WriteText(index_, "[File]\r\n" + file_section));
    return BuildLanguageList(index_.c_str());
  }
  TempDir dir_;
  std::wstring index_ = dir_.Join(L"Language.cfg");
};

TEST_F(LanguageListTest, TheRunOfFileKeysEndsAtTheFirstGap) {
  EXPECT_EQ(ListOf("1=0411.cfg\r\n2=0409.cfg\r\n4=0804.cfg\r\n").size(), 2u);
  EXPECT_EQ(ListOf("1=\r\n2=0409.cfg\r\n").size(), 0u);
  EXPECT_EQ(BuildLanguageList(dir_.Join(L"missing.cfg").c_str()).size(), 0u);
}

// A name that two entries share shows the country; one that occurs once
// shows alone; an unknown LANGID gets its digits.
TEST_F(LanguageListTest, DisplayNames) {
  LanguageList list = ListOf("1=0409.cfg\r\n2=0411.cfg\r\n3=0809.cfg\r\n4=0bad.cfg\r\n");
  ASSERT_EQ(list.size(), 4u);
  EXPECT_STREQ(list[0].displayName, L"English - United States");
  EXPECT_STREQ(list[1].displayName, L"Japanese");
  EXPECT_STREQ(list[2].displayName, L"English - United Kingdom");
  EXPECT_STREQ(list[3].displayName, L"0bad");
  EXPECT_EQ(list[2].langId, 0x0809);
  EXPECT_STREQ(list[2].fileName, L"0809.cfg");
  EXPECT_TRUE(SharesLanguageName(list, 0));
  EXPECT_FALSE(SharesLanguageName(list, 1));
}

// The list from the section's one read is the list that the one-key reads of
// 1, 2, 3 ... give, read as the platform reads them: the first of a key wins,
// quotes, blanks, cut values, comments, later sections of the same name.
TEST_F(LanguageListTest, SameAsTheOneKeyReads) {
  const std::string n127(127, 'n');
  const std::string n128(128, 'n');
  const std::string files[] = {
      "[File]\r\n1=0411.cfg\r\n1=0409.cfg\r\n2=0804.cfg\r\n",
      "[File]\r\n1=\"0411.cfg\"\r\n2='0409.cfg'\r\n3=\"0804.cfg\r\n4=0c04.cfg\"\r\n5='x\"\r\n6="
      "\"\"\r\n",
      "[File]\r\n1=\"\r\n2=0409.cfg\r\n",
      "[File]\r\n  1  =  0411 x.cfg  \r\n\t2\t=0409.cfg\r\n3 =   \r\n4=0804.cfg\r\n",
      "[File]\r\n01=0411.cfg\r\n+1=0409.cfg\r\n1=0804.cfg\r\n2\r\n2=0409.cfg\r\n",
      "[File]\r\n;1=0411.cfg\r\n1=0409.cfg=x\r\n2=0804.cfg\r\n99999999999=0411.cfg\r\n",
      "[File]\r\n1=" + n127 + "\r\n2=" + n128 + "\r\n3=\"" + n127 + "\"\r\n4=\"" + n128 +
          "\"\r\n5=\"" + n127.substr(1) + "\"\r\n",
      "[File]\r\n1=0411.cfg\r\n[Other]\r\n2=0409.cfg\r\n[file]\r\n2=0804.cfg\r\n3=0c04.cfg\r\n",
      "1=0411.cfg\r\n[Quillon]\r\n1=0409.cfg\r\n",
      "[ File ]\r\n1=0411.cfg\r\n",
  };
  for (const std::string& file : files) {
    ASSERT_TRUE(WriteText(index_, file));
    std::vector<std::wstring> expected;
    for (int k = 1;; ++k) {
      wchar_t name[128] = {};
      ::GetPrivateProfileStringW(L"File", std::to_wstring(k).c_str(), L"", name, 128,
                                 index_.c_str());
      if (name[0] == L'\0')
        break;
      expected.push_back(name);
    }
    std::vector<std::wstring> names;
    for (const LanguageEntry& entry : BuildLanguageList(index_.c_str()))
      names.push_back(entry.fileName);
    EXPECT_EQ(names, expected) << file;
  }
  const std::wstring utf16 = L"[File]\r\n1=0411 \u65e5\u672c.cfg\r\n1=x\r\n2=\"0409.cfg\"\r\n";
  ASSERT_TRUE(helpers::WriteUtf16(index_, utf16));
  LanguageList list = BuildLanguageList(index_.c_str());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[0].fileName, L"0411 \u65e5\u672c.cfg");
  EXPECT_STREQ(list[1].fileName, L"0409.cfg");
}

// The File section is read in one go into a buffer that starts at 32,768
// characters, whose read gives at most 32,766 of them: a section of exactly
// that many (a whole section and a cut one then read alike), one and two
// characters more, and one that takes several growths are each read to their
// last entry, which a stored choice may name.
TEST_F(LanguageListTest, LongSectionsAreReadToTheirLastEntry) {
  for (size_t characters : {32765u, 32766u, 32767u, 32768u, 300000u}) {
    // Entries k=0409_k.cfg, each with its terminator, after a line "0=x..."
    // (no entry) that brings the section to exactly |characters|.
    std::string entries;
    size_t count = 0;
    size_t length = 3;  // of the section: "0=" and the terminator so far
    std::string last;
    for (;;) {
      const std::string n = std::to_string(count + 1);
      const std::string name = "0409_" + n + ".cfg";
      if (length + n.size() + name.size() + 2 > characters)
        break;
      entries += n + "=" + name + "\r\n";
      length += n.size() + name.size() + 2;
      last = name;
      ++count;
    }
    const size_t filler = characters - length;
    ASSERT_TRUE(WriteText(index_, "[File]\r\n0=" + std::string(filler, 'x') + "\r\n" + entries));
    std::vector<wchar_t> section(characters + 2);
    ASSERT_EQ(::GetPrivateProfileSectionW(L"File", section.data(),
                                          static_cast<DWORD>(section.size()), index_.c_str()),
              characters);
    LanguageList list = BuildLanguageList(index_.c_str());
    ASSERT_EQ(list.size(), count) << characters;
    EXPECT_EQ(Narrow(list.back().fileName), last) << characters;
    EXPECT_EQ(FindLanguageFile(index_.c_str(), list.back().fileName), count) << characters;
  }
}

// The program-folder mode reads the index beside the program.
TEST(ResolveLanguageFileTest, FolderModeReadsTheIndexBesideTheProgram) {
  ScopedDataFolderAside data_folder;
  TempDir dir;
  const std::wstring folder = dir.Path() + L"\\";
  ASSERT_TRUE(::CreateDirectoryW(dir.Join(L".cfg").c_str(), nullptr));
  wchar_t ui_file[16];
  ::wsprintfW(ui_file, L"%04x.cfg", ::GetUserDefaultUILanguage());
  ASSERT_TRUE(WriteText(dir.Join(L".cfg\\Language.cfg"), "[Quillon]\r\n"));
  ASSERT_TRUE(WriteText(dir.Join(L".cfg\\") + ui_file, "[Quillon]\r\n"));
  const std::wstring root_index = folder.substr(0, 1) + L":\\.cfg\\Language.cfg";

  PathBuffer out;
  ResolveLanguageFile(folder.c_str(), &out, 0);
  EXPECT_EQ(std::wstring(out.Get()), folder + L".cfg\\" + ui_file);
  ResolveLanguageFile(folder.c_str(), &out, 1);
  EXPECT_EQ(std::wstring(out.Get()), root_index);
}

}  // namespace
}  // namespace quillon
