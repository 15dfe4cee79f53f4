/* A C host of the installed library: writes one page and a log line.
 *   c_host PACKAGE_FOLDER ZIP_NAME TEMPLATE PAGE_PREFIX */
#include <generatesheet/c_api.h>
#include <stdio.h>

int main(int argc, char** argv) {
  gs_create_html* sheet;
  char* page;
  int written;
  if (argc != 5) return 2;
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
  } else {
    char* err = gs_create_html_get_err_msg(sheet);
    fprintf(stderr, "%s\n", err ? err : "");
    gs_free(err);
  }
  gs_free(page);
  gs_create_html_write_log(sheet, "c host log line");
  gs_create_html_release(sheet);
  return written ? 0 : 1;
}
