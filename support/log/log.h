// The launcher's diagnostic log: <data folder>\<program name>.log, UTF-16LE
// without a byte-order mark, one time-stamped line per call. Logging never
// fails visibly; lines that can't be written are lost.
#ifndef QUILLON_SUPPORT_LOG_LOG_H_
#define QUILLON_SUPPORT_LOG_LOG_H_

#include <windows.h>

namespace quillon {

// Builds the log path, starts a fresh log file (truncating the previous run's)
// and writes the header line. False only when the path can't be built (no data
// folder or own path, or a log path longer than 259 characters, which is never
// cut); true once the path is set, even when the file can't be created.
bool OpenLog();

// Appends one line: "[YYYYMMDD-hhmmss]" followed by the formatted message and
// CR LF. Opens the log first when needed. A message longer than 1021
// characters is cut to fit.
void WriteLog(const wchar_t* format, ...);

// The log path, empty while the log is not opened.
const wchar_t* LogFilePath();

// Forgets the log path so that the next line opens (truncates) the log anew.
// For tests only.
void ResetLogForTesting();

}  // namespace quillon

#endif  // QUILLON_SUPPORT_LOG_LOG_H_
