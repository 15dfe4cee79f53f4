// The exact sum of decrypted scores.  Scores are decimal texts ("1.5",
// "-2", "0.25"); they are added exactly, never through binary floating
// point, and the sum is shown in its shortest decimal form.
#ifndef GENERATESHEET_UTIL_SCORE_TOTAL_H_
#define GENERATESHEET_UTIL_SCORE_TOTAL_H_

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace generatesheet {

class ScoreTotal {
 public:
  // Adds one score: an optional sign, digits and at most one decimal point
  // (at most 18 digits after it), with blanks around it allowed.  Throws
  // Error naming the question (and `what` the score is: "得分", "满分") for
  // any other text, and, before adding, when the total would leave the
  // range this class holds exactly (±10^20).
  void Add(std::string_view score, std::string_view question_no, std::string_view what = "得分");

  // "2.5", "3", "-1", "0".
  std::string ToString() const;

  // Exact comparison, e.g. of an obtained score with the full marks.
  friend auto operator<=>(const ScoreTotal&, const ScoreTotal&) = default;

 private:
  static constexpr int kScale = 18;  // digits after the decimal point
  __int128 units_ = 0;               // the total times 10^kScale
};

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_SCORE_TOTAL_H_
