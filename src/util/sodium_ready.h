// libsodium's one-time start, before the first key, hash or signature.
#ifndef GENERATESHEET_UTIL_SODIUM_READY_H_
#define GENERATESHEET_UTIL_SODIUM_READY_H_

namespace generatesheet {

// Initialises libsodium once per process; throws Error if it cannot.  Safe
// to call from several threads and as often as needed.
void EnsureSodiumReady();

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_SODIUM_READY_H_
