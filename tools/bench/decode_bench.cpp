// Decodes one payload stream file with DecodePayloadFile and reports how long
// it took and how much the process's peak working set grew meanwhile:
//   decode_bench <stream> <output>
// prints "bytes=<decoded size> seconds=<time> peak_growth=<bytes>" on success.
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "deploy/payload/payload_decoder.h"

namespace {

SIZE_T PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters)))
    return 0;
  return counters.PeakWorkingSetSize;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: decode_bench <stream> <output>\n");
    return 2;
  }
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  const SIZE_T peak_before = PeakWorkingSet();
  ::QueryPerformanceCounter(&start);
  const bool ok = quillon::DecodePayloadFile(argv[1], argv[2]);
  ::QueryPerformanceCounter(&end);
  const SIZE_T peak_after = PeakWorkingSet();
  if (!ok) {
    std::fprintf(stderr, "decode_bench: decoding failed\n");
    return 1;
  }

  WIN32_FILE_ATTRIBUTE_DATA output = {};
  ::GetFileAttributesExW(argv[2], GetFileExInfoStandard, &output);
  const unsigned long long bytes =
      (static_cast<unsigned long long>(output.nFileSizeHigh) << 32) | output.nFileSizeLow;
  const double seconds =
      static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("bytes=%llu seconds=%.6f peak_growth=%llu\n", bytes, seconds,
              static_cast<unsigned long long>(peak_after - peak_before));
  return 0;
}
