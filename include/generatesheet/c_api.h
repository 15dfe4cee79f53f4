/* The GenerateSheet library as plain C functions, for hosts in other
 * languages.  Each function stands for one member of CreateHtml or Model
 * (include/generatesheet/create_html.h, model.h) and behaves as that member.
 *
 *   gs_create_html* sheet = gs_create_html_new();
 *   gs_create_html_set_bak_data_path(sheet, "/data/exam/1001");
 *   gs_create_html_set_zip_paper_name(sheet, "1001.zip");
 *   gs_create_html_set_template_path(sheet, "/data/template.html");
 *   gs_create_html_set_html_paper_path(sheet, "/data/pages/");
 *   gs_create_html_generate_sheet(sheet);
 *   char* page = gs_create_html_get_page_path(sheet);
 *   if (gs_create_html_get_page_outcome(sheet) == GS_PAGE_COMPLETE) puts(page);
 *   else { char* err = gs_create_html_get_err_msg(sheet); fputs(err, stderr); gs_free(err); }
 *   gs_free(page);
 *   gs_create_html_release(sheet);
 *
 * Contract:
 * - Strings in and out are UTF-8 and NUL-terminated.  A NULL string argument
 *   counts as "".
 * - Every getter of a string returns a new copy allocated with malloc; the
 *   caller frees it with gs_free (free() serves as well).  A getter returns
 *   NULL only when memory runs out.
 * - Setters return GS_OK, or GS_ERROR when memory runs out (the property
 *   then keeps its old value).
 * - No function lets a C++ exception out.  Failures of a run are reported as
 *   the members report them: through ErrMsg and PagePath.
 * - Handles must not be NULL (except for the release functions, where NULL
 *   does nothing).  One handle belongs to one thread at a time; separate
 *   handles may be used on separate threads at once.
 */
#ifndef GENERATESHEET_C_API_H_
#define GENERATESHEET_C_API_H_

#include <stddef.h>
#include <stdint.h>

#include "generatesheet/export.h"
#include "generatesheet/version.h"

#ifdef __cplusplus
extern "C" {
#endif

#define GS_OK 0
#define GS_ERROR (-1)

/* What the last run made of its page (gs_create_html_get_page_outcome). */
#define GS_PAGE_NOT_WRITTEN 0
#define GS_PAGE_WRITTEN_WITH_ERRORS 1 /* a step failed or no question came out */
#define GS_PAGE_COMPLETE 2

/* Why the last run fell short (gs_create_html_get_failure_kind): the values
 * of generatesheet::FailureKind (run_failure.h). */
#define GS_FAILURE_NONE 0 /* a complete page, or no run yet */
#define GS_FAILURE_OTHER 1
#define GS_FAILURE_PACKAGE_MISSING 2 /* missing or unreadable */
#define GS_FAILURE_NOT_A_ZIP 3
#define GS_FAILURE_DAMAGED_PACKAGE 4 /* corrupt or truncated entry, wrong password */
#define GS_FAILURE_REFUSED_ENTRY 5   /* unsafe entry name, over a limit */
#define GS_FAILURE_KEY_MISMATCH 6
#define GS_FAILURE_STUDENT_MISMATCH 7
#define GS_FAILURE_NO_SECTION 8 /* no question came out for the subject */
#define GS_FAILURE_TEMPLATE 9
#define GS_FAILURE_WRITE 10

typedef struct gs_create_html gs_create_html;
typedef struct gs_model gs_model;
/* A reference to one database connection of a CreateHtml; it keeps the
 * connection alive until released, even after the CreateHtml is gone. */
typedef struct gs_connection gs_connection;

/* The loaded library's version, "MAJOR.MINOR.PATCH" (GENERATESHEET_VERSION
 * is the headers' own).  A static string: do not free it. */
GENERATESHEET_EXPORT const char* gs_version(void);

/* Frees a string returned by any getter.  NULL does nothing. */
GENERATESHEET_EXPORT void gs_free(void* p);

/* ---- CreateHtml ---- */

/* A new object with every property empty; NULL when memory runs out. */
GENERATESHEET_EXPORT gs_create_html* gs_create_html_new(void);
GENERATESHEET_EXPORT void gs_create_html_release(gs_create_html* sheet);

/* AnalysisConn / PbaseConn: the getters return a new reference (created
 * closed on first read, as the members do); release it with
 * gs_connection_release.  Setting NULL empties the member. */
GENERATESHEET_EXPORT gs_connection* gs_create_html_get_analysis_conn(gs_create_html* sheet);
GENERATESHEET_EXPORT void gs_create_html_set_analysis_conn(gs_create_html* sheet,
                                                           const gs_connection* connection);
GENERATESHEET_EXPORT gs_connection* gs_create_html_get_pbase_conn(gs_create_html* sheet);
GENERATESHEET_EXPORT void gs_create_html_set_pbase_conn(gs_create_html* sheet,
                                                        const gs_connection* connection);

/* 1 when the package was extracted and the steps ran, else 0.  Whether the
 * page was written: gs_create_html_get_page_path. */
GENERATESHEET_EXPORT int gs_create_html_generate_sheet(gs_create_html* sheet);
GENERATESHEET_EXPORT void gs_create_html_write_log(gs_create_html* sheet, const char* tempstr);
GENERATESHEET_EXPORT void gs_create_html_init_analysis_conn(gs_create_html* sheet);
GENERATESHEET_EXPORT void gs_create_html_init_pbase_conn(gs_create_html* sheet);
GENERATESHEET_EXPORT void gs_create_html_delfile(gs_create_html* sheet, const char* filepath);

GENERATESHEET_EXPORT char* gs_create_html_get_student_name(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_student_name(gs_create_html* sheet, const char* value);
GENERATESHEET_EXPORT char* gs_create_html_get_template_path(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_template_path(gs_create_html* sheet, const char* value);
GENERATESHEET_EXPORT char* gs_create_html_get_document_path(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_document_path(gs_create_html* sheet, const char* value);
GENERATESHEET_EXPORT char* gs_create_html_get_bak_data_path(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_bak_data_path(gs_create_html* sheet, const char* value);
GENERATESHEET_EXPORT char* gs_create_html_get_zip_paper_name(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_zip_paper_name(gs_create_html* sheet,
                                                           const char* value);
GENERATESHEET_EXPORT char* gs_create_html_get_zip_password(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_zip_password(gs_create_html* sheet, const char* value);
GENERATESHEET_EXPORT char* gs_create_html_get_err_msg(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_err_msg(gs_create_html* sheet, const char* value);
GENERATESHEET_EXPORT char* gs_create_html_get_student_id(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_student_id(gs_create_html* sheet, const char* value);
GENERATESHEET_EXPORT char* gs_create_html_get_subject(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_subject(gs_create_html* sheet, const char* value);
GENERATESHEET_EXPORT char* gs_create_html_get_html_paper_path(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_html_paper_path(gs_create_html* sheet,
                                                            const char* value);
/* The master key file of this object (CreateHtml::KeyFile); "" (the
 * default) stands for the file named by GENERATESHEET_KEY_FILE. */
GENERATESHEET_EXPORT char* gs_create_html_get_key_file(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_key_file(gs_create_html* sheet, const char* value);
/* The folder of this object's syslog.txt (CreateHtml::LogFolder); "" (the
 * default) stands for GENERATESHEET_LOG_DIR or the library's folder. */
GENERATESHEET_EXPORT char* gs_create_html_get_log_folder(const gs_create_html* sheet);
GENERATESHEET_EXPORT int gs_create_html_set_log_folder(gs_create_html* sheet, const char* value);
/* Receives one log line (UTF-8, NUL-terminated, without its line end) and
 * the `user` pointer given with it; the line is valid only during the call. */
typedef void (*gs_log_callback)(const char* line, void* user);
/* Sends this object's log lines to `callback` instead of a file
 * (CreateHtml::SetLogCallback), on the thread that runs the object; NULL
 * restores the file.  The callback may call this function itself: the new
 * setting takes effect for the lines after.  Returns GS_OK, or GS_ERROR
 * when memory runs out (the object then logs where it did before). */
GENERATESHEET_EXPORT int gs_create_html_set_log_callback(gs_create_html* sheet,
                                                         gs_log_callback callback, void* user);
/* Read-only: the page written by the last run, or "" when it wrote none. */
GENERATESHEET_EXPORT char* gs_create_html_get_page_path(const gs_create_html* sheet);
/* Marks on the page (CreateHtml::Marks): 1 on, 0 off (the default). */
GENERATESHEET_EXPORT int gs_create_html_get_marks(const gs_create_html* sheet);
GENERATESHEET_EXPORT void gs_create_html_set_marks(gs_create_html* sheet, int on);
/* The notice "此页面不完整：…" at the top of a page written with errors
 * (CreateHtml::IncompleteNotice): 1 on, 0 off (the default). */
GENERATESHEET_EXPORT int gs_create_html_get_incomplete_notice(const gs_create_html* sheet);
GENERATESHEET_EXPORT void gs_create_html_set_incomplete_notice(gs_create_html* sheet, int on);
/* "$Title$" filled with the student's number, name and subject instead of
 * the fixed title (CreateHtml::StudentTitle): 1 on, 0 off (the default). */
GENERATESHEET_EXPORT int gs_create_html_get_student_title(const gs_create_html* sheet);
GENERATESHEET_EXPORT void gs_create_html_set_student_title(gs_create_html* sheet, int on);
/* The per-question results of the last run (CreateHtml::Results): their
 * number, and all of them as a JSON array of objects with the keys number,
 * family ("single_choice", "compound", "essay"), choice, options,
 * student_answer (null when unanswered), standard_answer, obtained and full
 * (exact decimal texts, null when unknown), verdict ("correct", "partial",
 * "wrong", "unanswered", "unknown") and error (null when none). */
GENERATESHEET_EXPORT size_t gs_create_html_get_result_count(const gs_create_html* sheet);
GENERATESHEET_EXPORT char* gs_create_html_get_results_json(const gs_create_html* sheet);
/* The heading of each result's section (CreateHtml::ResultSections), as a
 * JSON array of strings, one per result: ["一、单选题", ...]. */
GENERATESHEET_EXPORT char* gs_create_html_get_result_sections_json(const gs_create_html* sheet);
/* The first line of each result's question text (CreateHtml::ResultTexts),
 * as a JSON array of strings, one per result. */
GENERATESHEET_EXPORT char* gs_create_html_get_result_texts_json(const gs_create_html* sheet);
/* Read-only: one of the GS_PAGE_ values; GS_PAGE_NOT_WRITTEN before any run. */
GENERATESHEET_EXPORT int gs_create_html_get_page_outcome(const gs_create_html* sheet);

/* Read-only: why the last run fell short (CreateHtml::Failure).  The kind
 * is one of the GS_FAILURE_ values; step, file, message and description
 * (the message without its procedure's prefix) are "" for GS_FAILURE_NONE. */
GENERATESHEET_EXPORT int gs_create_html_get_failure_kind(const gs_create_html* sheet);
GENERATESHEET_EXPORT char* gs_create_html_get_failure_step(const gs_create_html* sheet);
GENERATESHEET_EXPORT char* gs_create_html_get_failure_file(const gs_create_html* sheet);
GENERATESHEET_EXPORT char* gs_create_html_get_failure_message(const gs_create_html* sheet);
GENERATESHEET_EXPORT char* gs_create_html_get_failure_description(const gs_create_html* sheet);

/* ---- Connection ---- */

/* A new, closed connection with an empty connection string. */
GENERATESHEET_EXPORT gs_connection* gs_connection_new(void);
GENERATESHEET_EXPORT void gs_connection_release(gs_connection* connection);
GENERATESHEET_EXPORT char* gs_connection_get_connection_string(const gs_connection* connection);
/* GS_ERROR while the connection is open.  On GS_ERROR, when error is not
 * NULL, *error receives the reason (free it with gs_free). */
GENERATESHEET_EXPORT int gs_connection_set_connection_string(gs_connection* connection,
                                                             const char* value, char** error);
/* Opens the database named by the connection string's Data Source. */
GENERATESHEET_EXPORT int gs_connection_open(gs_connection* connection, char** error);
GENERATESHEET_EXPORT void gs_connection_close(gs_connection* connection);
GENERATESHEET_EXPORT int gs_connection_is_open(const gs_connection* connection);

/* ---- Model ---- */

GENERATESHEET_EXPORT gs_model* gs_model_new(void);
GENERATESHEET_EXPORT void gs_model_release(gs_model* model);

GENERATESHEET_EXPORT char* gs_model_get_document_path(const gs_model* model);
GENERATESHEET_EXPORT int gs_model_set_document_path(gs_model* model, const char* value);
GENERATESHEET_EXPORT char* gs_model_get_bak_data_path(const gs_model* model);
GENERATESHEET_EXPORT int gs_model_set_bak_data_path(gs_model* model, const char* value);
GENERATESHEET_EXPORT char* gs_model_get_zip_paper_name(const gs_model* model);
GENERATESHEET_EXPORT int gs_model_set_zip_paper_name(gs_model* model, const char* value);
GENERATESHEET_EXPORT char* gs_model_get_zip_password(const gs_model* model);
GENERATESHEET_EXPORT int gs_model_set_zip_password(gs_model* model, const char* value);
GENERATESHEET_EXPORT char* gs_model_get_student_id(const gs_model* model);
GENERATESHEET_EXPORT int gs_model_set_student_id(gs_model* model, const char* value);
/* A 16-bit integer, 0 until written. */
GENERATESHEET_EXPORT int16_t gs_model_get_subject(const gs_model* model);
GENERATESHEET_EXPORT void gs_model_set_subject(gs_model* model, int16_t value);
/* HTMLPaperPath is read-only and RecNo write-only: one shared value. */
GENERATESHEET_EXPORT char* gs_model_get_html_paper_path(const gs_model* model);
GENERATESHEET_EXPORT int gs_model_set_rec_no(gs_model* model, const char* value);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* GENERATESHEET_C_API_H_ */
