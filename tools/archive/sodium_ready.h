// libsodium's one-time start, before the archive's hashes and signatures.
#ifndef GENERATESHEET_TOOLS_ARCHIVE_SODIUM_READY_H_
#define GENERATESHEET_TOOLS_ARCHIVE_SODIUM_READY_H_

namespace generatesheet::cli {

// Initialises libsodium once per process; throws Error if it cannot.  Safe
// to call from several threads and as often as needed.
void EnsureSodiumReady();

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_ARCHIVE_SODIUM_READY_H_
