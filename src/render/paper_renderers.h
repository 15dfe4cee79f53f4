// The procedures that render one paper from a RenderContext.  Each one that
// can fail reports its own failure to context.errors under its fixed prefix
// (render/error_prefixes.h) and returns the empty string (or, for those that
// append to `out`, appends nothing), so one failing part leaves a gap and the
// rest of the page is still produced.  The sections append to one string, as
// a page can be tens of megabytes.  Every text from a database is
// HTML-escaped; rich text shows as plain text.
#ifndef GENERATESHEET_RENDER_PAPER_RENDERERS_H_
#define GENERATESHEET_RENDER_PAPER_RENDERERS_H_

#include <cstdint>
#include <string>

#include "data/recordset.h"
#include "render/render_context.h"

namespace generatesheet {

// The student's number, name and subject, the full marks and the sum of the
// decrypted scores.  Opens context.analysis_conn, which the answer rows of
// every section then read through, so it runs before RenderSections.
std::string RenderPaperHeader(const RenderContext& context);

// One section per tbl_QuestionType row that the subject's dispatch rule
// takes, in I_CmdId order: a numbered heading, then the section's questions.
// Opens context.pbase_conn, through which every question renderer reads.
// Appends to `out`.
void RenderSections(const RenderContext& context, std::string& out);

// The choice questions whose `column_name` equals `column_value`: each with
// its text, its options and its answer rows.  Appends to `out`.
void RenderChoiceSection(const RenderContext& context, const std::string& column_name,
                         const std::string& column_value, std::string& out);

// The essay and practical-task questions whose `column_name` equals
// `column_value`: each with its text and its answer rows, no options.
// Appends to `out`.
void RenderEssaySection(const RenderContext& context, const std::string& column_name,
                        const std::string& column_value, std::string& out);

// The sub-questions of data code `data_code`, each rendered as a choice
// question, with the shared passage written before every run of rows with
// the same passage code.  Appends to `out`.
void RenderCompoundSection(const RenderContext& context, const std::string& data_code,
                           std::string& out);

// The passage with code `rec_code`; the last one read when several share it.
std::string RenderPassage(const RenderContext& context, const std::string& rec_code);

// The lettered options of choice question `question_no`, as one row.
std::string RenderChoiceOptions(const RenderContext& context, std::int16_t question_no);

// The student's answer, the standard answer and the analysis of question
// `question_no`, decrypted, in the layout its type code asks for; nothing for
// a type code of neither layout.
std::string RenderAnswerRows(const RenderContext& context, std::int16_t question_no);

// Appends to `out` the table of the question at the current row of `rs` (a
// tbl_title row): number and text, the options when `with_options`, then the
// answer rows.  Throws on a Null or out-of-range column, having perhaps
// appended part of the table; the caller reports it and takes the part back.
void AppendQuestionTable(const RenderContext& context, const Recordset& rs, const char* table_class,
                         const char* table_end, bool with_options, std::string& out);

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_PAPER_RENDERERS_H_
