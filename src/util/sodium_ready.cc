#include "util/sodium_ready.h"

#include <sodium.h>

#include "util/error.h"

namespace generatesheet {

void EnsureSodiumReady() {
  static const int status = sodium_init();  // thread-safe static initialisation
  if (status < 0) throw Error("无法初始化加密库 libsodium");
}

}  // namespace generatesheet
