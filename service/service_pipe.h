// The client of the product's background service on its named pipe
// "\\.\pipe\OstrelVTService_v4": short synchronous conversations of one
// request, one reply and a closing message (service/frame.h has the bytes).
//
//   ServicePipe pipe;
//   unsigned result = pipe.Exchange(request);  // 501, 786 or the service's code
#ifndef QUILLON_SERVICE_SERVICE_PIPE_H_
#define QUILLON_SERVICE_SERVICE_PIPE_H_

#include <windows.h>

#include "support/handles.h"

namespace quillon {

extern const wchar_t kServicePipeName[];

// Owns at most one open handle of the service's pipe; one object serves one
// conversation and closes the pipe when it goes away.
class ServicePipe {
 public:
  ServicePipe() = default;
  ServicePipe(const ServicePipe&) = delete;
  ServicePipe& operator=(const ServicePipe&) = delete;

  // Opens the pipe (closing any pipe held first). While every instance of the
  // pipe is busy, tries again every 100 ms until 60 s have passed since the
  // first try; any other failure (no service listening, access denied) fails
  // at once. False when not connected.
  bool Connect();
  // Closes the pipe if open.
  void Close() { pipe_.Close(); }

  // One write of |count| bytes. True only when all of them were written
  // within 10 s; a write still waiting then (a server that never reads a
  // pipe without buffers) is cancelled.
  bool Send(const char* bytes, DWORD count);
  // The closing message ("END" with the tag), sent as by Send.
  bool SendClosingMessage();
  // One read of up to |capacity| bytes into |buffer|; |received| is set to the
  // number of bytes read (0 when the read fails). True when the read succeeded
  // and the bytes pass the frame check (IsReplyFrame). The reply must arrive
  // whole in this read: nothing is read a second time. No byte within 10 s
  // (a message of no bytes counts as none) is a failed read; until the first
  // byte is there the pipe is looked at as ReplyPollPause says.
  bool Receive(char* buffer, DWORD capacity, DWORD* received);

  // The whole conversation of one request: connect, send |request| (a
  // zero-terminated string of fewer than 1024 bytes, sent without its
  // terminator), receive the reply, send the closing message, close. The
  // closing message always goes out before the reply is interpreted. Returns
  // kServiceResultOk (501) for "OK", the code of an "NG" reply, or
  // kServiceResultFailed (786) when no valid answer came. The pipe is closed
  // afterwards on every path.
  unsigned Exchange(const char* request);

 private:
  PipeHandle pipe_;
};

// The pause before the next look at the pipe for the reply, |waited_us|
// microseconds after the first look: 0 (the processor yielded, no sleep)
// during the first 2 ms, in which a service's reply comes, then 10 ms.
DWORD ReplyPollPause(ULONGLONG waited_us);

// The call that opens the pipe, with CreateFileW's parameters.
using PipeOpenFunction = HANDLE(WINAPI*)(LPCWSTR name,
                                         DWORD access,
                                         DWORD share_mode,
                                         LPSECURITY_ATTRIBUTES security,
                                         DWORD disposition,
                                         DWORD flags,
                                         HANDLE template_file);

// Test seam (support/scoped_override.h), CreateFileW by default. Wine accepts
// and ignores the security-quality-of-service flags of the open, so no server
// can see them there: tests install an open that records the parameters (and
// calls CreateFileW).
extern PipeOpenFunction g_pipe_open_for_testing;

}  // namespace quillon

#endif  // QUILLON_SERVICE_SERVICE_PIPE_H_
