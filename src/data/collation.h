// Jet's text comparison: case-insensitive.  Two texts are equal when their
// folded forms are equal, and they sort by their folded forms (code point
// order after folding).  Folding covers Latin (ASCII, Latin-1, Latin
// Extended-A), Greek, Cyrillic and full-width Latin letters.
#ifndef GENERATESHEET_DATA_COLLATION_H_
#define GENERATESHEET_DATA_COLLATION_H_

#include <string>
#include <string_view>

namespace generatesheet {

// `text` (UTF-8) with every letter in its lower-case form.  Bytes that are
// not valid UTF-8 pass through unchanged.
std::string FoldCase(std::string_view text);

// FoldCase(a) == FoldCase(b), without building either.  Folding keeps the
// length in bytes of every character.
bool EqualsFolded(std::string_view a, std::string_view b);

// <0, 0 or >0 as `a` sorts before, equal to or after `b`.
int CompareText(std::string_view a, std::string_view b);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_COLLATION_H_
