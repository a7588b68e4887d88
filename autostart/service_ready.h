// Whether the product's background service answered and is current.
#ifndef QUILLON_AUTOSTART_SERVICE_READY_H_
#define QUILLON_AUTOSTART_SERVICE_READY_H_

namespace quillon {

// 0 until the pre-launch gate stores its service probe's answer; 1 when the
// background service answers on its pipe and its installed program is
// current. The deployment reads it.
extern int ServiceReady;

}  // namespace quillon

#endif  // QUILLON_AUTOSTART_SERVICE_READY_H_
