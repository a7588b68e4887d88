#include "service/service_probe.h"

#include <windows.h>
#include <shlobj.h>

#include "service/frame.h"
#include "service/service_pipe.h"
#include "support/path_buffer.h"
#include "support/version_info.h"

namespace quillon {
namespace {

const wchar_t kServiceProgram[] = L"\\TORVA\\Swiftgate\\OstrelVTService.exe";
constexpr int kMinimumMajor = 7;
constexpr int kMinimumFourth = 24;

}  // namespace

bool IsServiceProgramCurrent() {
  PathBuffer path;
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT,
                                path.Data())) ||
      !path.TakeWritten(path.Length()) || !path.Append(kServiceProgram)) {
    return false;
  }
  if (::GetFileAttributesW(path.Get()) == INVALID_FILE_ATTRIBUTES)
    return false;
  return ProductVersionAtLeast(path.Get(), kMinimumMajor, kMinimumFourth);
}

bool ProbeService() {
  ServicePipe pipe;
  if (!pipe.Connect())
    return false;
  // The presence test is the shortest conversation: whether the service
  // takes the closing message doesn't matter.
  pipe.SendClosingMessage();
  pipe.Close();
  return IsServiceProgramCurrent();
}

bool QueryVersionCheck() {
  char request[kServiceMessageCapacity];
  if (BuildVersionCheckRequest(request, sizeof(request)) == 0)
    return false;
  // Any framed answer, "NG" included, shows that the request was understood.
  ServicePipe pipe;
  return pipe.Exchange(request) != kServiceResultFailed;
}

bool ProbeServiceState(bool* version_command_accepted) {
  const bool ready = ProbeService();
  *version_command_accepted = ready && QueryVersionCheck();
  return ready;
}

}  // namespace quillon
