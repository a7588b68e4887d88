// ServiceReady: whether the product's background service answered on its
// pipe and its installed program is current. One process-wide value; the
// pre-launch gate writes it, the deployment reads it.
#ifndef QUILLON_AUTOSTART_READY_SERVICE_READY_H_
#define QUILLON_AUTOSTART_READY_SERVICE_READY_H_

namespace quillon {

// False until the pre-launch gate stores its service probe's answer.
bool ServiceReady();
// Stores the answer of the gate's latest probe.
void SetServiceReady(bool ready);

}  // namespace quillon

#endif  // QUILLON_AUTOSTART_READY_SERVICE_READY_H_
