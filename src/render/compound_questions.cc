// FuHeTi and GetBigQuestion: sub-questions sharing a passage, the passage
// written before every run of rows with the same passage code.
#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "data/recordset.h"
#include "data/sql_literal.h"
#include "render/html_text.h"

namespace generatesheet {

std::string CreateHtml::Impl::FuHeTi(const std::string& data_code) {
  return Reported(prefix::kFuHeTi, [&] {
    const std::string query = "select * from tbl_title where C_DataCode = " + SqlQuoted(data_code) +
                              " order by I_QuestionNo";
    std::string last_code;
    std::string out;
    Recordset rs;
    rs.Open(query, *PbaseConn(), 2, 4, -1);
    while (!rs.Eof()) {
      const std::string code = rs.Field("C_RecCode").ToText("C_RecCode");
      if (code != last_code) {
        last_code = code;
        out += GetBigQuestion(code);
      }
      out += QuestionTable(rs, "singleSelect", "</table>", true);
      rs.MoveNext();
    }
    return out;
  });
}

std::string CreateHtml::Impl::GetBigQuestion(const std::string& rec_code) {
  return Reported(prefix::kGetBigQuestion, [&] {
    Recordset rs;
    rs.Open("select * from tbl_CommItem where C_RecCode = " + SqlQuoted(rec_code), *PbaseConn(), 2,
            4, -1);
    std::string passage;
    // With several rows of one code the last one read is the passage.
    while (!rs.Eof()) {
      passage = "<div class='bigQuestion'>" +
                PlainTextToHtml(RtfToText(rs.Field("M_Title").ToText("M_Title"))) + "</div>";
      rs.MoveNext();
    }
    return passage;
  });
}

}  // namespace generatesheet
