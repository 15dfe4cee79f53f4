/* Drives the C API from C.  Compiled as C (not C++), so it also proves that
 * generatesheet/c_api.h is a valid C header.  Each check returns NULL when it
 * passes, else a text naming the failed condition; c_api_test.cc runs them. */
#define _POSIX_C_SOURCE 200809L

#include "c_api/c_api_checks.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "generatesheet/c_api.h"

#define CHECK(condition)                                                       \
  do {                                                                         \
    if (!(condition)) return __FILE__ ":" STRINGIFY(__LINE__) ": " #condition; \
  } while (0)
#define STRINGIFY(x) STRINGIFY2(x)
#define STRINGIFY2(x) #x

/* Compares a getter's result with `expected` and frees it. */
static int Equals(char* got, const char* expected) {
  int same = got != NULL && strcmp(got, expected) == 0;
  gs_free(got);
  return same;
}

/* Whether the file at `path` holds `text` (read up to 64 KiB). */
static int FileHolds(const char* path, const char* text) {
  /* Its own buffer per call: the checks run on two threads at once. */
  enum { kSize = 65536 };
  char* buffer = malloc(kSize);
  FILE* file = fopen(path, "rb");
  size_t n;
  int holds;
  if (file == NULL || buffer == NULL) {
    if (file != NULL) fclose(file);
    free(buffer);
    return 0;
  }
  n = fread(buffer, 1, kSize - 1, file);
  fclose(file);
  buffer[n] = '\0';
  holds = strstr(buffer, text) != NULL;
  free(buffer);
  return holds;
}

/* Whether the failure's message is `prefix` followed by its description,
 * and the description starts with `start`. */
static int FailureDescribedWithoutPrefix(const gs_create_html* sheet, const char* prefix,
                                         const char* start) {
  char* message = gs_create_html_get_failure_message(sheet);
  char* description = gs_create_html_get_failure_description(sheet);
  size_t length = strlen(prefix);
  int described = message != NULL && description != NULL && strncmp(message, prefix, length) == 0 &&
                  strcmp(message + length, description) == 0 &&
                  strncmp(description, start, strlen(start)) == 0;
  gs_free(message);
  gs_free(description);
  return described;
}

const char* gs_check_fresh_objects_read_empty(void) {
  gs_create_html* sheet = gs_create_html_new();
  gs_model* model = gs_model_new();
  CHECK(sheet != NULL && model != NULL);
  CHECK(Equals(gs_create_html_get_student_name(sheet), ""));
  CHECK(Equals(gs_create_html_get_template_path(sheet), ""));
  CHECK(Equals(gs_create_html_get_document_path(sheet), ""));
  CHECK(Equals(gs_create_html_get_bak_data_path(sheet), ""));
  CHECK(Equals(gs_create_html_get_zip_paper_name(sheet), ""));
  CHECK(Equals(gs_create_html_get_zip_password(sheet), ""));
  CHECK(Equals(gs_create_html_get_err_msg(sheet), ""));
  CHECK(Equals(gs_create_html_get_student_id(sheet), ""));
  CHECK(Equals(gs_create_html_get_subject(sheet), ""));
  CHECK(Equals(gs_create_html_get_html_paper_path(sheet), ""));
  CHECK(Equals(gs_create_html_get_page_path(sheet), ""));
  CHECK(gs_create_html_get_page_outcome(sheet) == GS_PAGE_NOT_WRITTEN);
  CHECK(Equals(gs_model_get_document_path(model), ""));
  CHECK(Equals(gs_model_get_bak_data_path(model), ""));
  CHECK(Equals(gs_model_get_zip_paper_name(model), ""));
  CHECK(Equals(gs_model_get_zip_password(model), ""));
  CHECK(Equals(gs_model_get_student_id(model), ""));
  CHECK(Equals(gs_model_get_html_paper_path(model), ""));
  CHECK(gs_model_get_subject(model) == 0);
  gs_model_release(model);
  gs_create_html_release(sheet);
  gs_create_html_release(NULL);
  gs_model_release(NULL);
  return NULL;
}

const char* gs_check_properties_round_trip(void) {
  gs_create_html* sheet = gs_create_html_new();
  gs_model* model = gs_model_new();
  CHECK(gs_create_html_set_student_name(sheet, "张三") == GS_OK);
  CHECK(gs_create_html_set_subject(sheet, "计算机应用基础") == GS_OK);
  CHECK(gs_create_html_set_html_paper_path(sheet, "/pages/") == GS_OK);
  CHECK(gs_create_html_set_err_msg(sheet, "旧的报告") == GS_OK);
  CHECK(gs_create_html_set_zip_password(sheet, "  kept as is ") == GS_OK);
  CHECK(Equals(gs_create_html_get_student_name(sheet), "张三"));
  CHECK(Equals(gs_create_html_get_subject(sheet), "计算机应用基础"));
  CHECK(Equals(gs_create_html_get_html_paper_path(sheet), "/pages/"));
  CHECK(Equals(gs_create_html_get_err_msg(sheet), "旧的报告"));
  CHECK(Equals(gs_create_html_get_zip_password(sheet), "  kept as is "));
  /* NULL stands for the empty string. */
  CHECK(gs_create_html_set_student_name(sheet, NULL) == GS_OK);
  CHECK(Equals(gs_create_html_get_student_name(sheet), ""));

  CHECK(gs_model_set_rec_no(model, "X") == GS_OK);
  CHECK(Equals(gs_model_get_html_paper_path(model), "X"));
  gs_model_set_subject(model, -32768);
  CHECK(gs_model_get_subject(model) == -32768);
  CHECK(gs_model_set_student_id(model, "1001") == GS_OK);
  CHECK(Equals(gs_model_get_student_id(model), "1001"));
  gs_model_release(model);
  gs_create_html_release(sheet);
  return NULL;
}

const char* gs_check_connections(void) {
  gs_create_html* sheet = gs_create_html_new();
  gs_connection* first = gs_create_html_get_analysis_conn(sheet);
  gs_connection* again = gs_create_html_get_analysis_conn(sheet);
  gs_connection* mine = gs_connection_new();
  char* error = NULL;
  CHECK(first != NULL && again != NULL && mine != NULL);
  CHECK(!gs_connection_is_open(first));
  CHECK(Equals(gs_connection_get_connection_string(first), ""));
  /* Both references name the one connection the object created. */
  CHECK(gs_connection_set_connection_string(first, "Data Source=/x/Analysis.mdb", &error) == GS_OK);
  CHECK(error == NULL);
  CHECK(Equals(gs_connection_get_connection_string(again), "Data Source=/x/Analysis.mdb"));

  /* A connection set by the host is the one the object hands back. */
  CHECK(gs_connection_set_connection_string(mine, "Data Source=/y/Pbase.mdb", NULL) == GS_OK);
  gs_create_html_set_pbase_conn(sheet, mine);
  gs_connection_release(mine);
  mine = gs_create_html_get_pbase_conn(sheet);
  CHECK(Equals(gs_connection_get_connection_string(mine), "Data Source=/y/Pbase.mdb"));
  gs_connection_release(mine);
  /* Emptied, the member creates a fresh connection on the next read. */
  gs_create_html_set_pbase_conn(sheet, NULL);
  mine = gs_create_html_get_pbase_conn(sheet);
  CHECK(Equals(gs_connection_get_connection_string(mine), ""));

  /* Opening a file that does not exist fails with a reason naming it. */
  CHECK(gs_connection_open(again, &error) == GS_ERROR);
  CHECK(error != NULL && strstr(error, "/x/Analysis.mdb") != NULL);
  gs_free(error);
  CHECK(!gs_connection_is_open(again));

  gs_connection_release(mine);
  gs_connection_release(first);
  gs_create_html_release(sheet);
  /* A reference outlives the object it came from. */
  CHECK(Equals(gs_connection_get_connection_string(again), "Data Source=/x/Analysis.mdb"));
  gs_connection_release(again);
  gs_connection_release(NULL);
  return NULL;
}

const char* gs_check_delfile(const char* path) {
  gs_create_html* sheet = gs_create_html_new();
  FILE* f = fopen(path, "w");
  struct stat st;
  CHECK(f != NULL);
  fclose(f);
  CHECK(chmod(path, 0444) == 0);
  gs_create_html_delfile(sheet, path);
  CHECK(stat(path, &st) != 0);
  gs_create_html_delfile(sheet, path); /* missing: nothing happens */
  gs_create_html_delfile(sheet, NULL);
  gs_create_html_release(sheet);
  return NULL;
}

const char* gs_check_missing_package(const char* folder) {
  gs_create_html* sheet = gs_create_html_new();
  char* file;
  char* message;
  CHECK(gs_create_html_get_failure_kind(sheet) == GS_FAILURE_NONE);
  CHECK(gs_create_html_set_bak_data_path(sheet, folder) == GS_OK);
  CHECK(gs_create_html_set_zip_paper_name(sheet, "nobody.zip") == GS_OK);
  CHECK(gs_create_html_set_err_msg(sheet, "earlier") == GS_OK);
  CHECK(gs_create_html_generate_sheet(sheet) == 0);
  CHECK(Equals(gs_create_html_get_page_path(sheet), ""));
  CHECK(gs_create_html_get_page_outcome(sheet) == GS_PAGE_NOT_WRITTEN);
  /* A failed extraction leaves ErrMsg as it was; the failure tells why. */
  CHECK(Equals(gs_create_html_get_err_msg(sheet), "earlier"));
  CHECK(gs_create_html_get_failure_kind(sheet) == GS_FAILURE_PACKAGE_MISSING);
  CHECK(Equals(gs_create_html_get_failure_step(sheet), "Unzip"));
  file = gs_create_html_get_failure_file(sheet);
  CHECK(file != NULL && strstr(file, "nobody.zip") != NULL);
  gs_free(file);
  message = gs_create_html_get_failure_message(sheet);
  CHECK(message != NULL && strstr(message, "nobody.zip") != NULL);
  /* The extraction's message carries no procedure's prefix. */
  CHECK(Equals(gs_create_html_get_failure_description(sheet), message));
  gs_free(message);
  gs_create_html_release(sheet);
  return NULL;
}

const char* gs_check_generate(const char* folder, const char* zip, const char* template_path,
                              const char* out, const char* student_id, const char* expected_page) {
  gs_create_html* sheet = gs_create_html_new();
  char title[256];
  CHECK(gs_create_html_set_bak_data_path(sheet, folder) == GS_OK);
  CHECK(gs_create_html_set_zip_paper_name(sheet, zip) == GS_OK);
  CHECK(gs_create_html_set_template_path(sheet, template_path) == GS_OK);
  CHECK(gs_create_html_set_html_paper_path(sheet, out) == GS_OK);
  CHECK(gs_create_html_set_student_id(sheet, student_id) == GS_OK);
  CHECK(gs_create_html_set_student_name(sheet, "张三") == GS_OK);
  CHECK(gs_create_html_generate_sheet(sheet) == 1);
  CHECK(Equals(gs_create_html_get_err_msg(sheet), ""));
  CHECK(Equals(gs_create_html_get_page_path(sheet), expected_page));
  CHECK(gs_create_html_get_result_count(sheet) == 1);
  CHECK(Equals(gs_create_html_get_results_json(sheet),
               "[{\"number\":1,\"family\":\"single_choice\",\"choice\":true,"
               "\"options\":[\"A\"],\"student_answer\":\"A\",\"standard_answer\":\"A\","
               "\"obtained\":\"2\",\"full\":\"2\",\"verdict\":\"correct\",\"error\":null}]"));
  CHECK(Equals(gs_create_html_get_result_sections_json(sheet), "[\"一、单选题\"]"));
  CHECK(Equals(gs_create_html_get_result_texts_json(sheet), "[\"1+1=?\"]"));
  /* The same object serves a second run, this time with marks. */
  CHECK(gs_create_html_get_marks(sheet) == 0);
  gs_create_html_set_marks(sheet, 1);
  CHECK(gs_create_html_get_marks(sheet) == 1);
  CHECK(gs_create_html_get_page_outcome(sheet) == GS_PAGE_COMPLETE);
  /* The same object serves a second run. */
  CHECK(gs_create_html_generate_sheet(sheet) == 1);
  CHECK(Equals(gs_create_html_get_page_path(sheet), expected_page));
  CHECK(Equals(gs_create_html_get_err_msg(sheet), ""));
  CHECK(gs_create_html_get_page_outcome(sheet) == GS_PAGE_COMPLETE);
  /* Another student's number does not fit the package: written with errors,
   * and with the notice asked for, the page says so. */
  CHECK(gs_create_html_get_incomplete_notice(sheet) == 0);
  gs_create_html_set_incomplete_notice(sheet, 1);
  CHECK(gs_create_html_get_incomplete_notice(sheet) == 1);
  CHECK(gs_create_html_set_student_id(sheet, "not-the-student") == GS_OK);
  CHECK(gs_create_html_generate_sheet(sheet) == 1);
  CHECK(Equals(gs_create_html_get_page_path(sheet), expected_page));
  CHECK(gs_create_html_get_page_outcome(sheet) == GS_PAGE_WRITTEN_WITH_ERRORS);
  CHECK(FileHolds(expected_page, "此页面不完整：学号“not-the-student”与此答卷包不符"));
  CHECK(gs_create_html_get_failure_kind(sheet) == GS_FAILURE_STUDENT_MISMATCH);
  CHECK(Equals(gs_create_html_get_failure_step(sheet), "GetPaperTotleInfo"));
  CHECK(FailureDescribedWithoutPrefix(sheet,
                                      "【GetPaperTotleInfo】获取试卷的标题信息出错，错误信息：",
                                      "学号“not-the-student”与此答卷包不符"));
  /* and the right one makes it whole again. */
  CHECK(gs_create_html_set_student_id(sheet, student_id) == GS_OK);
  CHECK(gs_create_html_generate_sheet(sheet) == 1);
  CHECK(gs_create_html_get_page_outcome(sheet) == GS_PAGE_COMPLETE);
  CHECK(gs_create_html_get_failure_kind(sheet) == GS_FAILURE_NONE);
  CHECK(Equals(gs_create_html_get_failure_message(sheet), ""));
  CHECK(Equals(gs_create_html_get_failure_description(sheet), ""));
  CHECK(FileHolds(expected_page, "<title>生成的网页标题</title>"));
  /* The student's title, escaped, in place of the fixed one. */
  CHECK(gs_create_html_get_student_title(sheet) == 0);
  gs_create_html_set_student_title(sheet, 1);
  CHECK(gs_create_html_get_student_title(sheet) == 1);
  CHECK(gs_create_html_set_student_name(sheet, "<张 & \"三\">") == GS_OK);
  CHECK(gs_create_html_set_subject(sheet, "英语") == GS_OK);
  CHECK(gs_create_html_generate_sheet(sheet) == 1);
  CHECK(gs_create_html_get_page_outcome(sheet) == GS_PAGE_COMPLETE);
  snprintf(title, sizeof title, "<title>%s &lt;张 &amp; &quot;三&quot;&gt; 英语</title>",
           student_id);
  CHECK(FileHolds(expected_page, title));
  gs_create_html_release(sheet);
  return NULL;
}

const char* gs_check_generate_with_key(const char* folder, const char* zip,
                                       const char* template_path, const char* out,
                                       const char* student_id, const char* key_file,
                                       const char* expected_page) {
  gs_create_html* sheet = gs_create_html_new();
  CHECK(Equals(gs_create_html_get_key_file(sheet), ""));
  CHECK(gs_create_html_set_key_file(sheet, key_file) == GS_OK);
  CHECK(Equals(gs_create_html_get_key_file(sheet), key_file));
  CHECK(gs_create_html_set_bak_data_path(sheet, folder) == GS_OK);
  CHECK(gs_create_html_set_zip_paper_name(sheet, zip) == GS_OK);
  CHECK(gs_create_html_set_template_path(sheet, template_path) == GS_OK);
  CHECK(gs_create_html_set_html_paper_path(sheet, out) == GS_OK);
  CHECK(gs_create_html_set_student_id(sheet, student_id) == GS_OK);
  CHECK(gs_create_html_generate_sheet(sheet) == 1);
  CHECK(Equals(gs_create_html_get_err_msg(sheet), ""));
  CHECK(gs_create_html_get_page_outcome(sheet) == GS_PAGE_COMPLETE);
  CHECK(Equals(gs_create_html_get_page_path(sheet), expected_page));
  gs_create_html_release(sheet);
  return NULL;
}

/* The lines a log callback received, one after another. */
struct ReceivedLines {
  char text[4096];
  size_t used;
  int count;
};

static void Receive(const char* line, void* user) {
  struct ReceivedLines* received = (struct ReceivedLines*)user;
  size_t length = strlen(line);
  if (received->used + length + 2 > sizeof received->text) return;
  memcpy(received->text + received->used, line, length);
  received->used += length;
  received->text[received->used++] = '\n';
  received->text[received->used] = '\0';
  ++received->count;
}

const char* gs_check_log_callback(const char* tag, const char* folder) {
  struct ReceivedLines received = {{0}, 0, 0};
  char expected[4096] = "";
  char line[64];
  char log_path[1024];
  struct stat st;
  int n;
  gs_create_html* sheet = gs_create_html_new();
  CHECK(gs_create_html_set_log_folder(sheet, folder) == GS_OK);
  CHECK(gs_create_html_set_log_callback(sheet, Receive, &received) == GS_OK);
  for (n = 0; n < 100; ++n) {
    snprintf(line, sizeof line, "%s:%d", tag, n);
    gs_create_html_write_log(sheet, line);
    strcat(expected, line);
    strcat(expected, "\n");
  }
  CHECK(received.count == 100);
  CHECK(strcmp(received.text, expected) == 0);
  snprintf(log_path, sizeof log_path, "%s/syslog.txt", folder);
  CHECK(stat(log_path, &st) != 0);

  CHECK(gs_create_html_set_log_callback(sheet, NULL, NULL) == GS_OK);
  gs_create_html_write_log(sheet, tag);
  CHECK(received.count == 100);
  CHECK(FileHolds(log_path, tag));
  gs_create_html_release(sheet);
  return NULL;
}

/* `folder` & "\" & `name`, or with "/" when `sep` is "/". */
static const char* Joined(char* out, size_t size, const char* folder, const char* sep,
                          const char* name) {
  snprintf(out, size, "%s%s%s", folder, sep, name);
  return out;
}

const char* gs_check_backslash_paths(const char* w) {
  gs_create_html* sheet = gs_create_html_new();
  char path[1024];
  char page[1024];
  struct stat st;
  FILE* f;
  CHECK(gs_create_html_set_bak_data_path(sheet, Joined(path, sizeof path, w, "\\", "h1")) == GS_OK);
  CHECK(gs_create_html_set_zip_paper_name(sheet, "1001.zip") == GS_OK);
  CHECK(gs_create_html_set_html_paper_path(sheet, Joined(path, sizeof path, w, "\\", "h1out\\")) ==
        GS_OK);
  CHECK(gs_create_html_set_template_path(sheet, Joined(path, sizeof path, w, "\\", "tpl.html")) ==
        GS_OK);
  CHECK(gs_create_html_set_key_file(sheet, Joined(path, sizeof path, w, "\\", "master.key")) ==
        GS_OK);
  CHECK(gs_create_html_set_log_folder(sheet, Joined(path, sizeof path, w, "\\", "logs")) == GS_OK);
  CHECK(gs_create_html_set_student_id(sheet, "1001") == GS_OK);
  CHECK(gs_create_html_generate_sheet(sheet) == 1);
  CHECK(Equals(gs_create_html_get_err_msg(sheet), ""));
  CHECK(gs_create_html_get_page_outcome(sheet) == GS_PAGE_COMPLETE);
  CHECK(Equals(gs_create_html_get_page_path(sheet),
               Joined(page, sizeof page, w, "/", "h1out/1001.html")));
  CHECK(FileHolds(page, "学号：1001"));
  /* Properties read back as the host set them. */
  CHECK(Equals(gs_create_html_get_bak_data_path(sheet), Joined(path, sizeof path, w, "\\", "h1")));

  gs_create_html_write_log(sheet, "line");
  CHECK(FileHolds(Joined(path, sizeof path, w, "/", "logs/syslog.txt"), "line"));

  f = fopen(Joined(path, sizeof path, w, "/", "del.txt"), "w");
  CHECK(f != NULL);
  fclose(f);
  gs_create_html_delfile(sheet, Joined(path, sizeof path, w, "\\", "del.txt"));
  CHECK(stat(Joined(path, sizeof path, w, "/", "del.txt"), &st) != 0);
  gs_create_html_release(sheet);
  return NULL;
}
