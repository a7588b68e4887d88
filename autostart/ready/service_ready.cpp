#include "autostart/ready/service_ready.h"

namespace quillon {
namespace {
bool g_service_ready = false;
}  // namespace

bool ServiceReady() {
  return g_service_ready;
}

void SetServiceReady(bool ready) {
  g_service_ready = ready;
}

ScopedServiceReadyForTesting::ScopedServiceReadyForTesting(bool ready)
    : previous_(g_service_ready) {
  g_service_ready = ready;
}

ScopedServiceReadyForTesting::~ScopedServiceReadyForTesting() {
  g_service_ready = previous_;
}

}  // namespace quillon
