// Why the last run of a CreateHtml fell short, in a form a program can act
// on: a kind to switch on, the step that failed, the file concerned and the
// message.  It stands beside ErrMsg and PageOutcome:
//
//   sheet.GenerateSheet();
//   const generatesheet::RunFailure& failure = sheet.Failure();
//   switch (failure.kind) {
//     case generatesheet::FailureKind::kNone: break;  // a complete page
//     case generatesheet::FailureKind::kPackageMissing: ...  // failure.file
//     default: std::cerr << failure.message << "\n";
//   }
#ifndef GENERATESHEET_RUN_FAILURE_H_
#define GENERATESHEET_RUN_FAILURE_H_

#include <string>

namespace generatesheet {

// The values are fixed: the C API hands them out as GS_FAILURE_ numbers.
enum class FailureKind {
  kNone = 0,             // no failure: the page is complete, or no run yet
  kOther = 1,            // any failure not told apart below
  kPackageMissing = 2,   // the package is missing or cannot be read
  kNotAZip = 3,          // the package is not a zip archive
  kDamagedPackage = 4,   // an entry cannot be read: corrupt, truncated, wrong password
  kRefusedEntry = 5,     // an entry the extraction refuses: unsafe name, over a limit
  kKeyMismatch = 6,      // the master key does not fit the package
  kStudentMismatch = 7,  // the student number does not fit the package
  kNoSection = 8,        // no question came out: no section for the subject
  kTemplate = 9,         // the template cannot be read or holds no "$Content$"
  kWrite = 10,           // the page (or an extracted file) cannot be written
};

struct RunFailure {
  FailureKind kind = FailureKind::kNone;
  // The procedure that failed: "Unzip" for the extraction, else the name in
  // its ErrMsg prefix ("InitAnalysisConn", "GePaperInfo", ...).
  std::string step;
  std::string file;     // the file concerned; "" when the failure names none
  std::string message;  // ErrMsg's text; for a failed extraction, which
                        // leaves ErrMsg alone, the extraction's own
  // The message without the failing procedure's fixed prefix: the reason
  // alone, for people (the step tells which procedure it was).
  std::string description;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_RUN_FAILURE_H_
