#include "generatesheet/version.h"

namespace generatesheet {

const char* Version() { return GENERATESHEET_VERSION; }

}  // namespace generatesheet
