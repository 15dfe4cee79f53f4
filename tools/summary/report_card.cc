#include "tools/summary/report_card.h"
#include "tools/summary/summary_words.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "util/html_text.h"

namespace generatesheet::cli {

namespace {

// No script, no fetch: the card is a page of text, a style and drawings.
constexpr char kHead[] =
    "<meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
    "style-src 'unsafe-inline'; font-src data:\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";

// One A4 page: the printed card fits its page; the bars are told apart by
// their fill (black, grey, white with a frame) and carry their values.
constexpr char kStyle[] = R"(<style>
  @page { size: A4; margin: 12mm 14mm; @bottom-center { content: "成绩报告单"; font-size: 8pt; color: #57606a; } }
  body { margin: 0 auto; padding: 12px; max-width: 48rem; color: #1f2328;
    font: 14px/1.5 "Noto Sans CJK SC", "Source Han Sans SC", "PingFang SC", "Microsoft YaHei", sans-serif; }
  .card { break-after: page; }
  .card:last-child { break-after: auto; }
  h1 { font-size: 1.4rem; margin: 0 0 0.25rem; } h2 { font-size: 1.05rem; margin: 0.9rem 0 0.3rem; }
  .subject { margin: 0 0 0.5rem; color: #57606a; }
  table { border-collapse: collapse; width: 100%; }
  th, td { border: 1px solid #8c959f; padding: 0.15rem 0.4rem; text-align: left; vertical-align: middle; }
  th { background: #f6f8fa; font-weight: 600; white-space: nowrap; }
  td.number { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
  .name { overflow-wrap: anywhere; }
  .standing td { font-size: 1.1rem; font-weight: 600; }
  svg.bars { display: block; width: 12rem; height: auto; }
  svg text { font-size: 10px; fill: #1f2328; }
  svg .own { fill: #1f2328; } svg .class { fill: #8c959f; } svg .year { fill: #ffffff; stroke: #1f2328; stroke-width: 0.8; }
  .key { font-size: 0.85rem; margin: 0.2rem 0; }
  .swatch { display: inline-block; width: 1.6em; height: 0.7em; margin: 0 0.3em 0 0.8em; vertical-align: middle; border: 1px solid #1f2328; }
  .swatch.own { background: #1f2328; } .swatch.class { background: #8c959f; } .swatch.year { background: #ffffff; }
  .note { color: #57606a; font-size: 0.8rem; margin: 0.6rem 0 0; }
  @media print {
    body { max-width: none; padding: 0; font-size: 9.5pt; line-height: 1.4; }
    h2 { margin: 0.6rem 0 0.2rem; }
    .card { height: 270mm; overflow: hidden; }
    th, .swatch, svg { print-color-adjust: exact; -webkit-print-color-adjust: exact; }
  }
</style>)";

// Text from a record: control characters (which HTML cannot show, and
// which would end no markup but might hide text) become U+FFFD; then
// escaped.
std::string Text(const std::string& text) {
  std::string clean;
  clean.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool c1 = c == 0xC2 && i + 1 < text.size() &&
                    static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (c < 0x20 || c == 0x7F || c1) {
      clean += "\xEF\xBF\xBD";
      if (c1) ++i;
    } else {
      clean += static_cast<char>(c);
    }
  }
  return EscapeHtml(clean);
}

// "17.5", "18": at most one decimal, none when whole.
std::string Score(double value) {
  if (std::fabs(value - std::round(value)) < 1e-9) return Fixed(std::round(value), 0);
  return Fixed(value, 1);
}

std::string Optional(const std::optional<double>& value, int digits) {
  return value ? Fixed(*value, digits) : std::string(kMissing);
}

std::string PlaceWords(const std::optional<Place>& place) {
  if (!place) return kMissing;
  return std::to_string(place->rank) + " / " + std::to_string(place->of);
}

std::string Cell(const std::string& html) { return "<td class=\"number\">" + html + "</td>"; }

std::string Identity(const ReportCard& c) {
  return "<table class=\"identity\"><tr><th scope=\"row\">姓名</th><td class=\"name\">" +
         Text(c.student_name) + "</td><th scope=\"row\">学号</th><td class=\"name\">" +
         Text(c.student_id) + "</td><th scope=\"row\">班级</th><td class=\"name\">" +
         (c.class_name.empty() ? std::string("未分班") : Text(c.class_name)) + "</td></tr></table>";
}

std::string Standing(const ReportCard& c) {
  const std::string total =
      c.total.empty() ? std::string(kMissing) : Text(c.total) + " / " + Score(c.full);
  const std::string share = c.share ? Fixed(*c.share * 100, 1) + "%" : std::string(kMissing);
  std::string class_place = PlaceWords(c.class_place);
  if (c.class_place && c.class_place->of == 1) class_place += "（班级仅 1 人）";
  return "<h2>成绩</h2><table class=\"standing\"><thead><tr><th>总分</th><th>得分率</th>"
         "<th>班级名次</th><th>年级名次</th><th>百分位</th><th>T "
         "分数</th></tr></thead><tbody><tr>" +
         Cell(total) + Cell(share) + Cell(class_place) + Cell(PlaceWords(c.year_place)) +
         Cell(Optional(c.percentile, 1)) + Cell(Optional(c.t_score, 1)) + "</tr></tbody></table>";
}

// One bar of a section's chart: its length against the section's scale.
std::string Bar(const char* kind, const char* label, const std::optional<double>& value,
                double scale, int y) {
  constexpr double kLength = 150;
  const double share = value && scale > 0 ? std::clamp(*value / scale, 0.0, 1.0) : 0;
  const std::string width = Fixed(std::max(share * kLength, value ? 0.8 : 0.0), 1);
  return "<rect class=\"" + std::string(kind) + "\" x=\"30\" y=\"" + std::to_string(y) +
         "\" width=\"" + width + "\" height=\"7\"/><text x=\"0\" y=\"" + std::to_string(y + 7) +
         "\">" + label + "</text><text x=\"" + Fixed(34 + share * kLength, 1) + "\" y=\"" +
         std::to_string(y + 7) + "\">" + (value ? Score(*value) : std::string(kMissing)) +
         "</text>";
}

std::string SectionBars(const CardSection& s) {
  double scale = s.full;
  for (const auto& v : {s.own, s.class_mean, s.year_mean}) {
    if (v) scale = std::max(scale, *v);
  }
  const std::string label = "本人 " + (s.own ? Score(*s.own) : kMissing) + "，班级平均 " +
                            (s.class_mean ? Score(*s.class_mean) : kMissing) + "，年级平均 " +
                            (s.year_mean ? Score(*s.year_mean) : kMissing);
  return "<svg class=\"bars\" viewBox=\"0 0 210 30\" role=\"img\" aria-label=\"" + label + "\">" +
         Bar("own", "本人", s.own, scale, 1) + Bar("class", "班级", s.class_mean, scale, 11) +
         Bar("year", "年级", s.year_mean, scale, 21) + "</svg>";
}

std::string Sections(const ReportCard& c) {
  if (c.sections.empty()) return "";
  std::string html =
      "<h2>各大题得分</h2><p class=\"key\" aria-hidden=\"true\"><span class=\"swatch own\"></span>"
      "本人<span class=\"swatch class\"></span>班级平均<span class=\"swatch year\"></span>年级平均"
      "</p><table class=\"sections\"><thead><tr><th>大题</th><th>满分</th><th>本人</th>"
      "<th>班级平均</th><th>年级平均</th><th>比较</th></tr></thead><tbody>";
  for (const CardSection& s : c.sections) {
    html += "<tr><td>" + Text(s.heading) + "</td>" +
            Cell(s.full > 0 ? Score(s.full) : std::string(kMissing)) +
            Cell(s.own ? Score(*s.own) : kMissing) + Cell(Optional(s.class_mean, 1)) +
            Cell(Optional(s.year_mean, 1)) + "<td>" + SectionBars(s) + "</td></tr>";
  }
  return html + "</tbody></table>";
}

std::string Verdicts(const ReportCard& c) {
  return "<h2>答题情况</h2><table class=\"verdicts\"><thead><tr><th>正确</th><th>部分得分</th>"
         "<th>错误</th><th>未作答</th></tr></thead><tbody><tr>" +
         Cell(std::to_string(c.right)) + Cell(std::to_string(c.partial)) +
         Cell(std::to_string(c.wrong)) + Cell(std::to_string(c.unanswered)) +
         "</tr></tbody></table>";
}

std::string Lost(const ReportCard& c) {
  if (c.lost.empty()) return "<h2>失分最多的题</h2><p>没有失分的题。</p>";
  std::string html =
      "<h2>失分最多的题</h2><table class=\"lost\"><thead><tr><th>题号</th><th>题型</th>"
      "<th>得分 / 满分</th><th>失分</th><th>全年级得分率</th></tr></thead><tbody>";
  for (const LostQuestion& q : c.lost) {
    html += "<tr>" + Cell("第 " + std::to_string(q.number) + " 题") + "<td>" + Text(q.family) +
            "</td>" + Cell(Score(q.obtained) + " / " + Score(q.full)) +
            Cell(Score(q.full - q.obtained)) +
            Cell(q.year_facility ? Fixed(*q.year_facility * 100, 1) + "%" : kMissing) + "</tr>";
  }
  return html + "</tbody></table>";
}

// The card in `tag`: main on its own page, section among many.
std::string CardBody(const ReportCard& c, const std::string& tag) {
  const std::string subject = c.subject.empty() ? "未注明科目" : Text(c.subject);
  return "<" + tag + " class=\"card\"><h1>成绩报告单</h1><p class=\"subject\">科目：" + subject +
         "</p>" + Identity(c) + Standing(c) + Sections(c) + Verdicts(c) + Lost(c) +
         "<p class=\"note\">名次：总分比本人高的人数加 1。百分位：全年级总分低于本人的人数"
         "（同分者算一半，含本人）占全年级人数的百分比。T 分数 = 50 + 10 ×（本人总分 − 全年级"
         "平均分）÷ 全年级标准差（除以 n − 1）。</p></" +
         tag + ">\n";
}

std::string Document(const std::string& title, const std::string& body) {
  return std::string("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n") + kHead + "<title>" +
         title + "</title>\n" + kStyle + "\n</head>\n<body>\n" + body + "</body>\n</html>\n";
}

}  // namespace

std::string ReportCardHtml(const ReportCard& card) {
  return Document("成绩报告单 " + Text(card.student_id) + " " + Text(card.student_name),
                  CardBody(card, "main"));
}

std::string ReportCardsDocument(const std::vector<ReportCard>& cards) {
  std::string body;
  for (const ReportCard& card : cards) body += CardBody(card, "section");
  return Document("成绩报告单", body);
}

}  // namespace generatesheet::cli
