// Internal helpers shared by the cipher's source files.  Not part of the
// public interface.
#ifndef GENERATESHEET_DATA_MASTER_KEY_H_
#define GENERATESHEET_DATA_MASTER_KEY_H_

namespace generatesheet {

// Initialises libsodium once per process; throws Error if it cannot.  Safe
// to call from several threads and as often as needed.
void EnsureSodiumReady();

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_MASTER_KEY_H_
