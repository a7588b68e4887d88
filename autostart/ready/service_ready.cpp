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

}  // namespace quillon
