// The Ed25519 key pair that signs an archive manifest (format:
// doc/archive-manifest.md).  The secret key file holds the 32-byte seed in
// hex under a header line, like the master key file; the public key file
// beside it (FILE.pub) is the standard PEM form (RFC 8410), so other
// programs (openssl, Python) read it as it is.
#ifndef GENERATESHEET_TOOLS_ARCHIVE_SIGNING_KEY_H_
#define GENERATESHEET_TOOLS_ARCHIVE_SIGNING_KEY_H_

#include <array>
#include <string>

namespace generatesheet::cli {

using SigningPublicKey = std::array<unsigned char, 32>;

// The file beside a secret key file that holds its public key.
std::string PublicKeyPathFor(const std::string& secret_key_path);

// Writes a new key pair: the secret key to `path` (mode 0600) and the public
// key to PublicKeyPathFor(path).  Refuses to replace either file when it
// exists; throws Error naming the file.
void WriteNewSigningKeyPair(const std::string& path);

// The detached Ed25519 signature (64 bytes) of `message` with the secret key
// in the file at `path`, and the public key that checks it.  Throws Error
// naming the file when it is not a signing key.
std::string SignWithKeyFile(const std::string& path, const std::string& message,
                            SigningPublicKey& public_key);

// Reads a public key file (PEM, as WriteNewSigningKeyPair writes it);
// throws Error naming the file.
SigningPublicKey ReadSigningPublicKey(const std::string& path);

// Whether `signature` is a valid signature of `message` by `public_key`.
bool SignatureMatches(const std::string& message, const std::string& signature,
                      const SigningPublicKey& public_key);

// Lowercase hex of `size` bytes.
std::string Hex(const unsigned char* data, size_t size);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_ARCHIVE_SIGNING_KEY_H_
