#include "tools/summary/class_charts.h"
#include "tools/summary/summary_words.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "util/html_text.h"

namespace generatesheet::cli {

namespace {

std::string Percent(double share) { return Fixed(share * 100, 1) + "%"; }

// A coordinate, to a tenth of a unit.
std::string At(double v) { return Fixed(v, 1); }

std::string Text(double x, double y, const std::string& text, const char* anchor = "middle",
                 const char* css = nullptr) {
  std::string svg = "<text x='" + At(x) + "' y='" + At(y) + "' text-anchor='" + anchor + "'";
  if (css != nullptr) svg += std::string(" class='") + css + "'";
  return svg + ">" + text + "</text>";
}

std::string Line(double x1, double y1, double x2, double y2, const char* css) {
  return "<line x1='" + At(x1) + "' y1='" + At(y1) + "' x2='" + At(x2) + "' y2='" + At(y2) +
         "' class='" + css + "'/>";
}

std::string SubjectName(const std::string& subject) {
  return subject.empty() ? std::string("未注明科目") : EscapeHtml(subject);
}

// The histogram's frame: bins of kBarWidth from x = kLeft, bars up to
// kBarHeight tall standing on y = kBase; the band above y = 0 holds the
// mean's label.
constexpr int kBins = 10;
constexpr double kLeft = 10, kBarWidth = 40, kBarHeight = 120, kBase = 140;

std::string MeanLine(double mean, double top) {
  const double x = kLeft + std::clamp(mean / top, 0.0, 1.0) * kBins * kBarWidth;
  const std::string label = "平均分 " + Fixed(mean, 2);
  const bool right_half = x > kLeft + kBins * kBarWidth * 0.6;
  return "<g class='mean'><title>" + label + "</title>" + Line(x, -2, x, kBase, "mean") +
         Text(right_half ? x - 3 : x + 3, -4, label, right_half ? "end" : "start") + "</g>";
}

}  // namespace

std::string ScoreHistogram(const SubjectFigures& s) {
  if (s.totals.empty() || !s.mean) {
    return "<p class='histogram'>没有得分已知的学生，无分数分布。</p>";
  }
  const double top = std::max({s.full, s.max.value_or(0), 1.0});
  std::vector<int> counts(kBins, 0);
  for (double x : s.totals) {
    const int bin = std::clamp(static_cast<int>(std::floor(x / top * kBins)), 0, kBins - 1);
    ++counts[static_cast<size_t>(bin)];
  }
  const int most = std::max(1, *std::max_element(counts.begin(), counts.end()));
  const std::string label = SubjectName(s.subject) + " 分数分布：" +
                            std::to_string(s.totals.size()) + " 人，平均分 " + Fixed(*s.mean, 2);
  std::string svg = "<svg class='histogram' viewBox='0 -16 " + At(kBins * kBarWidth + 20) +
                    " 196' role='img' aria-label='" + label + "'>" + Text(10, 12, "人数", "start") +
                    Text(kBins * kBarWidth / 2 + 10, 176, "分数");
  for (int i = 0; i < kBins; ++i) {
    const int count = counts[static_cast<size_t>(i)];
    const int h = count * static_cast<int>(kBarHeight) / most;
    const double x = kLeft + i * kBarWidth;
    const std::string range = Fixed(top * i / kBins, 0) + "–" + Fixed(top * (i + 1) / kBins, 0);
    svg += "<g class='bin'><title>" + range + " 分：" + std::to_string(count) + " 人</title>";
    svg += "<rect x='" + At(x + 2) + "' y='" + At(kBase - h) + "' width='" + At(kBarWidth - 4) +
           "' height='" + std::to_string(h) + "'/>";
    if (count > 0) svg += Text(x + kBarWidth / 2, kBase - h - 3, std::to_string(count));
    svg += Text(x + kBarWidth / 2, kBase + 14, range, "middle", "range") + "</g>";
  }
  svg += Line(kLeft, kBase, kLeft + kBins * kBarWidth, kBase, "axis");
  return svg + MeanLine(*s.mean, top) + "</svg>";
}

namespace {

// The plot's frame: 难度 0…1 from left to right, 区分度 1…−1 from top to
// bottom.
constexpr double kPlotLeft = 44, kPlotRight = 404, kPlotTop = 16, kPlotBottom = 256;

double X(double facility) {
  return kPlotLeft + std::clamp(facility, 0.0, 1.0) * (kPlotRight - kPlotLeft);
}

double Y(double discrimination) {
  return kPlotTop + (1 - std::clamp(discrimination, -1.0, 1.0)) / 2 * (kPlotBottom - kPlotTop);
}

std::string PlotFrame() {
  std::string svg = "<rect x='" + At(kPlotLeft) + "' y='" + At(kPlotTop) + "' width='" +
                    At(kPlotRight - kPlotLeft) + "' height='" + At(kPlotBottom - kPlotTop) +
                    "' class='frame'/>";
  for (double f : {0.0, kHardBelow, 0.5, kEasyAbove, 1.0}) {
    svg += Text(X(f), kPlotBottom + 14, Fixed(f * 100, 0) + "%", "middle", "tick");
  }
  for (double d : {1.0, 0.5, kLowDiscrimination, 0.0, -0.5, -1.0}) {
    svg += Text(kPlotLeft - 4, Y(d) + 4, Fixed(d, 1), "end", "tick");
  }
  svg += Line(kPlotLeft, Y(0), kPlotRight, Y(0), "zero");
  svg += Line(X(kHardBelow), kPlotTop, X(kHardBelow), kPlotBottom, "threshold");
  svg += Line(X(kEasyAbove), kPlotTop, X(kEasyAbove), kPlotBottom, "threshold");
  svg += Line(kPlotLeft, Y(kLowDiscrimination), kPlotRight, Y(kLowDiscrimination), "threshold");
  svg += Text((kPlotLeft + X(kHardBelow)) / 2, kPlotTop + 12, "过难", "middle", "region");
  svg += Text((X(kEasyAbove) + kPlotRight) / 2, kPlotTop + 12, "过易", "middle", "region");
  svg += Text(kPlotRight - 4, Y(kLowDiscrimination) + 12, "区分度低", "end", "region");
  return svg + Text(4, 10, "区分度", "start") +
         Text((kPlotLeft + kPlotRight) / 2, 292, "难度（得分率）");
}

// Where a point's number goes: beside it on the right, else on the left,
// above or below, whichever first clears the marks and the numbers
// already placed, so questions of like figures stay legible.
class LabelPlacer {
 public:
  // Keeps numbers off the mark of a point at (x, y).
  void Avoid(double x, double y) { placed_.push_back({x - 5, y - 6, x + 5, y + 5}); }

  // A label's box reaches as far above and below its baseline as the
  // page's CJK font does (ascent 1.16 em, descent 0.29 em at 12 px), so
  // two labels apart here are apart on screen.
  static constexpr double kAscent = 14, kDescent = 4;

  // The text element for `number` at the point (x, y); "" when every spot
  // beside the point is taken (the caller lists the point instead).
  std::string Place(double x, double y, const std::string& number, size_t width_chars) {
    const double w = 7.0 * static_cast<double>(width_chars);
    struct Spot {
      double x, y;  // the text's anchor and baseline
      const char* anchor;
      double left;  // of its box
    };
    const Spot spots[] = {{x + 7, y + 4, "start", x + 7},
                          {x - 7, y + 4, "end", x - 7 - w},
                          {x, y - 6 - kDescent, "middle", x - w / 2},
                          {x, y + 5 + kAscent, "middle", x - w / 2}};
    const Spot* chosen = nullptr;
    for (const Spot& s : spots) {
      const Box box{s.left, s.y - kAscent, s.left + w, s.y + kDescent};
      if (box.left < kPlotLeft || box.right > kPlotRight || Overlaps(box)) continue;
      chosen = &s;
      break;
    }
    // Crowded everywhere: a label written over another would be read as
    // neither, so the point goes unlabelled.
    if (chosen == nullptr) return "";
    placed_.push_back({chosen->left, chosen->y - kAscent, chosen->left + w, chosen->y + kDescent});
    return Text(chosen->x, chosen->y, number, chosen->anchor);
  }

 private:
  struct Box {
    double left, top, right, bottom;
  };
  bool Overlaps(const Box& b) const {
    return std::any_of(placed_.begin(), placed_.end(), [&](const Box& p) {
      return b.left < p.right && p.left < b.right && b.top < p.bottom && p.top < b.bottom;
    });
  }
  std::vector<Box> placed_;
};

std::string Point(const QuestionFigures& q, LabelPlacer& labels,
                  std::vector<const QuestionFigures*>& unlabelled) {
  const double x = X(*q.facility), y = Y(*q.item_rest);
  const bool flagged = !q.flags.empty();
  std::string label = "第" + std::to_string(q.number) + "题：难度 " + Percent(*q.facility) +
                      "，区分度 " + Fixed(*q.item_rest, 2);
  for (size_t i = 0; i < q.flags.size(); ++i) {
    label += (i == 0 ? "；需要复核：" : "；") + EscapeHtml(q.flags[i]);
  }
  std::string svg = std::string("<g class='item") + (flagged ? " flagged" : "") +
                    "' role='img' aria-label='" + label + "'><title>" + label + "</title>";
  if (flagged) {
    svg += "<path d='M" + At(x) + " " + At(y - 6) + "L" + At(x + 5.5) + " " + At(y + 4) + "L" +
           At(x - 5.5) + " " + At(y + 4) + "Z'/>";
  } else {
    svg += "<circle cx='" + At(x) + "' cy='" + At(y) + "' r='4.5'/>";
  }
  const std::string digits = std::to_string(q.number);
  const size_t width = digits.size() + (flagged ? 2 : 0);  // "⚠" is about two digits wide
  const std::string text = labels.Place(x, y, digits + (flagged ? "⚠" : ""), width);
  if (text.empty()) unlabelled.push_back(&q);
  return svg + text + "</g>";
}

// "图中未注题号的点（周围已无空处）：第7题（难度 55.0%，区分度 0.31）；…".
std::string Unlabelled(const std::vector<const QuestionFigures*>& questions) {
  if (questions.empty()) return "";
  std::string list;
  for (const QuestionFigures* q : questions) {
    list += (list.empty() ? "" : "；") + std::string("第") + std::to_string(q->number) +
            "题（难度 " + Percent(*q->facility) + "，区分度 " + Fixed(*q->item_rest, 2) +
            (q->flags.empty() ? "" : "，需要复核") + "）";
  }
  return "<p class='note unlabelled'>图中未注题号的点（周围已无空处）：" + list + "。</p>";
}

// "未画出：第1、2题（区分度无法计算）；…": the questions left out, by reason.
std::string Unplotted(const std::vector<const QuestionFigures*>& questions) {
  if (questions.empty()) return "";
  const char* const kReasons[] = {"区分度无法计算", "难度无法计算", "难度、区分度无法计算"};
  std::string numbers[3];
  for (const QuestionFigures* q : questions) {
    const int reason = q->facility ? 0 : q->item_rest ? 1 : 2;
    std::string& list = numbers[reason];
    list += (list.empty() ? "第" : "、") + std::to_string(q->number);
  }
  std::string note;
  for (int reason = 0; reason < 3; ++reason) {
    if (numbers[reason].empty()) continue;
    note += (note.empty() ? "" : "；") + numbers[reason] + "题（" + kReasons[reason] + "）";
  }
  return "<p class='note'>未画出：" + note +
         "。区分度要有至少两名总分已知的学生，且该题得分与其余得分各有高低；难度要有该题"
         "每名学生的得分，且满分之和大于 0。</p>";
}

}  // namespace

std::string ItemScatter(const SubjectFigures& f) {
  std::string points;
  std::vector<const QuestionFigures*> unplotted, unlabelled;
  LabelPlacer labels;
  for (const QuestionFigures& q : f.questions) {
    if (q.facility && q.item_rest) labels.Avoid(X(*q.facility), Y(*q.item_rest));
  }
  for (const QuestionFigures& q : f.questions) {
    if (q.facility && q.item_rest) {
      points += Point(q, labels, unlabelled);
    } else {
      unplotted.push_back(&q);
    }
  }
  const std::string subject = SubjectName(f.subject);
  if (points.empty()) {
    const char* none = f.questions.empty() ? "没有试题结果，无难度–区分度图。"
                                           : "没有可画出的试题，无难度–区分度图。";
    return "<p class='scatter'>" + subject + "：" + none + "</p>" + Unplotted(unplotted);
  }
  return "<figure class='chart'><figcaption>" + subject +
         "：各题的难度与区分度（每题一点，旁注题号）</figcaption>"
         "<svg class='scatter' viewBox='0 0 420 300' role='group' aria-label='" +
         subject + " 难度–区分度图'>" + PlotFrame() + points +
         "</svg></figure><p class='chart-key'><span role='img' aria-label='圆点'>●</span> "
         "无提示的试题；<span role='img' aria-label='三角'>▲</span> 加 <span role='img' "
         "aria-label='需要复核'>⚠</span> 为需要复核的试题；虚线为提示的阈值：难度 " +
         Fixed(kHardBelow * 100, 0) + "% 与 " + Fixed(kEasyAbove * 100, 0) + "%，区分度 " +
         Fixed(kLowDiscrimination, 1) + "。</p>" + Unlabelled(unlabelled) + Unplotted(unplotted);
}

}  // namespace generatesheet::cli
