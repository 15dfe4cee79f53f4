// The Levenshtein distance between two sequences, for the "did you mean"
// hints the program gives on a misspelt option or manifest column.
#ifndef GENERATESHEET_UTIL_EDIT_DISTANCE_H_
#define GENERATESHEET_UTIL_EDIT_DISTANCE_H_

#include <algorithm>
#include <cstddef>
#include <vector>

namespace generatesheet {

// Edits (insert, remove, replace an element) that turn `a` into `b`; any
// sequences of comparable elements (std::string, std::u32string, vectors).
template <typename Sequence>
size_t EditDistance(const Sequence& a, const Sequence& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_EDIT_DISTANCE_H_
