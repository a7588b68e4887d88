// Placeholder until the deployment plan lands: reports success.
#include "deploy/plan.h"

namespace quillon {

UINT DeployComponents() { return 501; }

}  // namespace quillon
