// Base64 with the standard alphabet and padding (RFC 4648, section 4): the
// ciphertext of sealed values, file names in a manifest, a public key's PEM
// and the bytes passed to and from the browser.  Decoding is strict.  It
// goes by table rather than through libsodium's decoder, which takes the
// same time whatever the text: only secrets need that, and none of these is.
#ifndef GENERATESHEET_UTIL_BASE64_H_
#define GENERATESHEET_UTIL_BASE64_H_

#include <string>
#include <string_view>
#include <vector>

namespace generatesheet {

// The base64 text of `bytes`, padded with "=".
std::string EncodeBase64(std::string_view bytes);
std::string EncodeBase64(const unsigned char* bytes, size_t size);

// Decodes all of `text` into *bytes.  False (leaving *bytes unspecified)
// when any of it is not base64: a character outside the alphabet, missing
// or misplaced padding, or bits left over in the last character.
bool DecodeBase64(std::string_view text, std::vector<unsigned char>* bytes);
bool DecodeBase64(std::string_view text, std::string* bytes);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_BASE64_H_
