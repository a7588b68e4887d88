// The stick checker on sticks with known faults: each fault's finding, and
// the boundaries of the launcher's buffers.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/helpers/test_files.h"
#include "tools/stick_check/pseudo.h"

namespace quillon::helpers {
namespace {

// Every key that a start shows, with a short text that fits everywhere.
const std::vector<std::pair<std::wstring, std::wstring>>& CompleteTexts() {
  static const std::vector<std::pair<std::wstring, std::wstring>> texts = {
      {L"TITLE", L"Vaultine"},
      {L"BUTTON_OK", L"OK"},
      {L"BUTTON_CANCEL", L"Cancel"},
      {L"BUTTON_YES", L"Yes"},
      {L"BUTTON_NO", L"No"},
      {L"ERROR_OTHER", L"Error."},
      {L"ERROR_WINVER", L"Windows too old."},
      {L"ERROR_ACOUNT", L"Limited account."},
      {L"ERROR_STICK_ENROL", L"Old Swiftgate."},
      {L"UPDATE_STICK_ENROL", L"Update it?"},
      {L"WAIT_CANNOT", L"The stick is busy."},
      {L"WAIT_KILLPROCESS", L"Close it?"},
      {L"SETUP_SWIFTGATE", L"Set up Swiftgate?"},
      {L"NO_MESSAGE", L"Don't ask again."},
      {L"360CHECK_MSG", L"360 found."},
      {L"AVASTCHECK_MSG", L"Avast found."},
      {L"AVASTCHECK_SKIP", L"Don't warn again."},
      {L"AVASTCHECK_IGNORE", L"Ignore"},
      {L"AVASTCHECK_ABORT", L"Stop"},
      {L"CHECK_VERSION", L"Check"},
      {L"STEWARDRY_EXIST", L"Stewardry runs."},
      {L"ERROR_SKIP_SETUP", L"Set up first."},
      {L"ERROR_VT6", L"Old disk runs."},
      {L"CONFERA_EXIST", L"Confera runs."},
      {L"LANGUAGE", L"Language"},
      {L"ERROR_721", L"Not written."},
      {L"ERROR_732", L"Not started."}};
  return texts;
}

// A [Quillon] section of every text, with |changes| applied: a new value for
// a key, or the key dropped when the value is the single character \x01.
std::wstring QuillonSection(
    const std::vector<std::pair<std::wstring, std::wstring>>& changes = {}) {
  std::wstring section = L"[Quillon]\r\n";
  for (auto text : CompleteTexts()) {
    for (const auto& change : changes) {
      if (change.first == text.first)
        text.second = change.second;
    }
    if (text.second != L"\x01")
      section += text.first + L"=" + text.second + L"\r\n";
  }
  for (const auto& change : changes) {
    bool known = false;
    for (const auto& text : CompleteTexts())
      known = known || text.first == change.first;
    if (!known)
      section += change.first + L"=" + change.second + L"\r\n";
  }
  return section;
}

// A stick in a temporary folder and the checker's answer on it.
class Stick {
 public:
  void Utf16(const std::wstring& name, const std::wstring& text) {
    ASSERT_TRUE(WriteUtf16(dir_.Join(L".cfg\\" + name), text));
  }
  void Bytes(const std::wstring& name, const std::string& bytes) {
    ASSERT_TRUE(WriteText(dir_.Join(L".cfg\\" + name), bytes));
  }
  // Runs the checker; its exit code, the lines in output_.
  int Check() { return Run(L"check"); }
  // Runs stick_check |verb| on the stick, as Check.
  int Run(const wchar_t* verb) {
    const std::wstring out = dir_.Join(L"findings.txt");
    const int code =
        RunProgram(ProgramFolder() + L"stick_check.exe",
                   std::wstring(verb) + L" \"" + dir_.Path() + L"\" --out \"" + out + L"\"");
    std::vector<unsigned char> bytes;
    ReadBytes(out, &bytes);
    output_.assign(bytes.begin(), bytes.end());
    return code;
  }
  // The lines that hold every fragment, in order.
  std::vector<std::string> Lines(const std::vector<std::string>& fragments) const {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < output_.size()) {
      size_t end = output_.find('\n', start);
      if (end == std::string::npos)
        end = output_.size();
      const std::string line = output_.substr(start, end - start);
      bool all = true;
      for (const std::string& fragment : fragments)
        all = all && line.find(fragment) != std::string::npos;
      if (all)
        lines.push_back(line);
      start = end + 1;
    }
    return lines;
  }
  // True when one line holds every fragment.
  bool Says(const std::vector<std::string>& fragments) const { return !Lines(fragments).empty(); }
  const std::string& output() const { return output_; }
  std::string Read(const std::wstring& name) const {
    std::vector<unsigned char> bytes;
    ReadBytes(dir_.Join(L".cfg\\" + name), &bytes);
    return std::string(bytes.begin(), bytes.end());
  }
  const std::wstring& Root() const { return dir_.Path(); }

  Stick() { ::CreateDirectoryW(dir_.Join(L".cfg").c_str(), nullptr); }

 private:
  TempDir dir_;
  std::string output_;
};

const std::wstring kOneLanguage = L"[File]\r\n1=0409.cfg\r\n";

TEST(StickCheckTest, CompleteStickHasNoErrors) {
  Stick stick;
  stick.Utf16(L"Language.cfg", kOneLanguage + QuillonSection());
  stick.Utf16(L"0409.cfg", QuillonSection());
  EXPECT_EQ(stick.Check(), 0) << stick.output();
  EXPECT_TRUE(stick.Says({"0 errors, 0 warnings, 1 languages"})) << stick.output();
}

TEST(StickCheckTest, IndexFaults) {
  Stick stick;
  stick.Utf16(L"Language.cfg",
              L"[File]\r\n1=0409_en.cfg\r\n2=0411.cfg\r\n3=english.cfg\r\n4=japanese.cfg\r\n"
              L"6=0804.cfg\r\n"
              L"[LocaleID]\r\n0c04=zz\r\n1004=0404\r\nc04=0409\r\n0804=0x0409\r\n"
              L"[Language]\r\nPortico=5th\r\n" +
                  QuillonSection({{L"SETUP_SWIFTGATE_MSG", L"no"}}));
  stick.Utf16(L"0409_en.cfg", QuillonSection());
  stick.Utf16(L"english.cfg", QuillonSection());
  stick.Utf16(L"japanese.cfg", QuillonSection());
  EXPECT_EQ(stick.Check(), 1);
  const std::vector<std::vector<std::string>> expected = {
      {"warning: .cfg\\Language.cfg [File] 1:", "automatic mode looks for 0409.cfg"},
      {"error: .cfg\\Language.cfg [File] 2:", ".cfg\\0411.cfg is missing"},
      {"error: .cfg\\Language.cfg [File] 3:", "only 1 hexadecimal digit(s): read as LANGID 0x000e"},
      {"error: .cfg\\Language.cfg [File] 4:", "doesn't start with its LANGID"},
      {"error: .cfg\\Language.cfg [File] 6:", "after the gap at key 5"},
      {"error: .cfg\\Language.cfg [LocaleID] 0c04:", "not a LANGID"},
      {"error: .cfg\\Language.cfg [LocaleID] 1004:", "names 0404.cfg, which is not on the stick"},
      {"error: .cfg\\Language.cfg [LocaleID] c04:", "four hexadecimal digits"},
      // The launcher's hexadecimal reading stops at the x.
      {"error: .cfg\\Language.cfg [LocaleID] 0804:", "names 0000.cfg"},
      {"warning: .cfg\\Language.cfg [Language] Portico:", "not a plain number: it reads as 5"},
      {"error: .cfg\\Language.cfg [Language] Portico:", "default 5 names no entry"},
      {"error: .cfg\\Language.cfg [Quillon] SETUP_SWIFTGATE_MSG:", "reads as 0",
       "hides the auto-start set-up question"},
  };
  for (const auto& fragments : expected)
    EXPECT_TRUE(stick.Says(fragments)) << fragments[0] << "\n" << stick.output();
}

TEST(StickCheckTest, LanguageFileFaults) {
  Stick stick;
  stick.Utf16(L"Language.cfg", kOneLanguage + QuillonSection());
  stick.Utf16(L"0409.cfg", QuillonSection({{L"BUTTON_NO", L"\x01"},
                                           {L"BUTTON_YES", L""},
                                           {L"ERROR_732", L"\x01"},
                                           {L"BUTON_OK", L"OK"},
                                           {L"SETUP_SWIFTGATE_MSG", L"0"}}) +
                               L"[Quilon]\r\nTITLE=x\r\n");
  EXPECT_EQ(stick.Check(), 1);
  const std::vector<std::vector<std::string>> expected = {
      {"error: .cfg\\0409.cfg [Quillon] BUTTON_NO: missing", u8"program's own text \"いいえ(RC)\""},
      {"error: .cfg\\0409.cfg [Quillon] BUTTON_YES: empty", u8"\"はい(RC)\""},
      {"error: .cfg\\0409.cfg [Quillon] ERROR_732: missing", "generic error text \"Error.(732)\""},
      {"warning: .cfg\\0409.cfg [Quillon] BUTON_OK:", "did you mean BUTTON_OK?"},
      {"warning: .cfg\\0409.cfg [Quillon] SETUP_SWIFTGATE_MSG:", "read only from Language.cfg"},
      {"warning: .cfg\\0409.cfg [Quilon]:", "did you mean [Quillon]?"},
  };
  for (const auto& fragments : expected)
    EXPECT_TRUE(stick.Says(fragments)) << fragments[0] << "\n" << stick.output();
}

// The launcher's buffers: 2,048 characters per value, 1,024 per message
// text, 32 for the caption, 256 for VT_Parameter.
TEST(StickCheckTest, LengthBoundaries) {
  Stick stick;
  stick.Utf16(L"Language.cfg", kOneLanguage + QuillonSection());
  stick.Utf16(L"0409.cfg", QuillonSection({{L"ERROR_OTHER", std::wstring(2047, L'a')},
                                           {L"ERROR_WINVER", std::wstring(2048, L'b')},
                                           {L"ERROR_VT6", std::wstring(1023, L'c')},
                                           {L"CONFERA_EXIST", std::wstring(1024, L'd')},
                                           {L"TITLE", std::wstring(31, L'e')},
                                           {L"NO_MESSAGE", std::wstring(1024, L'n')},
                                           {L"CHECK_VERSION", std::wstring(256, L'v')},
                                           {L"LANGUAGE", L"Sprache"}}));
  stick.Bytes(L"Setting.ini", "[Quillon]\r\nVT_Parameter=" + std::string(256, 'p') +
                                  "\r\nVersion_check=Disabled\r\nAutoUpdateURI=x\r\n");
  EXPECT_EQ(stick.Check(), 1);
  EXPECT_TRUE(stick.Says({"ERROR_WINVER: 2048 characters: only the first 2,047"}))
      << stick.output();
  EXPECT_FALSE(stick.Says({"ERROR_OTHER", "2,047"})) << stick.output();
  EXPECT_TRUE(stick.Says({"ERROR_OTHER: 2047 characters:", "the number is lost"}))
      << stick.output();
  EXPECT_TRUE(stick.Says({"CONFERA_EXIST: 1024 characters: its message box"})) << stick.output();
  EXPECT_FALSE(stick.Says({"ERROR_VT6"})) << stick.output();
  EXPECT_FALSE(stick.Says({"TITLE", "title bar shows"})) << stick.output();
  // The dialogs' texts pass through a message text; the version-check box's
  // label has 511 for CHECK_VERSION, a blank and VT_Parameter (255 here).
  EXPECT_TRUE(stick.Says({"NO_MESSAGE: 1024 characters: a dialog shows only the first 1,023"}))
      << stick.output();
  EXPECT_TRUE(
      stick.Says({"CHECK_VERSION: 256 characters: with a blank and VT_Parameter (255 "
                  "characters) after it, its check box's label passes 511: VT_Parameter's "
                  "end is cut"}))
      << stick.output();
  EXPECT_TRUE(stick.Says({"error: .cfg\\Setting.ini [Quillon] VT_Parameter: 256 characters"}));
  EXPECT_TRUE(stick.Says({"warning: .cfg\\Setting.ini [Quillon] Version_check:", "does nothing"}));
  EXPECT_TRUE(stick.Says({"AutoUpdateURI:", "did you mean AutoUpdateURL?"})) << stick.output();

  Stick at_limit;
  at_limit.Utf16(L"Language.cfg", kOneLanguage + QuillonSection());
  at_limit.Utf16(L"0409.cfg", QuillonSection({{L"TITLE", std::wstring(32, L'e')},
                                              {L"ERROR_OTHER", std::wstring(1018, L'o')},
                                              {L"ERROR_STICK_ENROL", std::wstring(1000, L's')},
                                              {L"NO_MESSAGE", std::wstring(1023, L'n')},
                                              {L"CHECK_VERSION", std::wstring(255, L'v')},
                                              {L"LANGUAGE", std::wstring(248, L'l')},
                                              {L"UPDATE_STICK_ENROL", L"\x01"}}));
  at_limit.Bytes(L"Setting.ini", "[Quillon]\r\nVT_Parameter=" + std::string(255, 'p') + "\r\n");
  EXPECT_EQ(at_limit.Check(), 1);
  EXPECT_TRUE(at_limit.Says({"TITLE: 32 characters: every title bar shows the first 31"}));
  EXPECT_FALSE(at_limit.Says({"VT_Parameter: 2"})) << at_limit.output();
  EXPECT_FALSE(at_limit.Says({"ERROR_OTHER: 1018"})) << at_limit.output();
  EXPECT_FALSE(at_limit.Says({"characters: a dialog shows"})) << at_limit.output();
  // One more than 1,018 and the generic text's number is cut.
  Stick over;
  over.Utf16(L"Language.cfg", kOneLanguage + QuillonSection());
  over.Utf16(L"0409.cfg", QuillonSection({{L"ERROR_OTHER", std::wstring(1019, L'o')},
                                          {L"LANGUAGE", std::wstring(249, L'l')}}));
  EXPECT_EQ(over.Check(), 1);
  EXPECT_TRUE(over.Says({"ERROR_OTHER: 1019 characters:", "the number is lost"})) << over.output();
  // The language link's label, "<a>%s</a>", has 255.
  EXPECT_TRUE(
      over.Says({"LANGUAGE: 249 characters: its link, \"<a>...</a>\" around it, holds "
                 "255 characters: the link's end is cut"}))
      << over.output();
  // The question joins 556 with the string table's 588 when the file lacks it.
  EXPECT_TRUE(at_limit.Says({"UPDATE_STICK_ENROL: the update question", "has 1033 characters"}))
      << at_limit.output();
}

TEST(StickCheckTest, EncodingWithoutByteOrderMark) {
  Stick stick;
  stick.Utf16(L"Language.cfg", L"[File]\r\n1=0409.cfg\r\n2=0411.cfg\r\n" + QuillonSection());
  // Latin-1 bytes in an ANSI file, UTF-8 with its mark in another.
  stick.Bytes(L"0409.cfg", "[Quillon]\r\nERROR_OTHER=Erreur \xE9tendue\r\n");
  stick.Bytes(L"0411.cfg",
              "\xEF\xBB\xBF[Quillon]\r\nBUTTON_NO=\xE3\x81\x84\xE3\x81\x84\xE3\x81\x88\r\n");
  EXPECT_EQ(stick.Check(), 1);
  EXPECT_TRUE(
      stick.Says({"error: .cfg\\0409.cfg [Quillon] ERROR_OTHER: non-ASCII text in a file "
                  "without a UTF-16LE byte-order mark"}))
      << stick.output();
  EXPECT_TRUE(stick.Says({".cfg\\0411.cfg [Quillon] BUTTON_NO:", "(it has UTF-8's)"}))
      << stick.output();
  EXPECT_TRUE(stick.Says({"error: .cfg\\0411.cfg: saved as UTF-8 with its byte-order mark"}))
      << stick.output();
}

TEST(StickCheckTest, TextsThatDontFitTheirControls) {
  std::wstring long_warning;
  for (int i = 0; i < 30; ++i)
    long_warning += L"antivirus ";
  Stick stick;
  stick.Utf16(L"Language.cfg", kOneLanguage + QuillonSection());
  stick.Utf16(L"0409.cfg", QuillonSection({{L"AVASTCHECK_MSG", long_warning},
                                           {L"360CHECK_MSG", long_warning},
                                           {L"BUTTON_YES", L"Yes, set it up for me now"},
                                           {L"NO_MESSAGE",
                                            L"Never show this question again on this PC, nor on "
                                            L"any other PC where this stick is used"},
                                           {L"TITLE", L"Vaultine Content Protection Suite"}}));
  EXPECT_EQ(stick.Check(), 1);
  const std::vector<std::vector<std::string>> expected = {
      {"AVASTCHECK_MSG: does not fit control 1002 of the Avast warning (258): needs",
       "has room for", "198 x 32 units"},
      {"360CHECK_MSG: does not fit control 1002 of the 360 warning (258)"},
      {"BUTTON_YES: does not fit control 1 of the Set-up question", "its end is cut off"},
      {"NO_MESSAGE: does not fit control 1001 of the Set-up question"},
      {"TITLE: 33 characters: every title bar shows the first 31"},
  };
  for (const auto& fragments : expected)
    EXPECT_TRUE(stick.Says(fragments)) << fragments[0] << "\n" << stick.output();
  // Short texts in the same file fit.
  EXPECT_FALSE(stick.Says({"BUTTON_NO: does not fit"})) << stick.output();
}

// The pseudo-translation of one text. Rows with an expected text pin it;
// the others pin its length.
TEST(PseudoTextTest, Rules) {
  const struct Case {
    const char* name;
    std::wstring text;
    size_t limit;
    std::wstring expected;
    size_t size;
  } cases[] = {
      {"Empty", L"", 2047, L"", 0},
      {"OneLetterGrowsByThree", L"a", 2047, L"[å語]", 4},
      {"AccentOnlyWhereTheFontHasOne", L"OK", 2047, L"[ÖK語]", 5},
      {"TenCharactersDouble", L"Yes, do it", 2047, L"[Ýéš, ðö îţ語字 !!! !]", 20},
      {"ElevenGrowAsMuchAsTen", L"Yes, do it!", 2047, L"[Ýéš, ðö îţ!語字 !!! !]", 21},
      {"Twenty", std::wstring(20, L'x'), 2047, L"", 36},
      {"Thirty", std::wstring(30, L'x'), 2047, L"", 48},
      {"LongTextsGrowByTwoFifths", std::wstring(100, L'x'), 2047, L"", 140},
      {"EveryLetter", L"abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ", 2047,
       L"[åbçðéƒĝĥîjkĺmñöþqŕšţûvwxýž ÅBÇÐÉFĜĤÎJKĹMÑÖÞQŔŠŢÛVWXÝŽ語字 !!! !!! !!! !!! !]", 75},
      {"SpecifiersAndLineBreaksStay", L"%s of %d files\\n%1.1s: 100%% %ls", 2047,
       L"[%s öƒ %d ƒîĺéš\\n%1.1s: 100%% %ls語字 !!! !!! !!! !]", 50},
      {"SpecifierAlone", L"%s", 2047, L"[%s語]", 5},
      {"OverTheTitleLimitCutInside", L"Vaultine Content Protection", 31,
       L"[Våûĺţîñé Çöñţéñţ Þŕöţéçţîöñ語字!]", 32},
      {"AtTheTitleLimit", std::wstring(31, L'x'), 31, L"[" + std::wstring(30, L'x') + L"]", 32},
      {"AtTheMessageBoxLimit", std::wstring(1023, L'x'), 1023, L"", 1024},
      {"AtTheValueLimit", std::wstring(2047, L'x'), 2047, L"", 2048},
      {"AboveTheTitleLimit", std::wstring(32, L'x'), 31, L"[" + std::wstring(30, L'x') + L"]", 32},
      {"AboveTheMessageTextLimit", std::wstring(1024, L'x'), 1023,
       L"[" + std::wstring(1022, L'x') + L"]", 1024},
      {"AboveTheValueLimit", std::wstring(2048, L'x'), 2047, L"[" + std::wstring(2046, L'x') + L"]",
       2048},
      // Grown to exactly the limit: whole.
      {"WholeAtTheTitleLimit", std::wstring(17, L'x'), 31,
       L"[" + std::wstring(17, L'x') + L"語字 !!! !!! !]", 31},
      {"WholeAtTheGenericTextLimit", std::wstring(727, L'x'), 1018, L"", 1018},
      {"WholeAtTheValueLimit", std::wstring(1462, L'x'), 2047, L"", 2047},
      {"CutBeforeASpecifier", std::wstring(27, L'x') + L"%1.1s", 31,
       L"[" + std::wstring(27, L'x') + L"!!!]", 32},
      {"CutBeforeALineBreak", std::wstring(29, L'x') + L"\\n", 31,
       L"[" + std::wstring(29, L'x') + L"!]", 32},
      {"CutBeforeASurrogatePair", std::wstring(29, L'x') + L"\U0001F600", 31,
       L"[" + std::wstring(29, L'x') + L"!]", 32},
  };
  for (const Case& c : cases) {
    const std::wstring pseudo = stick_check::PseudoText(c.text, c.limit);
    SCOPED_TRACE(std::string(c.name) + ": \"" + Narrow(c.text.substr(0, 60)) + "\" -> \"" +
                 Narrow(pseudo.substr(0, 80)) + "\"");
    if (!c.expected.empty() || c.text.empty()) {
      EXPECT_EQ(pseudo, c.expected);
    }
    EXPECT_EQ(pseudo.size(), c.size);
    if (!c.text.empty()) {
      EXPECT_TRUE(pseudo.front() == L'[' && pseudo.back() == L']');
    }
  }
}

// |ascii| as UTF-16LE code units, without a byte-order mark.
std::string Utf16Units(const std::string& ascii) {
  std::string units;
  for (char c : ascii)
    units += std::string(1, c) + '\0';
  return units;
}

// The pseudo-translation of the sample stick: its file, its one line in
// Language.cfg, what the checker finds in it, and a second run refused.
TEST(StickCheckTest, PseudoTranslationOfTheSampleStick) {
  Stick stick;
  ASSERT_TRUE(CopySampleStick(stick.Root())) << "QUILLON_SAMPLE_STICK";
  std::string index = stick.Read(L"Language.cfg");
  // Replaced by a new file, Language.cfg stays hidden.
  const std::wstring index_path = stick.Root() + L"\\.cfg\\Language.cfg";
  ASSERT_TRUE(::SetFileAttributesW(index_path.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_EQ(stick.Run(L"pseudo"), 0) << stick.output();
  EXPECT_NE(::GetFileAttributesW(index_path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  const std::string last = Utf16Units("3=0804.cfg\r\n");
  ASSERT_NE(index.find(last), std::string::npos);
  index.insert(index.find(last) + last.size(), Utf16Units("4=0501.cfg\r\n"));
  EXPECT_EQ(stick.Read(L"Language.cfg"), index);
  EXPECT_EQ(stick.Read(L"0501.cfg").substr(0, 24), "\xFF\xFE" + Utf16Units("[Quillon]\r\n"));

  EXPECT_EQ(stick.Check(), 1);
  // Each finding that names the pseudo-translation, in order.
  const std::vector<std::string> pinned = {
      "error: .cfg\\Language.cfg [File] 4: \"0501.cfg\" is the pseudo-translation",
      "error: .cfg\\0501.cfg [Quillon] BUTTON_CANCEL: does not fit control 2 of the Wait window",
      "error: .cfg\\0501.cfg [Quillon] LANGUAGE: does not fit control 1004 of the Set-up question "
      "with version check",
      "error: .cfg\\0501.cfg [Quillon] AVASTCHECK_IGNORE: does not fit control 1 of the Avast",
      "error: .cfg\\0501.cfg [Quillon] BUTTON_CANCEL: does not fit control 2 of the Language",
  };
  const std::vector<std::string> lines = stick.Lines({"0501"});
  ASSERT_EQ(lines.size(), pinned.size()) << stick.output();
  for (size_t i = 0; i < pinned.size(); ++i)
    EXPECT_EQ(lines[i].compare(0, pinned[i].size(), pinned[i]), 0) << lines[i];

  const std::string written = stick.Read(L"Language.cfg");
  EXPECT_EQ(stick.Run(L"pseudo"), 1);
  EXPECT_TRUE(stick.Says({"pseudo: refused: .cfg\\0501.cfg is on the stick already"}))
      << stick.output();
  EXPECT_EQ(stick.Read(L"Language.cfg"), written);
}

// Where the pseudo-translation's line goes in Language.cfg (ANSI here), and
// the sticks that are refused, untouched.
TEST(StickCheckTest, PseudoTranslationFileRun) {
  using namespace std::string_literals;
  const struct Case {
    const char* name;
    std::string index;  // empty: no Language.cfg
    bool own_file;      // a 0501.cfg on the stick
    int code;
    std::string after;  // Language.cfg as written, or the refusal
    // The pseudo-translation's TITLE, from Language.cfg or the string table,
    // cut for the title bar; its ERROR_ACOUNT from the string table's two
    // lines and ERROR_721 from the generic text, shown with its number.
    const wchar_t* title = L"[x語]";
    // Lengths of other texts, cut where a start would cut them.
    std::vector<std::pair<const wchar_t*, size_t>> sizes = {};
    std::string setting = "";  // Setting.ini
  } cases[] = {
      {"NoIndex", "", false, 0, "\xFF\xFE" + Utf16Units("[File]\r\n1=0501.cfg\r\n"),
       L"[Våûĺţîñé(ŔÇ)語字 !!! !]"},
      {"SectionInTheMiddle",
       "[Quillon]\r\nTITLE=Vaultine Content Protection\r\n[ file ]\r\n"
       "1=0409.cfg\r\n\r\n[LocaleID]\r\n",
       false, 0,
       "[Quillon]\r\nTITLE=Vaultine Content Protection\r\n[ file ]\r\n1=0409.cfg\r\n2=0501.cfg\r\n"
       "\r\n[LocaleID]\r\n",
       L"[Våûĺţîñé Çöñţéñţ Þŕöţéçţîöñ語字!]"},
      {"LineFeedsWithoutALastOne", "[File]\n1=0409.cfg", false, 0,
       "[File]\n1=0409.cfg\n2=0501.cfg\n", L"[Våûĺţîñé(ŔÇ)語字 !!! !]"},
      {"NoFileSection", "[Quillon]\r\nTITLE=x", false, 0,
       "[Quillon]\r\nTITLE=x\r\n[File]\r\n1=0501.cfg\r\n"},
      {"LabelLimits",
       "[Quillon]\r\nLANGUAGE=" + std::string(300, 'x') + "\r\nNO_MESSAGE=" +
           std::string(1500, 'x') + "\r\nAVASTCHECK_MSG=" + std::string(1500, 'x') +
           "\r\nCHECK_VERSION=" + std::string(600, 'x') + "\r\n",
       false,
       0,
       "[Quillon]\r\nLANGUAGE=" + std::string(300, 'x') + "\r\nNO_MESSAGE=" +
           std::string(1500, 'x') + "\r\nAVASTCHECK_MSG=" + std::string(1500, 'x') +
           "\r\nCHECK_VERSION=" + std::string(600, 'x') + "\r\n[File]\r\n1=0501.cfg\r\n",
       L"[Våûĺţîñé(ŔÇ)語字 !!! !]",
       {{L"LANGUAGE", 249},
        {L"NO_MESSAGE", 1024},
        {L"AVASTCHECK_MSG", 1024},
        {L"CHECK_VERSION", 501}},
       "[Quillon]\r\nVT_Parameter=pppppppppp\r\n"},
      {"KeysTheLauncherNeverReads",
       "[File]\r\n1=0409.cfg\r\n04=0804.cfg\r\n-1=0411.cfg\r\n+2=x\r\n12345678=x\r\n", false, 0,
       "[File]\r\n1=0409.cfg\r\n04=0804.cfg\r\n-1=0411.cfg\r\n+2=x\r\n12345678=x\r\n2=0501.cfg\r\n",
       L"[Våûĺţîñé(ŔÇ)語字 !!! !]"},
      // A default of -1 reads the key -1.
      {"MinusOneNamesIt", "[File]\r\n1=0409.cfg\r\n-1=0501.cfg\r\n", false, 1,
       "refused: .cfg\\Language.cfg [File] -1 names \"0501.cfg\", a language file of the "
       "pseudo-translation's LANGID. The pseudo-translation is written anew"},
      {"ListedAfterAGap", "[File]\r\n1=0409.cfg\r\n3=0501.cfg\r\n", false, 1,
       "refused: .cfg\\Language.cfg [File] 3 names \"0501.cfg\", a language file of the "
       "pseudo-translation's LANGID. The pseudo-translation is written anew"},
      {"KeyAfterAGap", "[File]\r\n1=0409.cfg\r\n3=0804.cfg\r\n", false, 1,
       "refused: .cfg\\Language.cfg [File] has key 3 where the run of languages has ended (at 2)"},
      // The profile functions read a key without its blanks.
      {"BlankBeforeAKeyAfterTheRun", "[File]\r\n1=0409.cfg\r\n 3=0804.cfg\r\n", false, 1,
       "[File] has key 3 where the run of languages has ended (at 2)"},
      {"EmptyKeyEndsTheRun", "[File]\r\n1=0409.cfg\r\n2=\r\n", false, 1,
       "refused: .cfg\\Language.cfg [File] 2 is empty, which ends the run of languages"},
      {"DefaultNamesTheNewKey", "[File]\r\n1=0409.cfg\r\n[Language]\r\nPortico=2\r\n", false, 1,
       "refused: .cfg\\Language.cfg [Language] Portico: the stick's default 2 names no language, "
       "so users get automatic mode; listed as [File] 2, the pseudo-translation would become"},
      {"DefaultAfterTheNewKey", "[File]\r\n1=0409.cfg\r\n[Language]\r\nPortico=3\r\n", false, 0,
       "[File]\r\n1=0409.cfg\r\n2=0501.cfg\r\n[Language]\r\nPortico=3\r\n",
       L"[Våûĺţîñé(ŔÇ)語字 !!! !]"},
      {"OwnFileUnlisted", "[File]\r\n1=0409.cfg\r\n", true, 1,
       "refused: .cfg\\0501.cfg is on the stick already. The pseudo-translation is written anew"},
      {"IndexTooLargeToRead", "[File]\r\n1=0409.cfg\r\n;" + std::string(4 << 20, ';'), false, 1,
       "refused: .cfg\\Language.cfg can't be read whole"},
      {"BigEndianIndex", "\xFE\xFF\0"s + Utf16Units("[File]\r\n1=0409.cfg\r\n"), false, 1,
       "refused: .cfg\\Language.cfg is saved as UTF-16BE"},
      {"Utf8MarkedIndex", "\xEF\xBB\xBF[File]\r\n1=0409.cfg\r\n", false, 1,
       "refused: .cfg\\Language.cfg is saved as UTF-8 with its byte-order mark"},
      {"OddSizedUtf16Index", "\xFF\xFE" + Utf16Units("[File]\r\n1=0409.cfg\r\n") + "\n", false, 1,
       "refused: .cfg\\Language.cfg is UTF-16LE with an odd number of bytes"},
      // A section header without its bracket is no header to the profile
      // functions: the line isn't read back, and Language.cfg is put back.
      {"ReadBackInVain", "[Quillon]\r\nTITLE=x\r\n[File\r\n", false, 2,
       "pseudo: couldn't write .cfg\\0501.cfg or list it in Language.cfg"},
      {"LocaleIdSendsUsersThere", "[File]\r\n1=0409.cfg\r\n[LocaleID]\r\n0409=0501\r\n", false, 1,
       "refused: .cfg\\Language.cfg [LocaleID] 0409 sends users"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Stick stick;
    if (!c.index.empty())
      stick.Bytes(L"Language.cfg", c.index);
    if (c.own_file)
      stick.Bytes(L"0501.cfg", "[Quillon]\r\nTITLE=own\r\n");
    if (!c.setting.empty())
      stick.Bytes(L"Setting.ini", c.setting);
    EXPECT_EQ(stick.Run(L"pseudo"), c.code) << stick.output();
    // Nothing else in .cfg: no temporary file left.
    EXPECT_EQ(ListFilesBelow(stick.Root() + L"\\.cfg").size(),
              size_t{c.code == 0 ? 2u : 1u} + c.own_file + !c.setting.empty());
    if (c.code == 0) {
      EXPECT_EQ(stick.Read(L"Language.cfg"), c.after);
      const std::wstring file = stick.Root() + L"\\.cfg\\0501.cfg";
      wchar_t text[128] = {};
      ::GetPrivateProfileStringW(L"Quillon", L"TITLE", L"", text, 128, file.c_str());
      EXPECT_EQ(std::wstring(text), c.title);
      ::GetPrivateProfileStringW(L"Quillon", L"ERROR_721", L"", text, 128, file.c_str());
      EXPECT_EQ(std::wstring(text), L"[Šömé éŕŕöŕš öççûŕŕéð.(ŔÇ)(721)語字 !!! !!! !!! !]");
      ::GetPrivateProfileStringW(L"Quillon", L"ERROR_ACOUNT", L"", text, 128, file.c_str());
      EXPECT_EQ(std::wstring(text),
                L"[Éŕŕöŕ\\n\\nÎţ îš ñöţ ţŕéåţåbĺé îñ Ĺîmîţéð åçöûñţ.(ŔÇ)語字 !!! !!! !!! !!!!]");
      for (const auto& [key, size] : c.sizes) {
        std::wstring value(4096, L'\0');
        value.resize(
            ::GetPrivateProfileStringW(L"Quillon", key, L"", &value[0], 4096, file.c_str()));
        ASSERT_EQ(value.size(), size) << Narrow(key);
      }
      continue;
    }
    EXPECT_TRUE(stick.Says({c.after})) << stick.output();
    // The refusal's advice only where the stick has the pseudo-translation.
    EXPECT_EQ(stick.Says({"written anew"}), c.after.find("written anew") != std::string::npos);
    EXPECT_EQ(stick.Read(L"Language.cfg"), c.index);
    EXPECT_EQ(stick.Read(L"0501.cfg").empty(), !c.own_file);
  }
}

}  // namespace
}  // namespace quillon::helpers
