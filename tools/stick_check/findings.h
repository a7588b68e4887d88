// What the stick checker found: one line per finding, naming the file, the
// section and the key, and what the user sees because of it.
#ifndef QUILLON_TOOLS_STICK_CHECK_FINDINGS_H_
#define QUILLON_TOOLS_STICK_CHECK_FINDINGS_H_

#include <string>
#include <vector>

namespace stick_check {

enum Severity { kError, kWarning, kNote };

struct Finding {
  Severity severity;
  std::wstring file;     // relative to the stick's root: .cfg\0409.cfg
  std::wstring section;  // empty for the file as a whole
  std::wstring key;      // empty for a whole section or file
  std::wstring text;     // what is wrong and what the user sees instead
};

using Findings = std::vector<Finding>;

// "error: .cfg\0409.cfg [Quillon] TITLE: text".
std::wstring FormatFinding(const Finding& finding);

// True when any finding is an error.
bool HasErrors(const Findings& findings);

// |text| in double quotes, cut to |limit| characters with "..." and line
// breaks shown as \n, for quoting a value inside a finding.
std::wstring Quote(const std::wstring& text, size_t limit = 60);

// The known name nearest to |name| (edit distance, ignoring ASCII case), or
// empty when none is within a third of the name's length (at least 2).
std::wstring NearestName(const std::wstring& name, const std::vector<std::wstring>& known);

// |text| as UTF-8.
std::string ToUtf8(const std::wstring& text);

}  // namespace stick_check

#endif  // QUILLON_TOOLS_STICK_CHECK_FINDINGS_H_
