#include "util/score_total.h"

#include <algorithm>

#include "util/error.h"

namespace generatesheet {

namespace {

constexpr __int128 PowerOfTen(int n) {
  __int128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// Totals stay within ±10^20, far inside what __int128 holds at this scale.
constexpr __int128 kLimit = PowerOfTen(20 + 18);

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

void ScoreTotal::Add(std::string_view score, std::string_view question_no, std::string_view what) {
  const auto invalid = [&] {
    return Error("第 " + std::string(question_no) + " 题的" + std::string(what) + "不是有效的数字");
  };
  std::string_view s = Trim(score);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  const size_t point = s.find('.');
  const std::string_view whole = s.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? "" : s.substr(point + 1);
  const auto digits = [](std::string_view d) {
    return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (whole.size() + fraction.size() == 0 || !digits(whole) || !digits(fraction) ||
      fraction.size() > kScale || whole.size() > 20) {
    throw invalid();
  }
  __int128 units = 0;
  for (const char c : whole) units = units * 10 + (c - '0');
  for (const char c : fraction) units = units * 10 + (c - '0');
  units *= PowerOfTen(kScale - static_cast<int>(fraction.size()));
  // Checked before adding: both sides are within ±kLimit, so neither test
  // overflows, while the sum itself could.
  if (negative ? units_ < units - kLimit : units_ > kLimit - units) {
    throw Error("加上第 " + std::string(question_no) + " 题的" + std::string(what) + " " +
                std::string(Trim(score)) + " 后，总和超出可表示的范围（±10^20）");
  }
  units_ += negative ? -units : units;
}

std::string ScoreTotal::ToString() const {
  __int128 magnitude = units_ < 0 ? -units_ : units_;
  const __int128 scale = PowerOfTen(kScale);
  __int128 whole = magnitude / scale;
  __int128 fraction = magnitude % scale;
  std::string text;
  do {
    text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(whole % 10)));
    whole /= 10;
  } while (whole > 0);
  if (fraction > 0) {
    std::string digits(kScale, '0');
    for (int i = kScale - 1; i >= 0; --i) {
      digits[static_cast<size_t>(i)] = static_cast<char>('0' + static_cast<int>(fraction % 10));
      fraction /= 10;
    }
    digits.erase(digits.find_last_not_of('0') + 1);
    text += "." + digits;
  }
  return units_ < 0 ? "-" + text : text;
}

}  // namespace generatesheet
