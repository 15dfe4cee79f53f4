// The section walk: one section per row of tbl_QuestionType, in I_CmdId
// order, each given to the renderer of its question family.
#include <algorithm>
#include <array>
#include <cstddef>

#include "data/recordset.h"
#include "render/error_prefixes.h"
#include "render/paper_renderers.h"
#include "render/text_helpers.h"
#include "util/html_text.h"

namespace generatesheet {

namespace {

enum class Family { kNone, kSingleChoice, kCompound, kEssay };

struct Dispatch {
  Family family = Family::kNone;
  std::string column;  // the tbl_title column that selects the questions
  std::string value;   // its value
};

bool OneOf(const std::string& value, std::initializer_list<const char*> choices) {
  return std::any_of(choices.begin(), choices.end(), [&](const char* c) { return value == c; });
}

QuestionFamily ResultFamily(Family family) {
  if (family == Family::kCompound) return QuestionFamily::kCompound;
  return family == Family::kEssay ? QuestionFamily::kEssay : QuestionFamily::kSingleChoice;
}

// The general rule: by data code, or by type name where there is none.
Dispatch GeneralRule(const Recordset& rs) {
  const std::string code = rs.Field("C_DataCode").ToText("C_DataCode");
  if (OneOf(code, {"86", "90", "701", "702", "703", "704"})) {
    return {Family::kSingleChoice, "C_DataCode", code};
  }
  if (OneOf(code, {"87", "900"})) return {Family::kCompound, "C_DataCode", code};
  if (OneOf(code, {"88", "89"})) return {Family::kEssay, "C_DataCode", code};
  if (!code.empty()) return {};
  const Value& type = rs.Field("I_TypeID");
  if (type.IsNull()) return {};
  const std::string name = type.ToText("I_TypeID");
  if (name == "单选题") return {Family::kSingleChoice, "I_TypeID", name};
  if (OneOf(name, {"论述题", "outlook", "文字处理", "电子表格", "操作系统应用", "internet应用",
                   "演示文稿"})) {
    return {Family::kEssay, "I_TypeID", name};
  }
  return {};
}

// The rule of the fundamentals subject: by the program that runs the task.
Dispatch FundamentalsRule(const Recordset& rs) {
  const std::string program = rs.Field("C_Startexe").ToText("C_Startexe");
  const std::string type = rs.Field("I_TypeID").ToText("I_TypeID");
  if (program == "choose.exe") return {Family::kSingleChoice, "I_TypeID", type};
  return {Family::kEssay, "I_TypeID", type};
}

// Appends the questions of one dispatched section to `out`, their results
// noted as one section headed `heading`.
void RenderSection(const RenderContext& context, const Dispatch& d, const std::string& heading,
                   std::string& out) {
  if (context.results) context.results->BeginSection(ResultFamily(d.family), heading);
  const std::size_t start = out.size();
  if (d.family == Family::kEssay) {
    RenderEssaySection(context, d.column, d.value, out);
  } else if (d.family == Family::kCompound) {
    RenderCompoundSection(context, d.value, out);
  } else {
    RenderChoiceSection(context, d.column, d.value, out);
  }
  // A failed section shows nothing, so it has no results either.
  if (context.results && out.size() == start) context.results->DropSection();
}

}  // namespace

// The sections go straight into `out`: a section can be megabytes, and a
// string of its own would be copied once more.  Only the subtotal of a
// heading, known once its questions are rendered, is put in afterwards.
void RenderSections(const RenderContext& context, std::string& out) {
  ReportedAppend(context.errors, prefix::kSections, out, [&] {
    const bool fundamentals = context.IsFundamentals();
    Connection& connection = context.pbase_conn;
    connection.Open();  // with the string set beforehand
    Recordset rs;
    rs.Open("select * from tbl_QuestionType order by I_CmdId", connection);
    while (!rs.Eof()) {
      const Dispatch d = fundamentals ? FundamentalsRule(rs) : GeneralRule(rs);
      if (d.family != Family::kNone) {
        const std::string plain_numeral = ToChineseNumeral(rs.Field("I_CmdId").ToText("I_CmdId"));
        const Value& style = rs.Field("C_TestStyle");
        const std::string plain_title = style.IsNull() ? "" : style.ToText("C_TestStyle");
        const std::string numeral = EscapeHtml(plain_numeral);
        const std::string title = EscapeHtml(plain_title);
        const bool essay = d.family == Family::kEssay;
        out.append(essay ? "<div class='lunsu'><span class='bigTitle'>" : "<div class='bigTitle'>")
            .append(numeral)
            .append("、")
            .append(title);
        const std::size_t subtotal_at = out.size();
        out.append(essay ? "</span>" : "</div>");
        RenderSection(context, d, plain_numeral + "、" + plain_title, out);
        if (essay) out.append("</div>");
        // With marks on, the heading carries the section's subtotal.
        if (context.results && context.results->marks()) {
          out.insert(subtotal_at, context.results->SectionScore());
        }
      }
      rs.MoveNext();
    }
  });
}

}  // namespace generatesheet
