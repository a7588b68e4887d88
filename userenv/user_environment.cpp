// Placeholder until the user environment settings land.
#include "userenv/user_environment.h"

namespace quillon {

void PublishUserEnvironment() {}

}  // namespace quillon
