#include "tools/summary/figures_html.h"

#include <cstdio>

#include "util/html_text.h"

namespace generatesheet::cli {

namespace {

std::string Cell(const std::optional<double>& v, int digits) {
  if (!v) return "<td class='number'>—</td>";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, *v);
  return std::string("<td class='number'>") + text + "</td>";
}

}  // namespace

std::string SubjectFiguresTable(const std::vector<SubjectFigures>& figures) {
  std::string html =
      "<table class='subjects'><thead><tr><th>科目</th><th>人数</th><th>平均分</th>"
      "<th>标准差（n−1）</th><th>偏度</th><th>峰度</th><th>信度 α</th><th>测量标准误</th>"
      "</tr></thead><tbody>";
  for (const SubjectFigures& f : figures) {
    html += "<tr><td>" + EscapeHtml(f.subject) + "</td><td class='number'>" +
            std::to_string(f.count) + "</td>" + Cell(f.mean, 2) + Cell(f.sd, 2) +
            Cell(f.skewness, 2) + Cell(f.kurtosis, 2) + Cell(f.alpha, 3) + Cell(f.sem, 2) + "</tr>";
  }
  return html + "</tbody></table>";
}

std::string ReviewBox(const std::vector<SubjectFigures>& figures) {
  std::string items;
  for (const SubjectFigures& f : figures) {
    for (const QuestionFigures& q : f.questions) {
      if (q.flags.empty()) continue;
      items += "<li><span role='img' aria-label='需要复核'>⚠</span> " + EscapeHtml(f.subject) +
               " 第" + std::to_string(q.number) + "题：";
      for (size_t i = 0; i < q.flags.size(); ++i) {
        items += (i > 0 ? "；" : "") + EscapeHtml(q.flags[i]);
      }
      items += "</li>";
    }
  }
  if (items.empty()) items = "<li>没有需要复核的试题。</li>";
  return "<section class='review'><h2>需要复核的试题</h2><ul>" + items + "</ul></section>";
}

std::string FiguresLegend() {
  return "<dl class='legend'>"
         "<dt>难度（得分率）</dt><dd>全班在该题的得分之和 ÷ 满分之和；低于 20% 为过难，"
         "高于 90% 为过易。</dd>"
         "<dt>区分度</dt><dd>该题得分与试卷其余部分得分的相关系数（−1 到 1）；低于 0.2 "
         "说明该题区分能力弱，为负说明答得好的学生反而更常答错，应核对标准答案。"
         "高低分组区分度 D 为总分前 27% 与后 27% 学生的得分率之差。</dd>"
         "<dt>信度 α</dt><dd>Cronbach α（各题全为对错题时即 KR-20），方差以 n−1 计；"
         "一般 0.7 以上为可接受，0.8 以上为良好。测量标准误 = 标准差 × √(1 − α)。</dd>"
         "<dt>提示</dt><dd>删除本题后信度提高：去掉该题后其余各题的 α 高于整卷的 α；"
         "所有考生得分相同：两名以上考生该题得分全部相同，该题不能区分学生；"
         "干扰项几乎无人选择：某个错误选项的选择比例低于 5%。</dd>"
         "</dl>";
}

}  // namespace generatesheet::cli
