#include "tests/deploy/deploy_fixtures.h"

#include <gtest/gtest.h>

#include "deploy/folders/folders.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {
namespace {

int g_sleep_count = 0;
DWORD g_sleep_total = 0;
void (*g_on_sleep)(int) = nullptr;

void CountSleep(DWORD milliseconds) {
  ++g_sleep_count;
  g_sleep_total += milliseconds;
  if (g_on_sleep)
    g_on_sleep(g_sleep_count);
}

}  // namespace

std::wstring FixturePath(const std::wstring& name) {
  return ProgramFolder() + L"deploy_fixtures\\" + name;
}

std::vector<unsigned char> ReadFixture(const std::wstring& name) {
  std::vector<unsigned char> bytes;
  if (!ReadBytes(FixturePath(name), &bytes)) {
    ADD_FAILURE() << "fixture missing (build the target deploy_fixtures): " << Narrow(name);
  }
  return bytes;
}

std::set<std::wstring> TempFilesInDataFolder() {
  std::set<std::wstring> names;
  std::wstring folder = ShortDataFolder();
  if (folder.empty())
    return names;
  for (const std::wstring& name : ListFilesBelow(folder)) {
    if (name.compare(0, 3, L"UAS") == 0)
      names.insert(name);
  }
  return names;
}

void SetProperties(std::vector<unsigned char>* stream, unsigned char properties) {
  (*stream)[0] = properties;
}

void SetDictionarySize(std::vector<unsigned char>* stream, uint32_t size) {
  for (int i = 0; i < 4; ++i)
    (*stream)[1 + i] = static_cast<unsigned char>(size >> (8 * i));
}

void SetUncompressedSize(std::vector<unsigned char>* stream, uint64_t size) {
  for (int i = 0; i < 8; ++i)
    (*stream)[5 + i] = static_cast<unsigned char>(size >> (8 * i));
}

uint32_t DictionarySizeOf(const std::vector<unsigned char>& stream) {
  uint32_t size = 0;
  for (int i = 3; i >= 0; --i)
    size = (size << 8) | stream[1 + i];
  return size;
}

uint64_t UncompressedSizeOf(const std::vector<unsigned char>& stream) {
  uint64_t size = 0;
  for (int i = 7; i >= 0; --i)
    size = (size << 8) | stream[5 + i];
  return size;
}

RetrySleepCounter::RetrySleepCounter() : scope_(g_retry_sleep_for_testing, CountSleep) {
  g_sleep_count = 0;
  g_sleep_total = 0;
  g_on_sleep = nullptr;
}

RetrySleepCounter::~RetrySleepCounter() {
  g_on_sleep = nullptr;
}

int RetrySleepCounter::count() const {
  return g_sleep_count;
}

DWORD RetrySleepCounter::total_milliseconds() const {
  return g_sleep_total;
}

void RetrySleepCounter::set_on_sleep(void (*on_sleep)(int)) {
  g_on_sleep = on_sleep;
}

}  // namespace quillon::helpers
