// Strict base64 (the standard alphabet, padding required) for ciphertext.
// libsodium's decoder takes the same time whatever the text, which only
// secrets need; sealed values are not secret, so this one goes by table.
#ifndef GENERATESHEET_DATA_BASE64_H_
#define GENERATESHEET_DATA_BASE64_H_

#include <string_view>
#include <vector>

namespace generatesheet {

// Decodes all of `text` into *bytes.  False (leaving *bytes unspecified)
// when any of it is not base64: a character outside the alphabet, missing
// or misplaced padding, or bits left over in the last character.
bool DecodeBase64(std::string_view text, std::vector<unsigned char>* bytes);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_BASE64_H_
