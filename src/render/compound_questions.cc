// Compound sections: sub-questions sharing a passage, the passage written
// before every run of rows with the same passage code.
#include "data/recordset.h"
#include "data/sql_literal.h"
#include "render/error_prefixes.h"
#include "render/paper_renderers.h"
#include "rtf/rtf_to_text.h"
#include "util/html_text.h"

namespace generatesheet {

void RenderCompoundSection(const RenderContext& context, const std::string& data_code,
                           std::string& out) {
  ReportedAppend(context.errors, prefix::kCompoundSection, out, [&] {
    const std::string query = "select * from tbl_title where C_DataCode = " + SqlQuoted(data_code) +
                              " order by I_QuestionNo";
    std::string last_code;
    Recordset rs;
    rs.Open(query, context.pbase_conn);
    while (!rs.Eof()) {
      const std::string code = rs.Field("C_RecCode").ToText("C_RecCode");
      if (code != last_code) {
        last_code = code;
        out += RenderPassage(context, code);
      }
      AppendQuestionTable(context, rs, "singleSelect", "</table>", true, out);
      rs.MoveNext();
    }
  });
}

std::string RenderPassage(const RenderContext& context, const std::string& rec_code) {
  return Reported(context.errors, prefix::kPassage, [&] {
    Recordset rs;
    rs.Open("select * from tbl_CommItem where C_RecCode = " + SqlQuoted(rec_code),
            context.pbase_conn);
    std::string passage;
    // With several rows of one code the last one read is the passage.
    while (!rs.Eof()) {
      passage = "<div class='bigQuestion'>" +
                PlainTextToHtml(RtfToPlainText(rs.Field("M_Title").ToText("M_Title"))) + "</div>";
      rs.MoveNext();
    }
    return passage;
  });
}

}  // namespace generatesheet
