// Helpers of the payload tests: the streams made at build time, the per-user
// data folder, and the header fields of a payload stream.
#ifndef QUILLON_TESTS_DEPLOY_DEPLOY_FIXTURES_H_
#define QUILLON_TESTS_DEPLOY_DEPLOY_FIXTURES_H_

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "support/scoped_override.h"
#include "support/sleep.h"

namespace quillon::helpers {

// <program folder>deploy_fixtures\<name>: streams and samples made by the build.
std::wstring FixturePath(const std::wstring& name);
// The bytes of a fixture; adds a test failure (and returns nothing) when it is missing.
std::vector<unsigned char> ReadFixture(const std::wstring& name);

// Names of the files whose name starts with "UAS" in the per-user data folder.
std::set<std::wstring> TempFilesInDataFolder();

// Header fields of a payload stream (which must hold at least 13 bytes).
void SetProperties(std::vector<unsigned char>* stream, unsigned char properties);
void SetDictionarySize(std::vector<unsigned char>* stream, uint32_t size);
void SetUncompressedSize(std::vector<unsigned char>* stream, uint64_t size);
uint32_t DictionarySizeOf(const std::vector<unsigned char>& stream);
uint64_t UncompressedSizeOf(const std::vector<unsigned char>& stream);
constexpr uint64_t kUnknownSize = UINT64_MAX;

// Counts the retry sleeps while it lives, and sleeps none of them. One at a time.
class RetrySleepCounter {
 public:
  RetrySleepCounter();
  ~RetrySleepCounter();
  RetrySleepCounter(const RetrySleepCounter&) = delete;
  RetrySleepCounter& operator=(const RetrySleepCounter&) = delete;

  int count() const;
  DWORD total_milliseconds() const;
  // |on_sleep| is called at each sleep with its number (1 for the first).
  void set_on_sleep(void (*on_sleep)(int number));

 private:
  ScopedOverride<RetrySleepHook> scope_;
};

}  // namespace quillon::helpers

#endif  // QUILLON_TESTS_DEPLOY_DEPLOY_FIXTURES_H_
