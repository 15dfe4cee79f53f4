/* The checks of c_api_test.c, callable from C and C++.  Each returns NULL
 * when it passes, else a text naming the condition that failed. */
#ifndef GENERATESHEET_TESTS_C_API_C_API_CHECKS_H_
#define GENERATESHEET_TESTS_C_API_C_API_CHECKS_H_

#ifdef __cplusplus
extern "C" {
#endif

const char* gs_check_fresh_objects_read_empty(void);
const char* gs_check_properties_round_trip(void);
const char* gs_check_connections(void);
/* Creates `path`, makes it read-only and deletes it through Delfile. */
const char* gs_check_delfile(const char* path);
/* GenerateSheet on a package that is not in `folder`. */
const char* gs_check_missing_package(const char* folder);
/* Two runs on one object over a real package; both must write
 * `expected_page` with no error report. */
const char* gs_check_generate(const char* folder, const char* zip, const char* template_path,
                              const char* out, const char* student_id, const char* expected_page);
/* One run with its own master key file: the page must be complete. */
const char* gs_check_generate_with_key(const char* folder, const char* zip,
                                       const char* template_path, const char* out,
                                       const char* student_id, const char* key_file,
                                       const char* expected_page);
/* Writes 100 lines "`tag`:N" through a log callback on an object whose log
 * folder is `folder`: the callback must receive exactly these lines and no
 * syslog.txt appear; without the callback the next line goes to the file. */
const char* gs_check_log_callback(const char* tag, const char* folder);
/* Runs the package `w`/h1/1001.zip (key `w`/master.key, template
 * `w`/tpl.html) with every path in the form an old host writes it
 * (BakDataPath `w`\h1, HTMLPaperPath `w`\h1out\, ...): a complete page in
 * `w`/h1out, the log in `w`/logs, and Delfile(`w`\del.txt) deletes
 * `w`/del.txt. */
const char* gs_check_backslash_paths(const char* w);

#ifdef __cplusplus
}
#endif

#endif /* GENERATESHEET_TESTS_C_API_C_API_CHECKS_H_ */
