#include "autostart/service_ready.h"

namespace quillon {

int ServiceReady = 0;

}  // namespace quillon
