// The pseudo-translation of a stick: a language file whose texts are the
// stick's own made longer, accented and bracketed, so that the checker and
// the gallery show which texts would overflow or be cut in a longer language
// before anyone has translated one. It is for the people who make sticks,
// never for users.
#ifndef QUILLON_TOOLS_STICK_CHECK_PSEUDO_H_
#define QUILLON_TOOLS_STICK_CHECK_PSEUDO_H_

#include <cstddef>
#include <string>

namespace stick_check {

// Windows' pseudo-locale qps-ploc, which no real language uses; the file is
// 0501.cfg.
constexpr unsigned kPseudoLanguageId = 0x0501;

// |text|, a language file's value ("\n" written as its two characters),
// pseudo-translated:
//  - Latin letters become the accented look-alikes that the dialogs' font
//    has (a -> å, e -> é, ...; it has none for b j k m q v w x and
//    B F J K M Q V W X, which stay);
//  - format specifiers (%s, %d, %1.1s, %ls, %%, ...) and "\n" stay exactly as
//    they are, so a text still formats with the same arguments;
//  - after the text come two wide (CJK) characters and " !!!" repeated, so
//    that the result, with its brackets, grows by 100 % of the text's length
//    up to 10 characters, 80 % up to 20, 60 % up to 30 and 40 % beyond, by
//    at least 3 characters and never by less than a shorter text;
//  - "[" before, "]" after; a blank before the "]" becomes "!".
// An empty text stays empty. The result has at most |limit| + 1 characters
// (|limit| at least 2): a longer one is cut inside its brackets, never within
// a specifier, a "\n" or a surrogate pair (filled up with "!"), so that where
// |limit| is the most that is shown whole, it is one character too long and
// still ends with "]".
std::wstring PseudoText(const std::wstring& text, size_t limit);

// True when |file_name| (a File value such as 0501.cfg) begins with the
// pseudo-translation's LANGID, as the launcher reads a LANGID from a name.
bool IsPseudoLanguage(const std::wstring& file_name);

// Writes the pseudo-translation into the stick whose root is |root| (a full
// path ending with a backslash): .cfg\0501.cfg, UTF-16LE with its byte-order
// mark, with every key that a start shows, made from the stick's fallback
// text (Language.cfg's, else the string table's, else the generic text that a
// start shows) and cut to what a start shows whole (TextLimit, with the
// stick's VT_Parameter); then the line "N=0501.cfg" as the next key N of the
// File run in Language.cfg, in that file's encoding and line ends, every
// other byte unchanged (a missing Language.cfg is made with the File section
// alone). Language.cfg is replaced in one step by a file written beside it.
// Refuses a stick that already uses the LANGID (a File key or a LocaleID
// value naming it, or a 0501.cfg of its own), whose File section has keys
// from N on (as the launcher reads keys: "%d", so 04 or -1 never count), whose
// default number ([Language] Portico) is N, or whose Language.cfg can't be
// read whole or is UTF-16BE, UTF-8 with a byte-order mark or UTF-16LE of an
// odd size. Returns 0 when written, 1 when refused, 2 when a file couldn't be
// written (Language.cfg is then as it was, and neither 0501.cfg, a temporary
// file nor a .cfg folder made for them is left); |message| says which and
// why. Uses the current language file, which is empty again after.
int MakePseudoLanguage(const std::wstring& root, std::wstring* message);

}  // namespace stick_check

#endif  // QUILLON_TOOLS_STICK_CHECK_PSEUDO_H_
