// What rendering one paper needs from the run that drives it: the two
// databases, the cipher, the student, and a place to report a failure.
// Rendering reaches nothing of the component beyond this.
#ifndef GENERATESHEET_RENDER_RENDER_CONTEXT_H_
#define GENERATESHEET_RENDER_RENDER_CONTEXT_H_

#include <string>

#include "cipher/cipher.h"
#include "generatesheet/connection.h"
#include "render/result_collector.h"
#include "util/error_sink.h"

namespace generatesheet {

// The one subject whose question bank holds numeric type ids and whose page
// suppresses some answers; compared exactly.
inline constexpr char kFundamentalsSubject[] = "计算机应用基础";

// Everything referred to here belongs to the driver and outlives the render
// calls made with it.
struct RenderContext {
  // The student's decrypted answer database: the header opens it, the answer
  // rows of every section read through it.
  Connection& analysis_conn;
  // The question bank: the section walk opens it, the question renderers
  // read through it.
  Connection& pbase_conn;
  // Encrypts keys and decrypts stored values; null when the answer database
  // was never prepared.
  Cipher* cipher = nullptr;
  std::string student_id;
  std::string student_name;
  std::string subject;
  // Receives each rendering procedure's failure under its fixed prefix.
  ErrorSink& errors;
  // Gathers the per-question results (and, with marks on, shows the marks);
  // null when nobody asked for them.
  ResultCollector* results = nullptr;
  // Counts the question tables rendered, so the run can tell a paper that
  // showed none.
  mutable int questions_rendered = 0;

  // The cipher; throws Error when the answer database was never prepared.
  Cipher& RequireCipher() const;

  bool IsFundamentals() const { return subject == kFundamentalsSubject; }
};

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_RENDER_CONTEXT_H_
