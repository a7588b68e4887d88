// Whether a current background service is installed and running, and whether
// it understands the launcher's version-check request. Every failure answers
// false; nothing is shown or logged here.
#ifndef QUILLON_SERVICE_SERVICE_PROBE_H_
#define QUILLON_SERVICE_SERVICE_PROBE_H_

namespace quillon {

// True when the installed service program exists and its ProductVersion has
// a first number of at least 7 and a fourth of at least 24. The program is
// "TORVA\Swiftgate\OstrelVTService.exe" in the Program Files folder of this
// program's bitness: the 32-bit one for the 32-bit launcher on 64-bit Windows.
bool IsServiceProgramCurrent();

// True when the service's pipe opens (waiting up to 60 s while it is busy)
// and IsServiceProgramCurrent holds. The conversation is the closing message
// alone.
bool ProbeService();

// True when the service gives a framed answer to the version-check request,
// "OK" or "NG" with any code; false when the conversation fails.
bool QueryVersionCheck();

// ProbeService's answer (the service is ready); |version_command_accepted| is
// QueryVersionCheck's answer when the service is ready, and false (without a
// request) when it isn't. So a ready service is asked twice, on two
// connections.
bool ProbeServiceState(bool* version_command_accepted);

}  // namespace quillon

#endif  // QUILLON_SERVICE_SERVICE_PROBE_H_
