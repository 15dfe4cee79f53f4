// Every figure of the class summary, in every file that holds it —
// summary.json, summary.csv, items.csv, scores.csv, the workbook read back
// by openpyxl and index.html's tables — against the figures worked out here
// from the answers the test gave each student, over the students whose
// scores are known.  First on a class as a school has one (wrong student
// numbers, a missing package, a package of another key, a batch
// interrupted, then resumed; the same class in another order, in shards
// and merged from two folders), then on small classes at the edges of the
// item analysis.
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <numeric>
#include <optional>
#include <set>
#include <thread>

#include "tools/cli_fixture.h"
#include "tools/summary/class_summary.h"
#include "tools/summary_files.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// What the test gave one student on one question.
struct KnownQuestion {
  int number = 0;
  std::string key;  // the standard answer of a choice question; "" for an essay
  double full = 0;
  std::string answer;    // the letter chosen or the essay's text; "" when left blank
  std::string obtained;  // as the package holds it ("2.3")
  bool choice() const { return !key.empty(); }
};

struct KnownStudent {
  std::string id, name, subject, class_name;
  std::vector<KnownQuestion> questions;
};

double Value(const std::string& decimal) { return std::stod(decimal); }

// The total: the scores have at most one decimal, so tenths add exactly.
double Total(const KnownStudent& s) {
  long tenths = 0;
  for (const KnownQuestion& q : s.questions) tenths += std::lround(Value(q.obtained) * 10);
  return static_cast<double>(tenths) / 10;
}

std::string Fixed(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

// A score as the files spell it: "7", "2.3".
std::string Spelled(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

double Mean(const std::vector<double>& x) {
  return std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
}

json Variance(const std::vector<double>& x) {
  if (x.size() < 2) return nullptr;
  const double m = Mean(x);
  double squares = 0;
  for (double v : x) squares += (v - m) * (v - m);
  return squares / static_cast<double>(x.size() - 1);
}

json Correlation(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() < 2) return nullptr;
  const double mx = Mean(x), my = Mean(y);
  double sxy = 0, sxx = 0, syy = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    sxy += (x[i] - mx) * (y[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
    syy += (y[i] - my) * (y[i] - my);
  }
  if (sxx <= 0 || syy <= 0) return nullptr;
  return sxy / std::sqrt(sxx * syy);
}

json Alpha(size_t k, double item_variances, const json& total_variance) {
  if (k < 2 || total_variance.is_null() || total_variance.get<double>() <= 0) return nullptr;
  const double kd = static_cast<double>(k);
  return kd / (kd - 1) * (1 - item_variances / total_variance.get<double>());
}

// Each complete student's place in the group of the `group` highest
// (`upper`) or lowest totals: whole beyond the total at the cut, the places
// left there shared by the students at that total.
std::vector<double> Places(const std::vector<double>& totals, size_t group, bool upper) {
  std::vector<double> places(totals.size(), 0);
  if (group == 0) return places;
  std::vector<double> ranked = totals;
  std::sort(ranked.begin(), ranked.end(),
            [&](double a, double b) { return upper ? a > b : a < b; });
  const double cut = ranked[group - 1];
  double whole = 0, tied = 0;
  for (double t : totals) {
    whole += upper ? t > cut : t < cut;
    tied += t == cut;
  }
  for (size_t j = 0; j < totals.size(); ++j) {
    const bool beyond = upper ? totals[j] > cut : totals[j] < cut;
    places[j] = beyond ? 1 : totals[j] == cut ? (static_cast<double>(group) - whole) / tied : 0;
  }
  return places;
}

const KnownQuestion* QuestionOf(const KnownStudent& s, int number) {
  for (const KnownQuestion& q : s.questions) {
    if (q.number == number) return &q;
  }
  return nullptr;
}

// I_x(a, b) by its series of positive terms,
// x^a(1 − x)^b/(a·B(a, b))·Σ (a + b)ₙ/(a + 1)ₙ·xⁿ, taken where it converges
// fast (x ≤ ½; else 1 − I_{1−x}(b, a)).
double IncompleteBeta(double x, double a, double b) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  if (x > 0.5) return 1 - IncompleteBeta(1 - x, b, a);
  double term = 1, sum = 1;
  for (int n = 1; n < 5000 && term > 1e-18 * sum; ++n) {
    term *= (a + b + n - 1) / (a + n) * x;
    sum += term;
  }
  return std::exp(a * std::log(x) + b * std::log1p(-x) + std::lgamma(a + b) - std::lgamma(a) -
                  std::lgamma(b)) /
         a * sum;
}

// The p quantile of F(d1, d2), by bisection on its distribution function.
double FQuantileByBisection(double p, double d1, double d2) {
  double low = 0, high = 1000;
  for (int i = 0; i < 200; ++i) {
    const double mid = (low + high) / 2;
    const double cdf = IncompleteBeta(d1 * mid / (d1 * mid + d2), d1 / 2, d2 / 2);
    (cdf < p ? low : high) = mid;
  }
  return (low + high) / 2;
}

// The paper's full marks: the most any student's questions give.
double PaperFull(const std::vector<const KnownStudent*>& of) {
  double paper = 0;
  for (const KnownStudent* s : of) {
    double full = 0;
    for (const KnownQuestion& q : s->questions) full += q.full;
    paper = std::max(paper, full);
  }
  return paper;
}

// The value at (n − 1)·p of the ascending `sorted`, interpolated.
double Quartile(const std::vector<double>& sorted, double p) {
  const double at = p * static_cast<double>(sorted.size() - 1);
  const double below = std::floor(at);
  const double low = sorted[static_cast<size_t>(below)];
  const double high = sorted[std::min(static_cast<size_t>(below) + 1, sorted.size() - 1)];
  return low + (at - below) * (high - low);
}

// The section a question is in, as RecordOf names it.
std::string SectionOf(const KnownQuestion& q) {
  return q.choice() ? "一、单选题" : "二、写作（共1小题）：按要求写一篇短文";
}

// Per section of the students `of`, in page order, by short heading: its
// full marks (the year's, `year`, when given), the count and mean of the
// subtotals and the score rate.
json SectionsOf(const std::vector<const KnownStudent*>& of, const json& year = nullptr) {
  json sections = json::array();
  for (const bool choice : {true, false}) {
    double full = 0, sum = 0, count = 0;
    for (const KnownStudent* s : of) {
      double marks = 0, subtotal = 0;
      bool had = false;
      for (const KnownQuestion& q : s->questions) {
        if (q.choice() != choice) continue;
        had = true;
        marks += q.full;
        subtotal += Value(q.obtained);
      }
      full = std::max(full, marks);
      count += had;
      sum += had ? subtotal : 0;
    }
    const std::string label = choice ? "一、单选题" : "二、写作";
    for (const json& y : year.is_null() ? json::array() : year) {
      if (y["label"] == label) full = y["full"].get<double>();
    }
    if (full == 0) continue;
    sections.push_back({{"label", label},
                        {"full", full},
                        {"count", count},
                        {"mean", count > 0 ? json(sum / count) : json(nullptr)},
                        {"score_rate", count > 0 ? json(sum / count / full) : json(nullptr)}});
  }
  return sections;
}

// `text` as a CSV field: quoted, its quotes doubled, where it holds a
// quote, comma or line break.
std::string CsvText(const std::string& text) {
  if (text.find_first_of("\",\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// `text` as HTML shows it as itself.
std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The text the paper gives question `number`: a long first line after
// blank ones (1), markup characters (2), a short line and a second one
// (others).  The package builder stores each as rich text.
std::string StoredText(int number) {
  if (number == 1)
    return "\r\n  "
           "\n\u3000一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二三四五六七八九"
           "十甲乙丙丁戊 \n第二行";
  if (number == 2) return "a<b & \"c\"\n第二行";
  return "题目 " + std::to_string(number) + "\n（第二行不显示）";
}

// What the summary shows of it: the first line that is not blank, trimmed,
// cut to 40 characters and "…".
std::string ShownText(int number) {
  if (number == 1)
    return "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十…";
  if (number == 2) return "a<b & \"c\"";
  return "题目 " + std::to_string(number);
}

// The figures of the students `of` (one subject), as summary.json names
// them; "key_flag" stands for the flag "标准答案可能有误".  The rates are
// against `paper`, the full marks of the year's paper (of `of` when 0).
json FiguresOf(std::vector<const KnownStudent*> of, double paper = 0) {
  std::sort(of.begin(), of.end(),
            [](const KnownStudent* a, const KnownStudent* b) { return a->id < b->id; });
  std::map<int, const KnownQuestion*> columns;
  for (const KnownStudent* s : of) {
    for (const KnownQuestion& q : s->questions) columns.emplace(q.number, &q);
  }
  const size_t k = columns.size();
  std::vector<double> totals;
  std::vector<const KnownStudent*> complete;
  for (const KnownStudent* s : of) {
    totals.push_back(Total(*s));
    if (s->questions.size() == k) complete.push_back(s);
  }
  std::vector<double> sorted = totals;
  std::sort(sorted.begin(), sorted.end());
  const double n = static_cast<double>(totals.size());
  json f = {{"count", totals.size()}, {"complete", complete.size()}};
  for (const char* key : {"mean", "median", "min", "max", "sd", "population_sd", "skewness",
                          "kurtosis", "alpha", "sem"}) {
    f[key] = nullptr;
  }
  if (!totals.empty()) {
    const double mean = Mean(totals);
    const size_t mid = sorted.size() / 2;
    f["mean"] = mean;
    f["median"] = sorted.size() % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
    f["min"] = sorted.front();
    f["max"] = sorted.back();
    double m2 = 0;
    for (double t : totals) m2 += (t - mean) * (t - mean);
    f["population_sd"] = std::sqrt(m2 / n);
    if (totals.size() >= 2 && m2 > 0) {
      const double sd = std::sqrt(m2 / (n - 1));
      f["sd"] = sd;
      double z3 = 0, z4 = 0;
      for (double t : totals) {
        z3 += std::pow((t - mean) / sd, 3);
        z4 += std::pow((t - mean) / sd, 4);
      }
      if (n >= 3) f["skewness"] = n / ((n - 1) * (n - 2)) * z3;
      if (n >= 4) {
        f["kurtosis"] = n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) * z4 -
                        3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3));
      }
    }
  }
  // Reliability and the groups over the complete students.
  const size_t m = complete.size();
  std::vector<double> complete_totals;
  for (const KnownStudent* s : complete) complete_totals.push_back(Total(*s));
  std::map<int, std::vector<double>> item;
  double variances = 0;
  bool right_or_wrong = m > 0;
  for (const auto& [number, first] : columns) {
    for (const KnownStudent* s : complete) {
      const double x = Value(QuestionOf(*s, number)->obtained);
      item[number].push_back(x);
      right_or_wrong = right_or_wrong && (x == 0 || x == first->full);
    }
    const json v = Variance(item[number]);
    variances += v.is_null() ? 0 : v.get<double>();
  }
  const json total_variance = Variance(complete_totals);
  f["alpha"] = Alpha(k, variances, total_variance);
  f["kr20"] = right_or_wrong && !f["alpha"].is_null();
  f["alpha_low"] = nullptr;
  f["alpha_high"] = nullptr;
  if (!f["alpha"].is_null()) {
    f["sem"] = std::sqrt(total_variance.get<double>()) * std::sqrt(1 - f["alpha"].get<double>());
    // Feldt: F with m − 1 and (m − 1)(k − 1) degrees of freedom.
    const double d1 = static_cast<double>(m) - 1, d2 = d1 * (static_cast<double>(k) - 1);
    const double a = f["alpha"].get<double>();
    f["alpha_low"] = 1 - (1 - a) * FQuantileByBisection(0.975, d1, d2);
    f["alpha_high"] = 1 - (1 - a) * FQuantileByBisection(0.025, d1, d2);
  }
  const size_t g =
      m < 2 ? 0
            : std::max<size_t>(
                  1, static_cast<size_t>(std::floor(0.27 * static_cast<double>(m) + 0.5)));
  f["group"] = g;
  const std::vector<double> upper = Places(complete_totals, g, true);
  const std::vector<double> lower = Places(complete_totals, g, false);
  const auto in_group = [&](const std::vector<double>& places, const std::vector<double>& x) {
    double sum = 0;
    for (size_t j = 0; j < m; ++j) sum += places[j] * x[j];
    return sum / static_cast<double>(g);
  };

  f["questions"] = json::array();
  for (const auto& [number, first] : columns) {
    const double full = first->full;
    std::vector<double> own, rest;
    size_t answered = 0;
    std::map<std::string, double> chose;
    std::map<std::string, json> chosen_by;  // per letter, the students
    for (const KnownStudent* s : of) {
      const KnownQuestion* q = QuestionOf(*s, number);
      if (q == nullptr) continue;
      own.push_back(Value(q->obtained));
      rest.push_back(Total(*s) - Value(q->obtained));
      answered += !q->answer.empty();
      if (q->choice() && !q->answer.empty()) {
        ++chose[q->answer];
        chosen_by[q->answer].push_back({{"student_id", s->id}, {"student_name", s->name}});
      }
    }
    const double had = static_cast<double>(own.size());
    json question = {{"number", number},       {"text", ShownText(number)},
                     {"students", own.size()}, {"answers", own.size()},
                     {"answered", answered},   {"facility", nullptr},
                     {"unanswered", nullptr},  {"item_rest", Correlation(own, rest)},
                     {"upper_lower", nullptr}, {"alpha_if_deleted", nullptr}};
    if (!own.empty() && full > 0) {
      question["facility"] = std::accumulate(own.begin(), own.end(), 0.0) / (had * full);
    }
    if (!own.empty()) question["unanswered"] = (had - static_cast<double>(answered)) / had;
    if (g > 0)
      question["upper_lower"] =
          (in_group(upper, item[number]) - in_group(lower, item[number])) / full;
    // The item's mean points and n − 1 spread; the facility of each group.
    question["mean"] = own.empty() ? json(nullptr) : json(Mean(own));
    const json own_variance = Variance(own);
    question["sd"] =
        own_variance.is_null() ? own_variance : json(std::sqrt(own_variance.get<double>()));
    question["upper_facility"] = g > 0 ? json(in_group(upper, item[number]) / full) : json(nullptr);
    question["lower_facility"] = g > 0 ? json(in_group(lower, item[number]) / full) : json(nullptr);
    std::vector<double> rest_of_complete;
    for (size_t j = 0; j < m; ++j) rest_of_complete.push_back(complete_totals[j] - item[number][j]);
    const json v = Variance(item[number]);
    question["alpha_if_deleted"] =
        Alpha(k - 1, variances - (v.is_null() ? 0 : v.get<double>()), Variance(rest_of_complete));
    json options = json::array();
    if (first->choice()) {
      std::set<std::string> letters = {"A", "B", "C", "D"};
      for (const auto& [letter, count] : chose) letters.insert(letter);
      for (const std::string& letter : letters) {
        std::vector<double> picked;
        for (const KnownStudent* s : complete) {
          picked.push_back(QuestionOf(*s, number)->answer == letter ? 1 : 0);
        }
        json option = {{"letter", letter},
                       {"key", letter == first->key},
                       {"count", static_cast<size_t>(chose[letter])},
                       {"share", chose[letter] / had},
                       {"upper", nullptr},
                       {"lower", nullptr},
                       {"point_biserial", Correlation(picked, rest_of_complete)}};
        if (g > 0) {
          option["upper"] = in_group(upper, picked);
          option["lower"] = in_group(lower, picked);
        }
        if (letter != first->key) {
          option["chosen_by"] = chosen_by.count(letter) ? chosen_by[letter] : json::array();
        }
        options.push_back(option);
      }
    }
    // No answer, as a response of its own (choice questions only).
    question["blank"] = nullptr;
    if (first->choice()) {
      std::vector<double> blank;
      for (const KnownStudent* s : complete) {
        blank.push_back(QuestionOf(*s, number)->answer.empty() ? 1 : 0);
      }
      const double blanks = had - static_cast<double>(answered);
      question["blank"] = {{"letter", "未作答"},
                           {"key", false},
                           {"count", static_cast<size_t>(blanks)},
                           {"share", blanks / had},
                           {"upper", g > 0 ? json(in_group(upper, blank)) : json(nullptr)},
                           {"lower", g > 0 ? json(in_group(lower, blank)) : json(nullptr)},
                           {"point_biserial", Correlation(blank, rest_of_complete)}};
    }
    // The wrong option chosen most (of equal shares, the first letter).
    json* worst = nullptr;
    for (json& o : options) {
      o["worst"] = false;
      if (o["key"] || o["share"].get<double>() == 0) continue;
      if (!worst || o["share"].get<double>() > (*worst)["share"].get<double>()) worst = &o;
    }
    if (worst) (*worst)["worst"] = true;
    question["options"] = options;
    // The key is in doubt only with the evidence together.
    bool doubt = false;
    for (const json& o : options) {
      const json* key = nullptr;
      for (const json& other : options) {
        if (other["key"]) key = &other;
      }
      if (key == nullptr || o["key"] || o["upper"].is_null()) continue;
      if (o["upper"].get<double>() <= (*key)["upper"].get<double>() + 1e-9) continue;
      const json& key_pb = (*key)["point_biserial"];
      const json& pb = o["point_biserial"];
      const bool key_weak = !key_pb.is_null() && key_pb.get<double>() <= 0;
      const bool strong = !pb.is_null() && pb.get<double>() > 0 &&
                          (key_pb.is_null() || pb.get<double>() > key_pb.get<double>());
      doubt = doubt || key_weak || strong;
    }
    question["key_flag"] = doubt;
    // The flags of the specialist's three rules.
    bool rare = false;
    for (const json& o : options) rare = rare || (!o["key"] && o["share"].get<double>() < 0.05);
    const bool same = own.size() >= 2 && std::adjacent_find(own.begin(), own.end(),
                                                            std::not_equal_to<>()) == own.end();
    const bool raises = !f["alpha"].is_null() && !question["alpha_if_deleted"].is_null() &&
                        question["alpha_if_deleted"].get<double>() > f["alpha"].get<double>();
    question["rule_flags"] = {{"删除本题后信度提高", raises},
                              {"所有考生得分相同", same},
                              {"干扰项几乎无人选择（低于 5%）", rare}};
    f["questions"].push_back(question);
  }

  if (paper == 0) paper = PaperFull(of);
  // 三率一分 at the default thresholds, and the quartiles.
  for (const char* key : {"q1", "q3", "score_rate", "pass_rate", "excellent_rate", "low_rate"}) {
    f[key] = nullptr;
  }
  if (!totals.empty()) {
    f["q1"] = Quartile(sorted, 0.25);
    f["q3"] = Quartile(sorted, 0.75);
  }
  if (!totals.empty() && paper > 0) {
    double pass = 0, excellent = 0, low = 0;
    // In whole hundredths of tenths, so 4.8 of 12 is exactly at 40%.
    const long full = std::lround(paper * 10);
    for (double t : totals) {
      const long tenths = std::lround(t * 10);
      pass += tenths * 100 >= 60 * full;
      excellent += tenths * 100 >= 85 * full;
      low += tenths * 100 < 40 * full;
    }
    f["score_rate"] = f["mean"].get<double>() / paper;
    f["pass_rate"] = pass / n;
    f["excellent_rate"] = excellent / n;
    f["low_rate"] = low / n;
  }
  f["students"] = json::array();
  for (const KnownStudent* s : of) {
    const double t = Total(*s);
    // The standard scores against the n − 1 spread.
    const json z = f["sd"].is_null() ? json(nullptr)
                                     : json((t - f["mean"].get<double>()) / f["sd"].get<double>());
    double above = 0, below = 0, tied = 0;
    for (double other : totals) {
      above += other > t;
      below += other < t;
      tied += other == t;
    }
    int right = 0, partial = 0, wrong = 0, blank = 0;
    json scores = json::array();
    for (const auto& [number, first] : columns) {
      const KnownQuestion* q = QuestionOf(*s, number);
      scores.push_back(q ? json(Value(q->obtained)) : json(nullptr));
      if (q == nullptr) continue;
      const double x = Value(q->obtained);
      blank += q->answer.empty();
      right += !q->answer.empty() && x == q->full;
      wrong += !q->answer.empty() && x == 0;
      partial += !q->answer.empty() && x > 0 && x < q->full;
    }
    f["students"].push_back({{"student_id", s->id},
                             {"total", t},
                             {"rank", static_cast<int>(above) + 1},
                             {"percentile", 100 * (below + 0.5 * tied) / n},
                             {"share", paper > 0 ? json(t / paper) : json(nullptr)},
                             {"z", z},
                             {"t", z.is_null() ? z : json(50 + 10 * z.get<double>())},
                             {"right", right},
                             {"partial", partial},
                             {"wrong", wrong},
                             {"unanswered", blank},
                             {"scores", scores}});
  }
  return f;
}

// The letter of the key among a question's expected options.
std::string StandardAnswer(const json& question) {
  for (const json& o : question["options"]) {
    if (o["key"]) return o["letter"];
  }
  return "";
}

// Every key of `expected` in `actual`: numbers to 1e-9, the rest equal.
void ExpectMatches(const json& actual, const json& expected, const std::string& where) {
  if (expected.is_object()) {
    for (const auto& [key, value] : expected.items()) {
      if (key == "key_flag" || key == "worst" || key == "rule_flags") continue;
      ASSERT_TRUE(actual.contains(key)) << where << "." << key;
      ExpectMatches(actual[key], value, where + "." + key);
    }
  } else if (expected.is_array()) {
    ASSERT_TRUE(actual.is_array()) << where;
    ASSERT_EQ(actual.size(), expected.size()) << where;
    for (size_t i = 0; i < expected.size(); ++i) {
      ExpectMatches(actual[i], expected[i], where + "[" + std::to_string(i) + "]");
    }
  } else if (expected.is_number() && !expected.is_boolean()) {
    ASSERT_TRUE(actual.is_number()) << where << ": " << actual;
    EXPECT_NEAR(actual.get<double>(), expected.get<double>(), 1e-9) << where;
  } else {
    EXPECT_EQ(actual, expected) << where;
  }
}

// A figure as a CSV cell spells it: `digits` decimals, "" when undefined.
std::string CsvFigure(const json& value, int digits) {
  return value.is_null() ? "" : Fixed(value.get<double>(), digits);
}

// A figure as index.html's tables show it.
std::string HtmlCell(const json& value, int digits, bool percent = false) {
  if (value.is_null()) return "<td class='number'>—</td>";
  const double v = value.get<double>();
  return "<td class='number'>" + (percent ? Fixed(v * 100, 1) + "%" : Fixed(v, digits)) + "</td>";
}

// The facility of each question in `label`'s rows of the class comparison,
// ten questions a table.
void ExpectFacilityRows(const std::string& html, const std::string& label,
                        const std::vector<std::string>& cells) {
  for (size_t begin = 0; begin < cells.size(); begin += 10) {
    std::string row = "<tr><td>" + label + "</td>";
    for (size_t i = begin; i < cells.size() && i < begin + 10; ++i) row += cells[i];
    EXPECT_NE(html.find(row + "</tr>"), std::string::npos) << "index.html's facilities: " << row;
  }
}

// The rows of a CSV file keyed by the values of two columns.
class CsvTable {
 public:
  explicit CsvTable(const std::string& path) {
    const std::vector<std::string> lines = CsvLines(ReadFileForTest(path));
    // A partial summary's line before the header, after the byte-order mark.
    size_t first = 0;
    if (lines.at(0).substr(3).starts_with("部分汇总：")) note_ = lines[first++].substr(3);
    header_ = Fields(lines.at(first).substr(first == 0 ? 3 : 0));
    for (size_t i = first + 1; i < lines.size(); ++i) rows_.push_back(Fields(lines[i]));
  }
  // The line a partial summary's CSV file opens with; "" when it has none.
  const std::string& note() const { return note_; }
  const std::vector<std::string>& Row(const std::string& a, const std::string& va,
                                      const std::string& b, const std::string& vb) const {
    for (const std::vector<std::string>& row : rows_) {
      if (row.at(Column(a)) == va && row.at(Column(b)) == vb) return row;
    }
    ADD_FAILURE() << "no row " << va << " " << vb;
    static const std::vector<std::string> kNone(200);
    return kNone;
  }
  std::string Cell(const std::vector<std::string>& row, const std::string& name) const {
    return row.at(Column(name));
  }
  size_t Column(const std::string& name) const {
    const auto at = std::find(header_.begin(), header_.end(), name);
    EXPECT_NE(at, header_.end()) << name;
    return at == header_.end() ? 0 : static_cast<size_t>(at - header_.begin());
  }
  bool Has(const std::string& name) const {
    return std::find(header_.begin(), header_.end(), name) != header_.end();
  }
  size_t rows() const { return rows_.size(); }

 private:
  std::string note_;
  std::vector<std::string> header_;
  std::vector<std::vector<std::string>> rows_;
};

std::string ClassLabel(const std::string& name) { return name.empty() ? "未分班" : name; }

// Compares every figure of the summary in `folder` with the figures of
// `counted`, the students whose scores are known, in each file.
void ExpectFiguresEverywhere(const std::string& folder, const std::vector<KnownStudent>& counted) {
  std::map<std::string, std::vector<const KnownStudent*>> by_subject;
  bool classes = false;
  for (const KnownStudent& s : counted) {
    by_subject[s.subject].push_back(&s);
    classes = classes || !s.class_name.empty();
  }
  const json all = json::parse(ReadFileForTest(folder + "summary.json"));
  const CsvTable students(folder + "summary.csv"), items(folder + "items.csv"),
      matrix(folder + "scores.csv");
  const json book = ReadWorkbook(folder + "summary.xlsx");
  const Sheet student_sheet(book, "学生"), item_sheet(book, "试题"), matrix_sheet(book, "得分矩阵"),
      class_sheet(book, "班级"), wrong_sheet(book, "误选学生");
  const std::string html = ReadFileForTest(folder + "index.html");
  // A partial summary's CSV files open with the banner's words before their
  // header; a complete summary's with the header.
  const json& coverage = all["coverage"];
  for (const CsvTable* csv : {&students, &items, &matrix}) {
    if (!coverage["partial"].get<bool>()) {
      EXPECT_EQ(csv->note(), "");
      continue;
    }
    const std::string words =
        "仅汇总 " + coverage["counted"].dump() + " / " + coverage["students"].dump() + " 名考生：";
    EXPECT_TRUE(csv->note().starts_with("部分汇总：" + words)) << csv->note();
    EXPECT_NE(html.find("<p>" + csv->note().substr(std::string("部分汇总：").size()) + "</p>"),
              std::string::npos)
        << csv->note();
  }
  const auto near = [](double actual, const json& expected, const std::string& what) {
    EXPECT_NEAR(actual, expected.get<double>(), 1e-9) << what;
  };
  const auto sheet_figure = [&](const Sheet& sheet, size_t row, const std::string& column,
                                const json& expected, const std::string& what) {
    const json& cell = sheet.Cell(row, column)["value"];
    if (expected.is_null()) {
      EXPECT_TRUE(cell.is_null()) << what << " " << column << ": " << cell;
    } else {
      ASSERT_TRUE(cell.is_number()) << what << " " << column << ": " << cell;
      near(cell.get<double>(), expected, what + " " + column);
    }
  };

  for (const auto& [subject, of] : by_subject) {
    SCOPED_TRACE(subject);
    json expected = FiguresOf(of);
    // Each student's rank within the class: the rank of the class's own
    // figures.
    if (classes) {
      std::map<std::string, std::vector<const KnownStudent*>> members;
      for (const KnownStudent* s : of) members[s->class_name].push_back(s);
      std::map<std::string, json> rank_in_class;
      for (const auto& [name, in_class] : members) {
        const json class_figures = FiguresOf(in_class);
        for (const json& s : class_figures["students"]) {
          rank_in_class[s["student_id"].get<std::string>()] = s["rank"];
        }
      }
      for (json& s : expected["students"]) {
        s["class_rank"] = rank_in_class[s["student_id"].get<std::string>()];
      }
    }
    const json* actual = nullptr;
    for (const json& s : all["subjects"]) {
      if (s["subject"] == subject) actual = &s;
    }
    ASSERT_NE(actual, nullptr);
    json subject_figures = expected;
    subject_figures.erase("students");
    ExpectMatches(*actual, subject_figures, "summary.json");
    // Each counted student by number; the others there without figures.
    std::set<std::string> ids;
    for (const json& s : expected["students"]) {
      ids.insert(s["student_id"]);
      const json* listed = nullptr;
      for (const json& a : (*actual)["students"]) {
        if (a["student_id"] == s["student_id"]) listed = &a;
      }
      ASSERT_NE(listed, nullptr) << s["student_id"];
      ExpectMatches(*listed, s, "summary.json students " + s["student_id"].get<std::string>());
    }
    for (const json& a : (*actual)["students"]) {
      if (ids.count(a["student_id"])) continue;
      EXPECT_TRUE(a["total"].is_null() && a["rank"].is_null()) << a;
      EXPECT_FALSE(a["counted"].get<bool>()) << a;
    }

    // The subject's figures in the workbook's 班级 sheet and index.html.
    const size_t whole = class_sheet.Row({{"范围", "全体"}, {"科目", subject}});
    const std::pair<const char*, const char*> columns[] = {
        {"人数", "count"},        {"完整作答人数", "complete"},
        {"平均分", "mean"},       {"中位数", "median"},
        {"最低分", "min"},        {"最高分", "max"},
        {"标准差（n−1）", "sd"},  {"标准差（总体，除以 n）", "population_sd"},
        {"偏度", "skewness"},     {"峰度", "kurtosis"},
        {"信度 α", "alpha"},      {"测量标准误", "sem"},
        {"高低分组人数", "group"}};
    for (const auto& [column, key] : columns) {
      sheet_figure(class_sheet, whole, column, expected[key], "班级 全体");
    }
    const std::pair<const char*, const char*> bands[] = {
        {"下四分位数", "q1"},
        {"上四分位数", "q3"},
        {"得分率", "score_rate"},
        {"及格率（得分≥满分的60%）", "pass_rate"},
        {"优秀率（得分≥满分的85%）", "excellent_rate"},
        {"低分率（得分<满分的40%）", "low_rate"}};
    for (const auto& [column, key] : bands) {
      sheet_figure(class_sheet, whole, column, expected[key], "班级 全体");
    }
    sheet_figure(class_sheet, whole, "信度 α 95% 置信下限（Feldt）", expected["alpha_low"], "班级");
    sheet_figure(class_sheet, whole, "信度 α 95% 置信上限（Feldt）", expected["alpha_high"],
                 "班级");
    // Each section's figures, by its short heading, in summary.json and 大题.
    const json sections = SectionsOf(of);
    ASSERT_TRUE(actual->contains("section_figures"));
    ExpectMatches((*actual)["section_figures"], sections, "section_figures");
    const Sheet section_sheet(book, "大题");
    for (const json& section : sections) {
      const size_t row =
          section_sheet.Row({{"范围", "全体"}, {"科目", subject}, {"大题", section["label"]}});
      for (const auto& [column, key] : {std::pair<const char*, const char*>{"满分", "full"},
                                        {"人数", "count"},
                                        {"平均分", "mean"},
                                        {"得分率", "score_rate"}}) {
        sheet_figure(section_sheet, row, column, section[key], "大题 全体");
      }
    }
    EXPECT_EQ(class_sheet.Cell(whole, "信度公式")["value"], expected["alpha"].is_null() ? ""
                                                            : expected["kr20"]          ? "KR-20"
                                                                               : "Cronbach α");
    EXPECT_NE(
        html.find("<tr><td>" + subject + "</td><td class='number'>" + expected["count"].dump() +
                  "</td>" + HtmlCell(expected["mean"], 2) + HtmlCell(expected["sd"], 2) +
                  HtmlCell(expected["skewness"], 2) + HtmlCell(expected["kurtosis"], 2) +
                  HtmlCell(expected["alpha"], 3) + HtmlCell(expected["sem"], 2) + "</tr>"),
        std::string::npos)
        << "index.html's subjects table";
    EXPECT_NE(html.find("<tr><td class='number'>" + expected["count"].dump() + "</td>" +
                        HtmlCell(expected["mean"], 2) + HtmlCell(expected["median"], 2) +
                        HtmlCell(expected["min"], 2) + HtmlCell(expected["max"], 2) +
                        HtmlCell(expected["sd"], 2) + "</tr></table>"),
              std::string::npos)
        << "index.html's statistics of the subject";
    // The subject's student table names each section by its short heading.
    for (const json& section : sections) {
      const std::string label = section["label"];
      EXPECT_NE(html.find("<th data-type='number' title='" + label + "'>" + label + "</th>"),
                std::string::npos)
          << "index.html's student table lacks the column of " << label;
    }

    // Each question in items.csv, the 试题 sheet and index.html's items.
    for (const json& q : expected["questions"]) {
      const std::string number = q["number"].dump();
      SCOPED_TRACE("question " + number);
      const std::vector<std::string>& row = items.Row("科目", subject, "题号", number);
      const size_t sheet_row = item_sheet.Row({{"科目", subject}, {"题号", q["number"]}});
      EXPECT_EQ(items.Cell(row, "人数"), q["students"].dump());
      sheet_figure(item_sheet, sheet_row, "人数", q["students"], "试题");
      // The first line of the question's text, escaped on the page.
      EXPECT_EQ(items.Cell(row, "题目"), CsvText(q["text"]));
      EXPECT_EQ(item_sheet.Cell(sheet_row, "题目")["value"], q["text"]);
      EXPECT_NE(html.find("<td class='question-text'>" + Escaped(q["text"]) + "</td>"),
                std::string::npos)
          << "index.html's text of the question";
      const std::pair<const char*, const char*> figures[] = {{"难度", "facility"},
                                                             {"区分度", "item_rest"},
                                                             {"未作答比例", "unanswered"},
                                                             {"高低分组区分度", "upper_lower"},
                                                             {"删除后信度", "alpha_if_deleted"}};
      for (const auto& [column, key] : figures) {
        EXPECT_EQ(items.Cell(row, column), CsvFigure(q[key], 4)) << column;
        sheet_figure(item_sheet, sheet_row, column, q[key], "试题");
      }
      const bool flagged = items.Cell(row, "提示").find("标准答案可能有误") != std::string::npos;
      EXPECT_EQ(flagged, q["key_flag"].get<bool>()) << items.Cell(row, "提示");
      const json* listed = nullptr;
      for (const json& a : (*actual)["questions"]) {
        if (a["number"] == q["number"]) listed = &a;
      }
      ASSERT_NE(listed, nullptr);
      for (const auto& [flag, raised] : q["rule_flags"].items()) {
        EXPECT_EQ(items.Cell(row, "提示").find(flag) != std::string::npos, raised.get<bool>())
            << flag << ": " << items.Cell(row, "提示");
        const json& flags = (*listed)["flags"];
        EXPECT_EQ(std::find(flags.begin(), flags.end(), flag) != flags.end(), raised.get<bool>())
            << flag;
      }
      // The item's points, the groups' facility and the blank as a response.
      const std::pair<const char*, const char*> detail[] = {{"平均得分", "mean"},
                                                            {"得分标准差（n−1）", "sd"},
                                                            {"高分组难度", "upper_facility"},
                                                            {"低分组难度", "lower_facility"}};
      for (const auto& [column, key] : detail) {
        EXPECT_EQ(items.Cell(row, column), CsvFigure(q[key], 4)) << column;
        sheet_figure(item_sheet, sheet_row, column, q[key], "试题");
      }
      const json& blank = q["blank"];
      EXPECT_EQ(items.Cell(row, "未作答人数"), blank.is_null() ? "" : blank["count"].dump());
      const std::pair<const char*, const char*> blank_columns[] = {
          {"未作答高分组", "upper"},
          {"未作答低分组", "lower"},
          {"未作答点二列相关", "point_biserial"}};
      for (const auto& [column, key] : blank_columns) {
        const json value = blank.is_null() ? json(nullptr) : blank[key];
        EXPECT_EQ(items.Cell(row, column), CsvFigure(value, 4)) << column;
        sheet_figure(item_sheet, sheet_row, column, value, "试题");
      }
      // Each wrong option's students in 误选学生.
      for (const json& o : q["options"]) {
        EXPECT_EQ(items.Cell(row, "选项" + o["letter"].get<std::string>() + "人数"),
                  o["count"].dump());
        if (o["key"]) continue;
        for (const json& student : o["chosen_by"]) {
          const size_t at = wrong_sheet.Row({{"科目", subject},
                                             {"题号", q["number"]},
                                             {"所选选项", o["letter"]},
                                             {"学号", student["student_id"]}});
          EXPECT_EQ(wrong_sheet.Cell(at, "姓名")["value"], student["student_name"]);
          EXPECT_EQ(wrong_sheet.Cell(at, "标准答案")["value"], StandardAnswer(q));
        }
      }
      for (const json& o : q["options"]) {
        const std::string l = o["letter"];
        const std::pair<std::string, const char*> by_letter[] = {
            {"选项" + l, "share"},
            {"选项" + l + "高分组", "upper"},
            {"选项" + l + "低分组", "lower"},
            {"选项" + l + "点二列相关", "point_biserial"}};
        for (const auto& [column, key] : by_letter) {
          EXPECT_EQ(items.Cell(row, column), CsvFigure(o[key], 4)) << column;
          sheet_figure(item_sheet, sheet_row, column, o[key], "试题");
        }
      }
      const auto cell = [&](const json& v, int digits, bool percent) {
        const std::string value = v.is_null() ? "" : Fixed(v.get<double>(), digits);
        return "<td class='number' data-value='" + value + "'>" +
               (v.is_null() ? std::string("—")
                : percent   ? Fixed(v.get<double>() * 100, 1) + "%"
                            : value) +
               "</td>";
      };
      EXPECT_NE(html.find(cell(q["facility"], 4, true) + cell(q["item_rest"], 2, false) +
                          cell(q["upper_lower"], 2, false) + cell(q["unanswered"], 4, true)),
                std::string::npos)
          << "index.html's items table";
      for (const json& o : q["options"]) {
        const std::string mark = o["key"] ? " <span role='img' aria-label='正确选项'>✔</span>"
                                 : o["worst"] ? " <span role='img' aria-label='最多人误选'>✘</span>"
                                              : "";
        EXPECT_NE(html.find(">" + o["letter"].get<std::string>() + mark + " " +
                            Fixed(o["share"].get<double>() * 100, 1) + "%（" + o["count"].dump() +
                            " 人）</span>"),
                  std::string::npos)
            << "index.html's option " << o["letter"];
      }
      // The blank answers as a response, and who chose each wrong option,
      // folded.
      const json& blank_response = q["blank"];
      if (!blank_response.is_null() && blank_response["count"] != 0) {
        EXPECT_NE(html.find("<span class='option blank'>未作答 " +
                            Fixed(blank_response["share"].get<double>() * 100, 1) + "%（" +
                            blank_response["count"].dump() + " 人）</span>"),
                  std::string::npos)
            << "index.html's blank response";
      }
      std::string choosers;
      for (const json& o : q["options"]) {
        if (o["key"] || o["chosen_by"].empty()) continue;
        choosers += "<li>" + o["letter"].get<std::string>() + "：";
        for (size_t i = 0; i < o["chosen_by"].size(); ++i) {
          const json& who = o["chosen_by"][i];
          choosers += (i > 0 ? "、" : "") + who["student_name"].get<std::string>() + " " +
                      who["student_id"].get<std::string>();
        }
        choosers += "</li>";
      }
      if (!choosers.empty()) {
        EXPECT_NE(html.find("<details class='choosers'><summary>误选学生</summary><ul>" + choosers +
                            "</ul></details>"),
                  std::string::npos)
            << "index.html's choosers";
      }
    }

    // Each student in summary.csv, scores.csv and the 学生 and 得分矩阵 sheets.
    for (const json& s : expected["students"]) {
      const std::string id = s["student_id"];
      SCOPED_TRACE(id);
      const std::vector<std::string>& row = students.Row("学号", id, "科目", subject);
      EXPECT_EQ(students.Cell(row, "得分"), Spelled(s["total"].get<double>()));
      EXPECT_EQ(students.Cell(row, "名次"), s["rank"].dump());
      EXPECT_EQ(students.Cell(row, "百分位"), Fixed(s["percentile"].get<double>(), 2));
      EXPECT_EQ(students.Cell(row, "得分率"), CsvFigure(s["share"], 4));
      EXPECT_EQ(students.Cell(row, "z 分数（标准差 n−1）"), CsvFigure(s["z"], 4));
      EXPECT_EQ(students.Cell(row, "T 分数"), CsvFigure(s["t"], 2));
      EXPECT_EQ(students.Has("班级名次"), classes);
      const size_t sheet_row = student_sheet.Row({{"学号", id}, {"科目", subject}});
      std::vector<std::pair<const char*, const char*>> sheet_columns = {
          {"得分", "total"},
          {"名次", "rank"},
          {"百分位", "percentile"},
          {"得分率", "share"},
          {"z 分数（标准差 n−1）", "z"},
          {"T 分数", "t"},
          {"答对", "right"},
          {"部分正确", "partial"},
          {"答错", "wrong"},
          {"未作答", "unanswered"}};
      if (classes) sheet_columns.push_back({"班级名次", "class_rank"});
      for (const auto& [column, key] : sheet_columns) {
        sheet_figure(student_sheet, sheet_row, column, s[key], "学生");
        const std::string k = key;
        if (k == "rank" || k == "class_rank" || k == "right" || k == "partial" || k == "wrong" ||
            k == "unanswered") {
          EXPECT_EQ(students.Cell(row, column), s[key].dump()) << column;
        }
      }
      const std::vector<std::string>& scores = matrix.Row("学号", id, "科目", subject);
      const size_t matrix_row = matrix_sheet.Row({{"学号", id}, {"科目", subject}});
      for (size_t i = 0; i < expected["questions"].size(); ++i) {
        const std::string column =
            subject + " 第" + expected["questions"][i]["number"].dump() + "题";
        const json& score = s["scores"][i];
        EXPECT_EQ(matrix.Cell(scores, column), score.is_null() ? "" : Spelled(score.get<double>()))
            << column;
        sheet_figure(matrix_sheet, matrix_row, column, score, "得分矩阵");
      }
      // The other subjects' columns of the matrix stay empty on this row.
      for (const auto& [other, unused] : by_subject) {
        if (other == subject) continue;
        const json others = FiguresOf(by_subject[other]);
        for (const json& q : others["questions"]) {
          EXPECT_EQ(matrix.Cell(scores, other + " 第" + q["number"].dump() + "题"), "");
        }
      }
    }

    // Each class of the subject, in summary.json, items.csv, the 班级 sheet
    // and index.html's comparison.
    if (!classes) continue;
    std::map<std::string, std::vector<const KnownStudent*>> by_class;
    for (const KnownStudent* s : of) by_class[s->class_name].push_back(s);
    for (const auto& [name, members] : by_class) {
      SCOPED_TRACE("class " + ClassLabel(name));
      const json c = FiguresOf(members, PaperFull(of));
      const json* in_json = nullptr;
      for (const json& x : (*actual)["classes"]) {
        if (x["class"] == name) in_json = &x;
      }
      ASSERT_NE(in_json, nullptr);
      // Cohen's d against the rest of the year, the pooled n − 1 spread.
      json effect = nullptr;
      {
        std::vector<double> mine, rest;
        for (const KnownStudent* s : of) (s->class_name == name ? mine : rest).push_back(Total(*s));
        double sq1 = 0, sq2 = 0;
        const double m1 = mine.empty() ? 0 : Mean(mine), m2 = rest.empty() ? 0 : Mean(rest);
        for (double t : mine) sq1 += (t - m1) * (t - m1);
        for (double t : rest) sq2 += (t - m2) * (t - m2);
        const double n12 = static_cast<double>(mine.size() + rest.size());
        if (!mine.empty() && !rest.empty() && n12 >= 3 && sq1 + sq2 > 0) {
          effect = (m1 - m2) / std::sqrt((sq1 + sq2) / (n12 - 2));
        }
      }
      json c_all = c;
      c_all["effect_size"] = effect;
      for (const char* key : {"count", "complete", "mean", "median", "min", "max", "sd", "alpha",
                              "q1", "q3", "score_rate", "pass_rate", "excellent_rate", "low_rate",
                              "sem", "skewness", "effect_size"}) {
        ExpectMatches((*in_json)[key], c_all[key], std::string("classes.") + key);
      }
      for (const json& cq : c["questions"]) {
        for (const json& aq : (*in_json)["questions"]) {
          if (aq["number"] == cq["number"]) {
            ExpectMatches(aq["upper_lower"], cq["upper_lower"], "classes.questions.upper_lower");
          }
        }
      }
      sheet_figure(class_sheet, class_sheet.Row({{"范围", ClassLabel(name)}, {"科目", subject}}),
                   "效应量 d（本班对其余考生，合并标准差 n−1）", effect, "班级");
      const size_t row = class_sheet.Row({{"范围", ClassLabel(name)}, {"科目", subject}});
      for (const auto& [column, key] : bands)
        sheet_figure(class_sheet, row, column, c[key], "班级");
      // The class's part of each section, against the section's full marks.
      for (const json& section : SectionsOf(members, sections)) {
        const json* listed = nullptr;
        for (const json& a : (*actual)["section_figures"]) {
          if (a["label"] != section["label"]) continue;
          for (const json& x : a["classes"]) {
            if (x["class"] == name) listed = &x;
          }
        }
        if (section["count"] == 0) {
          EXPECT_EQ(listed, nullptr) << section;
          continue;
        }
        ASSERT_NE(listed, nullptr) << section;
        json means = section;
        means.erase("label");
        means.erase("full");
        ExpectMatches(*listed, means, "section_figures.classes");
        const size_t at = section_sheet.Row(
            {{"范围", ClassLabel(name)}, {"科目", subject}, {"大题", section["label"]}});
        sheet_figure(section_sheet, at, "平均分", section["mean"], "大题");
        sheet_figure(section_sheet, at, "得分率", section["score_rate"], "大题");
        sheet_figure(section_sheet, at, "人数", section["count"], "大题");
      }
      for (const auto& [column, key] : columns) {
        const std::string k = key;
        const bool per_class = k != "population_sd" && k != "kurtosis" && k != "group";
        sheet_figure(class_sheet, row, column, per_class ? c[key] : json(nullptr), "班级");
      }
      std::string comparison = "<tr><td>" + ClassLabel(name) + "</td><td class='number'>" +
                               c["count"].dump() + "</td>" + HtmlCell(c["mean"], 2) +
                               HtmlCell(c["median"], 2) + HtmlCell(c["sd"], 2) +
                               HtmlCell(c["alpha"], 3);
      std::vector<std::string> facilities;
      for (const json& q : expected["questions"]) {
        json facility = nullptr;
        for (const json& cq : c["questions"]) {
          if (cq["number"] == q["number"]) facility = cq["facility"];
        }
        for (const json& cq : (*in_json)["questions"]) {
          if (cq["number"] == q["number"]) {
            ExpectMatches(cq["facility"], facility, "classes.questions.facility");
          }
        }
        facilities.push_back(HtmlCell(facility, 1, true));
        const std::vector<std::string>& item_row =
            items.Row("科目", subject, "题号", q["number"].dump());
        EXPECT_EQ(items.Cell(item_row, "难度（" + ClassLabel(name) + "）"), CsvFigure(facility, 4));
        sheet_figure(item_sheet, item_sheet.Row({{"科目", subject}, {"题号", q["number"]}}),
                     "难度（" + ClassLabel(name) + "）", facility, "试题");
      }
      EXPECT_NE(html.find(comparison + "</tr>"), std::string::npos)
          << "index.html's class comparison: " << comparison;
      ExpectFacilityRows(html, ClassLabel(name), facilities);
    }
    // The whole year's row beside the classes.
    std::string year = "<tr><td>全年级</td><td class='number'>" + expected["count"].dump() +
                       "</td>" + HtmlCell(expected["mean"], 2) + HtmlCell(expected["median"], 2) +
                       HtmlCell(expected["sd"], 2) + HtmlCell(expected["alpha"], 3);
    std::vector<std::string> facilities;
    for (const json& q : expected["questions"])
      facilities.push_back(HtmlCell(q["facility"], 1, true));
    EXPECT_NE(html.find(year + "</tr>"), std::string::npos) << "index.html's year row: " << year;
    ExpectFacilityRows(html, "全年级", facilities);
  }
}

// A number from 0 to 999 for student `i` and question `q`, spread out.
int Draw(int i, int q) {
  unsigned x = static_cast<unsigned>(i) * 2654435761u ^ static_cast<unsigned>(q + 1) * 40503u;
  x ^= x >> 13;
  x *= 0x5bd1e995u;
  x ^= x >> 15;
  return static_cast<int>(x % 1000);
}

// A choice question answered by a student of `ability` (0…1): right more
// often the abler the student, now and then blank.
KnownQuestion ChoiceAnswer(int number, const std::string& key, double full, int i, double ability) {
  static const char* const kLetters[] = {"A", "B", "C", "D"};
  const int r = Draw(i, number);
  KnownQuestion q{number, key, full, "", "0"};
  if (r % 23 == 5) return q;  // left blank
  if (r < 200 + 700 * ability) {
    q.answer = key;
    q.obtained = Spelled(full);
  } else {
    std::vector<std::string> wrong;
    for (const char* l : kLetters) {
      if (l != key) wrong.push_back(l);
    }
    q.answer = wrong[static_cast<size_t>(r) % wrong.size()];
  }
  return q;
}

// An essay scored in tenths, about `ability` of its full marks.
KnownQuestion EssayAnswer(int number, double full, int i, double ability) {
  const int r = Draw(i, number);
  const double tenths = std::clamp(std::round(full * 10 * ability + (r % 31 - 15)), 0.0, full * 10);
  KnownQuestion q{number, "", full, "作文", Spelled(tenths / 10)};
  if (tenths == 0 && r % 2 == 0) q.answer = "";
  return q;
}

// Student `i` of a class of `n` on the paper 测验: choice questions 1..3
// (keys C, A, B, 2 marks each) and the essay 4 (6 marks).
KnownStudent QuizStudent(const std::string& id, int i, int n) {
  const double ability = static_cast<double>((i * 37) % n) / n;
  KnownStudent s{id, "学生" + id, "测验", "", {}};
  s.questions = {ChoiceAnswer(1, "C", 2, i, ability), ChoiceAnswer(2, "A", 2, i, ability),
                 ChoiceAnswer(3, "B", 2, i, ability), EssayAnswer(4, 6, i, ability)};
  return s;
}

// The record a batch would write of the student (the library's verdicts).
cli::StudentRecord RecordOf(const KnownStudent& s) {
  cli::StudentRecord record;
  record.student_id = s.id;
  record.student_name = s.name;
  record.subject = s.subject;
  record.class_name = s.class_name;
  record.state = Outcome::kComplete;
  record.page = s.id + ".html";
  for (const KnownQuestion& k : s.questions) {
    QuestionResult r;
    r.number = k.number;
    r.family = k.choice() ? QuestionFamily::kSingleChoice : QuestionFamily::kEssay;
    r.choice = k.choice();
    if (k.choice()) r.options = {"A", "B", "C", "D"};
    r.student_answered = !k.answer.empty();
    r.student_answer = k.answer;
    r.standard_answer = k.key;
    r.obtained = k.obtained;
    r.full = Spelled(k.full);
    const double x = Value(k.obtained);
    r.verdict = k.answer.empty() ? Verdict::kUnanswered
                : x == k.full    ? Verdict::kCorrect
                : x == 0         ? Verdict::kWrong
                                 : Verdict::kPartial;
    record.results.push_back(r);
    record.sections.push_back(SectionOf(k));
    record.texts.push_back(ShownText(k.number));
  }
  return record;
}

// A student whose answers could not be read (a wrong student number): the
// questions are there, no score or answer of them.
cli::StudentRecord Unreadable(const KnownStudent& s) {
  cli::StudentRecord record = RecordOf(s);
  record.state = Outcome::kWrittenWithErrors;
  record.message = "学号与此答卷包不符";
  for (QuestionResult& r : record.results) {
    r.student_answered = false;
    r.student_answer.clear();
    r.obtained.clear();
    r.verdict = Verdict::kUnknown;
    r.error = "第 " + std::to_string(r.number) + " 题的作答记录未能读出";
  }
  return record;
}

// A class on the paper 测验 where the question of interest, 1 (key `key`),
// was answered by rank as `by_rank` says (best first); an essay (question
// 2, 150 marks, 3 apart by rank) orders the totals, so the 27% groups are
// the first and last 11 of 40.
std::vector<KnownStudent> RankedClass(const std::string& key, const std::string& by_rank) {
  std::vector<KnownStudent> students;
  for (size_t rank = 0; rank < by_rank.size(); ++rank) {
    const std::string answer(1, by_rank[rank]);
    KnownStudent s{"R" + std::to_string(100 + rank), "学生", "测验", "", {}};
    s.questions = {{1, key, 2, answer, answer == key ? "2" : "0"},
                   {2, "", 150, "作文", Spelled(150 - 3 * static_cast<double>(rank))}};
    students.push_back(s);
  }
  return students;
}

struct EdgeCase {
  const char* name;
  std::vector<KnownStudent> students;  // each counted
  size_t group;                        // the 27% groups' size (rounded, not cut short)
  bool kr20;
  std::vector<bool> key_flags;  // per question, in number order
};

std::vector<KnownStudent> Quiz(int n, const std::string& prefix) {
  std::vector<KnownStudent> students;
  for (int i = 0; i < n; ++i)
    students.push_back(QuizStudent(prefix + std::to_string(100 + i), i, n));
  return students;
}

// The edges of the item analysis, each class written by the summary and read
// back from every file: the group size rounded where truncating would give
// another (3 of 14, 5 of 22, 0 of 3); a class of 3 with its skewness; a
// right/wrong-only paper (KR-20); students lacking a question (its facility,
// option shares and the section subtotal over those who had it); students
// whose answers could not be read or whose page was not written, counted
// nowhere; a distractor that draws the upper group but goes with low totals
// (no key flag), one that only ties the key there (none), and a key that is
// really wrong (flagged).
TEST(SummaryAgreementTest, EdgesOfTheItemAnalysis) {
  std::vector<KnownStudent> lacking = Quiz(16, "L");
  lacking[3].questions.erase(lacking[3].questions.begin() + 2);  // no question 3
  lacking[9].questions.pop_back();                               // no essay: no section 二
  std::vector<KnownStudent> right_or_wrong = Quiz(22, "K");
  for (KnownStudent& s : right_or_wrong) s.questions.pop_back();
  std::vector<KnownStudent> classes = Quiz(22, "M");
  for (size_t i = 0; i < classes.size(); ++i) classes[i].class_name = i % 3 ? "一班" : "二班";
  classes[4].class_name = "";
  const EdgeCase cases[] = {
      {"16 students, 14 with every question: groups of 4",
       lacking,
       4,
       false,
       {false, false, false, false}},
      {"a right/wrong-only paper of 22: KR-20, groups of 6",
       right_or_wrong,
       6,
       true,
       {false, false, false}},
      {"three students: groups of 1, a skewness",
       Quiz(3, "T"),
       1,
       false,
       {false, true, false, false}},
      {"classes of one year", classes, 6, false, {false, false, false, false}},
      {"a distractor of the upper group going with low totals",
       RankedClass("C",
                   "BCBCBCBCBAD"
                   "CCCBCCACCCCBCCBCDC"
                   "BBBCBBBABDB"),
       11,
       false,
       {false, false}},
      {"a distractor tying the key in the upper group",
       RankedClass("C",
                   "BCBCBCBCBCA"
                   "BCBCBCBCBCBCBCBCBC"
                   "BCACAAAACAA"),
       11,
       false,
       {false, false}},
      {"a wrong key",
       RankedClass("A",
                   "CCCCACCCCBC"
                   "CACACACACACACACACA"
                   "AAAAABADAAA"),
       11,
       false,
       {true, false}},
  };
  for (const EdgeCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    cli::ClassSummary summary;
    for (const KnownStudent& s : c.students) summary.Add(RecordOf(s));
    // Never counted: answers unreadable, page not written.
    KnownStudent stranger = QuizStudent("Z900", 5, 10);
    stranger.class_name = c.students.front().class_name;
    summary.Add(Unreadable(stranger));
    cli::StudentRecord unwritten;
    unwritten.student_id = "Z901";
    unwritten.subject = "测验";
    unwritten.state = Outcome::kNotWritten;
    unwritten.message = "答卷包不存在";
    summary.Add(unwritten);
    summary.Write(dir.path() + "/");
    ExpectFiguresEverywhere(dir.path() + "/", c.students);

    const json all = json::parse(ReadFileForTest(dir.File("summary.json")));
    const json& f = all["subjects"][0];
    EXPECT_EQ(f["group"], c.group);
    EXPECT_EQ(f["kr20"], c.kr20);
    ASSERT_EQ(f["questions"].size(), c.key_flags.size());
    for (size_t q = 0; q < c.key_flags.size(); ++q) {
      const json& flags = f["questions"][q]["flags"];
      EXPECT_EQ(std::find(flags.begin(), flags.end(), "标准答案可能有误") != flags.end(),
                c.key_flags[q])
          << "question " << q + 1 << ": " << flags;
    }
    // The outcome of a page not complete is marked in the workbook; a
    // complete one is not.
    const Sheet outcomes(ReadWorkbook(dir.File("summary.xlsx")), "学生");
    EXPECT_TRUE(outcomes.Cell(outcomes.Row({{"学号", "Z900"}}), "结果")["fill"].is_string());
    EXPECT_TRUE(
        outcomes.Cell(outcomes.Row({{"学号", c.students[0].id}}), "结果")["fill"].is_null());
    EXPECT_EQ(all["coverage"]["counted"], c.students.size());
    EXPECT_EQ(all["coverage"]["unread"], 1);
    EXPECT_EQ(all["coverage"]["not_written"], 1);
    EXPECT_NE(ReadFileForTest(dir.File("index.html"))
                  .find("仅汇总 " + std::to_string(c.students.size()) + " / " +
                        std::to_string(c.students.size() + 2) +
                        " 名考生：1 名页面未写出，1 名得分未能全部读出"),
              std::string::npos);
  }
  // The false alarm's distractor: more of the upper group than the key,
  // yet no flag (its point-biserial below zero, the key's above).
  const json alarm = FiguresOf([&] {
    std::vector<const KnownStudent*> of;
    for (const KnownStudent& s : cases[4].students) of.push_back(&s);
    return of;
  }())["questions"][0];
  EXPECT_GT(alarm["options"][1]["upper"].get<double>(), alarm["options"][2]["upper"].get<double>());
  EXPECT_LT(alarm["options"][1]["point_biserial"].get<double>(), 0);
  EXPECT_GT(alarm["options"][2]["point_biserial"].get<double>(), 0);
  EXPECT_EQ(alarm["options"][1]["upper"].get<double>() * 11, 5);
  EXPECT_EQ(alarm["options"][2]["upper"].get<double>() * 11, 4);

  // The section a student's paper lacks is empty, not 0.
  TempDir dir;
  cli::ClassSummary summary;
  for (const KnownStudent& s : lacking) summary.Add(RecordOf(s));
  summary.Write(dir.path() + "/");
  const CsvTable students(dir.File("summary.csv"));
  EXPECT_EQ(students.Cell(students.Row("学号", "L109", "科目", "测验"), "测验 二、写作"), "");
  EXPECT_EQ(students.Cell(students.Row("学号", "L103", "科目", "测验"), "测验 二、写作"),
            lacking[3].questions.back().obtained);
  const json all = json::parse(ReadFileForTest(dir.File("summary.json")));
  EXPECT_TRUE(all["subjects"][0]["students"][9]["section_scores"][1].is_null());
  const Sheet sheet(ReadWorkbook(dir.File("summary.xlsx")), "学生");
  EXPECT_TRUE(sheet.Cell(sheet.Row({{"学号", "L109"}}), "测验 二、写作")["value"].is_null());
}

const char* LetterCode(const std::string& letter) {
  return letter == "A" ? "1" : letter == "B" ? "2" : letter == "C" ? "4" : "8";
}

// The answer package of a student: the choice questions in a section 单选题,
// the essays in a section 写作.
builder::PackageDescription PaperOf(const KnownStudent& s) {
  builder::PackageDescription d;
  d.student_id = s.id;
  bool choices = false, essays = false;
  for (const KnownQuestion& q : s.questions) (q.choice() ? choices : essays) = true;
  if (choices) {
    d.question_types.push_back({{"I_CmdId", 1}, {"C_DataCode", "86"}, {"C_TestStyle", "单选题"}});
  }
  if (essays) {
    d.question_types.push_back({{"I_CmdId", 2}, {"C_DataCode", "88"}, {"C_TestStyle", "写作"}});
  }
  for (const KnownQuestion& q : s.questions) {
    d.titles.push_back({{"I_QuestionNo", q.number},
                        {"M_Title", StoredText(q.number)},
                        {"C_DataCode", q.choice() ? "86" : "88"}});
    if (q.choice()) {
      for (const char* letter : {"A", "B", "C", "D"}) {
        d.choices.push_back({{"I_QuestionNo", q.number},
                             {"C_ChoiceAnswer", letter},
                             {"M_AnswerCont", std::string("选项") + letter}});
      }
    }
    d.accounts.push_back(
        {{"I_QuestionNo", q.number}, {"S_GetScore", q.obtained}, {"I_RECNO", 100 + q.number}});
    const builder::Cell answer = q.answer.empty() ? builder::Cell()
                                 : q.choice()     ? builder::Cell(LetterCode(q.answer))
                                                  : builder::Cell(q.answer);
    d.analysis.push_back({{"I_QuestionNo", q.number},
                          {"I_TypeID", q.choice() ? 1 : 5},
                          {"M_StudentAnswer", answer},
                          {"M_TopicAns", q.choice() ? LetterCode(q.key) : "范文"},
                          {"S_Score", q.full}});
  }
  return d;
}

// A row of the manifest: the student as the manifest names it, and where
// its package is.
struct ManifestRow {
  KnownStudent student;
  std::string listed_id;  // the number the manifest gives (a wrong one for some)
  std::string folder;
};

std::string ManifestText(const std::vector<ManifestRow>& rows) {
  std::string csv = "package_folder,zip_name,student_id,student_name,subject,班级\n";
  for (const ManifestRow& r : rows) {
    csv += r.folder + "," + r.student.id + ".zip," + r.listed_id + "," + r.student.name + "," +
           r.student.subject + "," + r.student.class_name + "\n";
  }
  return csv;
}

// A file of the summary with the links to pages made bare ("../a/x.html" is
// "x.html"), for comparing summaries whose pages are in other folders.
std::string WithoutPageFolders(std::string text) {
  for (const std::string folder : {"../a/", "../b/"}) {
    for (size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at)) {
      text.erase(at, folder.size());
    }
  }
  return text;
}

class SummaryOfAClassTest : public CliTest {
 protected:
  // The class: 44 students of 测验 in 一班, 二班 and no class, some of them
  // lacking the essay, and 4 of 英语.  Four rows are broken: two give a
  // wrong student number, one names a package that is not there, one a
  // package made with another key.
  void SetUp() override {
    for (int i = 0; i < 44; ++i) {
      KnownStudent s = QuizStudent("T" + std::to_string(100 + i), i, 44);
      s.class_name = i % 10 == 7 ? "" : i % 2 ? "二班" : "一班";
      if (i % 9 == 4) s.questions.pop_back();
      rows_.push_back({s, s.id, "class/" + s.id});
    }
    for (int i = 0; i < 4; ++i) {
      const double ability = i / 4.0;
      KnownStudent s{"E" + std::to_string(200 + i), "学生E", "英语", "一班", {}};
      s.questions = {ChoiceAnswer(1, "B", 5, 50 + i, ability), EssayAnswer(2, 10, 50 + i, ability)};
      rows_.push_back({s, s.id, "class/" + s.id});
    }
    const std::string other_key = dir_.File("other.key");
    WriteNewMasterKeyFile(other_key);
    SodiumCipher other(ReadMasterKeyFile(other_key));
    for (ManifestRow& r : rows_) {
      fs::create_directories(dir_.File(r.folder));
      if (r.student.id == "T123") continue;  // not there
      SodiumCipher& cipher = r.student.id == "T131" ? other : *cipher_;
      builder::BuildAnswerPackage(PaperOf(r.student), cipher,
                                  dir_.File(r.folder + "/" + r.student.id + ".zip"));
    }
    rows_[5].listed_id = "X105";
    rows_[17].listed_id = "X117";
    for (const ManifestRow& r : rows_) {
      const bool broken =
          r.listed_id != r.student.id || r.student.id == "T123" || r.student.id == "T131";
      if (!broken) clean_.push_back(r.student);
    }
  }

  std::string Manifest(const std::string& name, const std::vector<ManifestRow>& rows) {
    WriteFileForTest(dir_.File(name), ManifestText(rows));
    return name;
  }

  CliResult Batch(const std::string& manifest, const std::string& out,
                  std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"batch", manifest, "--out", out, "--key-file", key_file_};
    args.insert(args.end(), more.begin(), more.end());
    return Cli(args);
  }

  // The summary files of two folders are the same, byte for byte, links to
  // pages in other folders aside; the workbooks the same cell for cell.
  void ExpectSameSummary(const std::string& a, const std::string& b) {
    for (const char* file : {"summary.json", "summary.csv", "items.csv", "scores.csv"}) {
      EXPECT_EQ(WithoutPageFolders(ReadFileForTest(dir_.File(a + "/" + file))),
                ReadFileForTest(dir_.File(b + "/" + file)))
          << a << " and " << b << ": " << file;
    }
    // A page in another folder is named, not linked: the links aside too.
    const auto without_links = [](json book) {
      for (json& sheet : book["sheets"]) {
        for (json& row : sheet["rows"]) {
          for (json& cell : row) cell.erase("link");
        }
      }
      return book.dump();
    };
    EXPECT_EQ(WithoutPageFolders(without_links(ReadWorkbook(dir_.File(a + "/summary.xlsx")))),
              without_links(ReadWorkbook(dir_.File(b + "/summary.xlsx"))))
        << a << " and " << b;
  }

  std::vector<ManifestRow> rows_;
  std::vector<KnownStudent> clean_;  // the students whose scores can be known
};

// The class interrupted after about 20 students: figures over the complete
// students done only, and every file says who is left out and why; after
// --resume, the figures of all the students whose scores are known, the
// same files as a batch never interrupted; the same files again from the
// manifest reversed, from 3 shards, and merged from two folders.
TEST_F(SummaryOfAClassTest, FiguresStayRightWhenStudentsAreMissingBrokenOrInterrupted) {
  const std::string manifest = Manifest("class.csv", rows_);
  const pid_t pid = SpawnCli({"batch", manifest, "--out", "run", "--jobs", "1", "--report",
                              "report.json", "--key-file", key_file_},
                             dir_.path(), {}, dir_.File("run-err"));
  ASSERT_GT(pid, 0);
  const auto results = [&] {
    size_t n = 0;
    if (!fs::exists(dir_.File("run"))) return n;
    for (const auto& entry : fs::directory_iterator(dir_.File("run"))) {
      n += entry.path().filename().string().ends_with(".results.json");
    }
    return n;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline && results() < 20) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(::kill(pid, SIGINT), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130)
      << ReadFileForTest(dir_.File("run-err"));

  // Who ran, as the report says; the figures count the complete ones.
  const json report = json::parse(ReadFileForTest(dir_.File("report.json")));
  std::set<std::string> done;
  std::map<std::string, size_t> outcomes;
  for (size_t i = 0; i < rows_.size(); ++i) {
    const std::string outcome = report["students"][i]["status"];
    ++outcomes[outcome];
    if (outcome != "not_run") done.insert(rows_[i].listed_id);
  }
  ASSERT_GE(done.size(), 20u);
  ASSERT_LT(done.size(), rows_.size()) << "the batch ended before it was interrupted";
  std::vector<KnownStudent> counted;
  for (const KnownStudent& s : clean_) {
    if (done.count(s.id)) counted.push_back(s);
  }
  ExpectFiguresEverywhere(dir_.File("run/"), counted);
  const json coverage = json::parse(ReadFileForTest(dir_.File("run/summary.json")))["coverage"];
  const size_t broken_done = done.size() - counted.size();
  EXPECT_EQ(coverage["students"], rows_.size());
  EXPECT_EQ(coverage["counted"], counted.size());
  EXPECT_EQ(coverage["not_run"], rows_.size() - done.size());
  EXPECT_EQ(coverage["not_written"].get<size_t>() + coverage["unread"].get<size_t>(), broken_done);
  EXPECT_EQ(coverage["left_out"].size(), rows_.size() - counted.size());
  std::string banner = "仅汇总 " + std::to_string(counted.size()) + " / " +
                       std::to_string(rows_.size()) + " 名考生：";
  if (coverage["not_written"] > 0) banner += coverage["not_written"].dump() + " 名页面未写出，";
  if (coverage["unread"] > 0) banner += coverage["unread"].dump() + " 名得分未能全部读出，";
  banner +=
      std::to_string(rows_.size() - done.size()) + " 名未生成（批量生成被中断，用 --resume 继续）";
  const std::string index = ReadFileForTest(dir_.File("run/index.html"));
  EXPECT_NE(index.find(banner), std::string::npos) << banner;
  // Each student left out named in the banner's list, summary.csv and the
  // workbook's 学生 and 说明 sheets, with the outcome.
  const CsvTable students(dir_.File("run/summary.csv"));
  EXPECT_EQ(students.rows(), rows_.size());
  const json book = ReadWorkbook(dir_.File("run/summary.xlsx"));
  EXPECT_EQ(book["sheets"][0]["name"], "说明");
  EXPECT_EQ(book["sheets"][0]["rows"][1][0]["value"], banner);
  const Sheet student_sheet(book, "学生");
  EXPECT_EQ(student_sheet.rows(), rows_.size() + 1);
  for (const json& left : coverage["left_out"]) {
    const std::string id = left["student_id"];
    const char* words = left["outcome"] == "not_run"       ? "未生成"
                        : left["outcome"] == "not_written" ? "未写出"
                                                           : "有错误";
    EXPECT_EQ(students.Cell(students.Row("学号", id, "科目", left["subject"]), "结果"), words)
        << id;
    EXPECT_EQ(student_sheet.Cell(student_sheet.Row({{"学号", id}}), "结果")["value"], words) << id;
    EXPECT_NE(index.find("<li>" + id + " "), std::string::npos) << id;
  }
  for (const std::string id : {"X105", "X117", "T123", "T131"}) {
    if (!done.count(id)) continue;
    const std::string outcome = students.Cell(students.Row("学号", id, "科目", "测验"), "结果");
    EXPECT_EQ(outcome, id == "T123" ? "未写出" : "有错误") << id;
  }

  // Resumed: the figures of every student whose scores are known, and the
  // files of a batch that ran through.
  EXPECT_EQ(Batch(manifest, "run", {"--resume", "--jobs", "2"}).exit_code, 1);
  ExpectFiguresEverywhere(dir_.File("run/"), clean_);
  EXPECT_EQ(Batch(manifest, "clean", {"--jobs", "2"}).exit_code, 1);
  ExpectSameSummary("run", "clean");
  const json complete = json::parse(ReadFileForTest(dir_.File("clean/summary.json")))["coverage"];
  EXPECT_EQ(complete["counted"], clean_.size());
  EXPECT_EQ(complete["not_run"], 0);
  EXPECT_EQ(complete["unread"], 3) << "two wrong student numbers, a package of another key";
  EXPECT_EQ(complete["not_written"], 1) << "the missing package";

  // The manifest reversed; in 3 shards, summed up after; in two folders.
  std::vector<ManifestRow> reversed(rows_.rbegin(), rows_.rend());
  EXPECT_EQ(Batch(Manifest("reversed.csv", reversed), "reversed", {"--jobs", "2"}).exit_code, 1);
  ExpectSameSummary("reversed", "clean");
  for (int k = 0; k < 3; ++k) {
    Batch(manifest, "sharded", {"--jobs", "2", "--shard", std::to_string(k) + "/3"});
  }
  EXPECT_EQ(Cli({"summary", "sharded"}).exit_code, 0);
  ExpectSameSummary("sharded", "clean");
  const std::vector<ManifestRow> first(rows_.begin(), rows_.begin() + 24);
  const std::vector<ManifestRow> second(rows_.begin() + 24, rows_.end());
  Batch(Manifest("a.csv", second), "a", {"--jobs", "2"});
  Batch(Manifest("b.csv", first), "b", {"--jobs", "2"});
  EXPECT_EQ(Cli({"summary", "b", "a", "--out", "merged"}).exit_code, 0);
  ExpectSameSummary("merged", "clean");
}

}  // namespace
}  // namespace generatesheet::testing
