// The C API: each function forwards to one member and keeps every C++
// exception (in practice only std::bad_alloc) on this side of the boundary.
#include "generatesheet/c_api.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "generatesheet/connection.h"
#include "generatesheet/create_html.h"
#include "generatesheet/model.h"
#include "generatesheet/version.h"
#include "render/question_result.h"

struct gs_create_html {
  generatesheet::CreateHtml object;
};

struct gs_model {
  generatesheet::Model object;
};

struct gs_connection {
  std::shared_ptr<generatesheet::Connection> object;
};

namespace {

std::string In(const char* value) { return value == nullptr ? std::string() : value; }

// A malloc'd copy the caller frees with gs_free; NULL when memory runs out.
char* CopyOut(const std::string& value) {
  char* copy = static_cast<char*>(std::malloc(value.size() + 1));
  if (copy != nullptr) std::memcpy(copy, value.c_str(), value.size() + 1);
  return copy;
}

// Runs `body`, turning any exception into `on_failure`.
template <typename Result, typename Body>
Result Guarded(Result on_failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return on_failure;
  }
}

template <typename Body>
void Guarded(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

// Reports a failed connection operation through the optional out-parameter.
template <typename Body>
int WithError(char** error, Body&& body) noexcept {
  if (error != nullptr) *error = nullptr;
  try {
    body();
    return GS_OK;
  } catch (const std::exception& e) {
    if (error != nullptr) *error = CopyOut(e.what());
  } catch (...) {
  }
  return GS_ERROR;
}

gs_connection* NewReference(std::shared_ptr<generatesheet::Connection> connection) {
  return Guarded<gs_connection*>(nullptr, [&] { return new gs_connection{std::move(connection)}; });
}

}  // namespace

#define GS_STRING_PROPERTY(prefix, handle, name, Member)                         \
  char* prefix##_get_##name(const handle* h) {                                   \
    return Guarded<char*>(nullptr, [&] { return CopyOut(h->object.Member()); }); \
  }                                                                              \
  int prefix##_set_##name(handle* h, const char* value) {                        \
    return Guarded<int>(GS_ERROR, [&] {                                          \
      h->object.Set##Member(In(value));                                          \
      return GS_OK;                                                              \
    });                                                                          \
  }

extern "C" {

void gs_free(void* p) { std::free(p); }

// ---- CreateHtml ----

gs_create_html* gs_create_html_new(void) {
  return Guarded<gs_create_html*>(nullptr, [] { return new gs_create_html; });
}

void gs_create_html_release(gs_create_html* sheet) { delete sheet; }

gs_connection* gs_create_html_get_analysis_conn(gs_create_html* sheet) {
  return Guarded<gs_connection*>(nullptr,
                                 [&] { return NewReference(sheet->object.AnalysisConn()); });
}

void gs_create_html_set_analysis_conn(gs_create_html* sheet, const gs_connection* connection) {
  Guarded(
      [&] { sheet->object.SetAnalysisConn(connection == nullptr ? nullptr : connection->object); });
}

gs_connection* gs_create_html_get_pbase_conn(gs_create_html* sheet) {
  return Guarded<gs_connection*>(nullptr, [&] { return NewReference(sheet->object.PbaseConn()); });
}

void gs_create_html_set_pbase_conn(gs_create_html* sheet, const gs_connection* connection) {
  Guarded(
      [&] { sheet->object.SetPbaseConn(connection == nullptr ? nullptr : connection->object); });
}

int gs_create_html_generate_sheet(gs_create_html* sheet) {
  return Guarded<int>(0, [&] { return sheet->object.GenerateSheet() ? 1 : 0; });
}

void gs_create_html_write_log(gs_create_html* sheet, const char* line) {
  Guarded([&] { sheet->object.WriteLog(In(line)); });
}

int gs_create_html_set_log_callback(gs_create_html* sheet, gs_log_callback callback, void* user) {
  return Guarded<int>(GS_ERROR, [&] {
    if (callback == nullptr) {
      sheet->object.SetLogCallback(nullptr);
    } else {
      sheet->object.SetLogCallback(
          [callback, user](std::string_view line) { callback(std::string(line).c_str(), user); });
    }
    return GS_OK;
  });
}

void gs_create_html_init_analysis_conn(gs_create_html* sheet) {
  Guarded([&] { sheet->object.InitAnalysisConn(); });
}

void gs_create_html_init_pbase_conn(gs_create_html* sheet) {
  Guarded([&] { sheet->object.InitPbaseConn(); });
}

void gs_create_html_delfile(gs_create_html* sheet, const char* filepath) {
  Guarded([&] {
    std::string path = In(filepath);
    sheet->object.Delfile(path);
  });
}

int gs_create_html_get_marks(const gs_create_html* sheet) { return sheet->object.Marks() ? 1 : 0; }

void gs_create_html_set_marks(gs_create_html* sheet, int on) { sheet->object.SetMarks(on != 0); }

int gs_create_html_get_incomplete_notice(const gs_create_html* sheet) {
  return sheet->object.IncompleteNotice() ? 1 : 0;
}

void gs_create_html_set_incomplete_notice(gs_create_html* sheet, int on) {
  sheet->object.SetIncompleteNotice(on != 0);
}

int gs_create_html_get_student_title(const gs_create_html* sheet) {
  return sheet->object.StudentTitle() ? 1 : 0;
}

void gs_create_html_set_student_title(gs_create_html* sheet, int on) {
  sheet->object.SetStudentTitle(on != 0);
}

size_t gs_create_html_get_result_count(const gs_create_html* sheet) {
  return sheet->object.Results().size();
}

char* gs_create_html_get_results_json(const gs_create_html* sheet) {
  return Guarded<char*>(
      nullptr, [&] { return CopyOut(generatesheet::ResultsToJson(sheet->object.Results())); });
}

char* gs_create_html_get_result_sections_json(const gs_create_html* sheet) {
  return Guarded<char*>(
      nullptr, [&] { return CopyOut(generatesheet::TextsToJson(sheet->object.ResultSections())); });
}

char* gs_create_html_get_result_texts_json(const gs_create_html* sheet) {
  return Guarded<char*>(
      nullptr, [&] { return CopyOut(generatesheet::TextsToJson(sheet->object.ResultTexts())); });
}

GS_STRING_PROPERTY(gs_create_html, gs_create_html, student_name, StudentName)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, template_path, TemplatePath)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, key_file, KeyFile)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, log_folder, LogFolder)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, document_path, DocumentPath)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, bak_data_path, BakDataPath)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, zip_paper_name, ZipPaperName)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, zip_password, ZipPassword)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, err_msg, ErrMsg)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, student_id, StudentID)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, subject, Subject)
GS_STRING_PROPERTY(gs_create_html, gs_create_html, html_paper_path, HTMLPaperPath)

char* gs_create_html_get_page_path(const gs_create_html* sheet) {
  return Guarded<char*>(nullptr, [&] { return CopyOut(sheet->object.PagePath()); });
}

int gs_create_html_get_page_outcome(const gs_create_html* sheet) {
  return static_cast<int>(sheet->object.PageOutcome());
}

using generatesheet::FailureKind;
static_assert(GS_FAILURE_NONE == static_cast<int>(FailureKind::kNone));
static_assert(GS_FAILURE_PACKAGE_MISSING == static_cast<int>(FailureKind::kPackageMissing));
static_assert(GS_FAILURE_KEY_MISMATCH == static_cast<int>(FailureKind::kKeyMismatch));
static_assert(GS_FAILURE_WRITE == static_cast<int>(FailureKind::kWrite));

int gs_create_html_get_failure_kind(const gs_create_html* sheet) {
  return static_cast<int>(sheet->object.Failure().kind);
}

char* gs_create_html_get_failure_step(const gs_create_html* sheet) {
  return Guarded<char*>(nullptr, [&] { return CopyOut(sheet->object.Failure().step); });
}

char* gs_create_html_get_failure_file(const gs_create_html* sheet) {
  return Guarded<char*>(nullptr, [&] { return CopyOut(sheet->object.Failure().file); });
}

char* gs_create_html_get_failure_message(const gs_create_html* sheet) {
  return Guarded<char*>(nullptr, [&] { return CopyOut(sheet->object.Failure().message); });
}

char* gs_create_html_get_failure_description(const gs_create_html* sheet) {
  return Guarded<char*>(nullptr, [&] { return CopyOut(sheet->object.Failure().description); });
}

// ---- Connection ----

gs_connection* gs_connection_new(void) {
  return Guarded<gs_connection*>(
      nullptr, [] { return new gs_connection{std::make_shared<generatesheet::Connection>()}; });
}

void gs_connection_release(gs_connection* connection) { delete connection; }

char* gs_connection_get_connection_string(const gs_connection* connection) {
  return Guarded<char*>(nullptr, [&] { return CopyOut(connection->object->ConnectionString()); });
}

int gs_connection_set_connection_string(gs_connection* connection, const char* value,
                                        char** error) {
  return WithError(error, [&] { connection->object->SetConnectionString(In(value)); });
}

int gs_connection_open(gs_connection* connection, char** error) {
  return WithError(error, [&] { connection->object->Open(); });
}

void gs_connection_close(gs_connection* connection) { connection->object->Close(); }

int gs_connection_is_open(const gs_connection* connection) {
  return connection->object->IsOpen() ? 1 : 0;
}

// ---- Model ----

gs_model* gs_model_new(void) {
  return Guarded<gs_model*>(nullptr, [] { return new gs_model; });
}

void gs_model_release(gs_model* model) { delete model; }

GS_STRING_PROPERTY(gs_model, gs_model, document_path, DocumentPath)
GS_STRING_PROPERTY(gs_model, gs_model, bak_data_path, BakDataPath)
GS_STRING_PROPERTY(gs_model, gs_model, zip_paper_name, ZipPaperName)
GS_STRING_PROPERTY(gs_model, gs_model, zip_password, ZipPassword)
GS_STRING_PROPERTY(gs_model, gs_model, student_id, StudentID)

int16_t gs_model_get_subject(const gs_model* model) { return model->object.Subject(); }

void gs_model_set_subject(gs_model* model, int16_t value) { model->object.SetSubject(value); }

char* gs_model_get_html_paper_path(const gs_model* model) {
  return Guarded<char*>(nullptr, [&] { return CopyOut(model->object.HTMLPaperPath()); });
}

int gs_model_set_rec_no(gs_model* model, const char* value) {
  return Guarded<int>(GS_ERROR, [&] {
    model->object.SetRecNo(In(value));
    return GS_OK;
  });
}

const char* gs_version(void) { return generatesheet::Version(); }

}  // extern "C"
