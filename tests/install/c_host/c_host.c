/* A C host of the installed library: writes one page and a log line, then
 * runs three failing runs and prints what the structured failure says.
 *   c_host PACKAGE_FOLDER ZIP_NAME TEMPLATE PAGE_PREFIX WRONG_KEY_FILE */
#include <generatesheet/c_api.h>
#include <stdio.h>

/* Runs `sheet` and prints "failure NAME KIND STEP FILE". */
static void PrintFailure(gs_create_html* sheet, const char* name) {
  char* step;
  char* file;
  gs_create_html_generate_sheet(sheet);
  step = gs_create_html_get_failure_step(sheet);
  file = gs_create_html_get_failure_file(sheet);
  printf("failure %s %d %s %s\n", name, gs_create_html_get_failure_kind(sheet), step ? step : "",
         file ? file : "");
  gs_free(step);
  gs_free(file);
}

int main(int argc, char** argv) {
  gs_create_html* sheet;
  char* page;
  int written;
  char prefix[4096];
  if (argc != 6) return 2;
  printf("version %s %s\n", gs_version(), GENERATESHEET_VERSION);
  sheet = gs_create_html_new();
  if (sheet == NULL) return 1;
  gs_create_html_set_bak_data_path(sheet, argv[1]);
  gs_create_html_set_zip_paper_name(sheet, argv[2]);
  gs_create_html_set_template_path(sheet, argv[3]);
  gs_create_html_set_html_paper_path(sheet, argv[4]);
  gs_create_html_set_student_id(sheet, "1002");
  gs_create_html_generate_sheet(sheet);
  page = gs_create_html_get_page_path(sheet);
  written = page != NULL && *page != '\0';
  if (written) {
    printf("page %s\n", page);
    printf("failure first %d\n", gs_create_html_get_failure_kind(sheet));
  } else {
    char* err = gs_create_html_get_err_msg(sheet);
    fprintf(stderr, "%s\n", err ? err : "");
    gs_free(err);
  }
  gs_free(page);
  gs_create_html_write_log(sheet, "c host log line");

  /* The failing runs write their pages beside the package, not over the good one. */
  snprintf(prefix, sizeof prefix, "%s/failing-", argv[1]);
  gs_create_html_set_html_paper_path(sheet, prefix);
  gs_create_html_set_zip_paper_name(sheet, "missing.zip");
  PrintFailure(sheet, "package");
  gs_create_html_set_zip_paper_name(sheet, argv[2]);
  gs_create_html_set_key_file(sheet, argv[5]);
  PrintFailure(sheet, "key");
  gs_create_html_set_key_file(sheet, "");
  gs_create_html_set_template_path(sheet, "");
  PrintFailure(sheet, "template");
  gs_create_html_release(sheet);
  return written ? 0 : 1;
}
