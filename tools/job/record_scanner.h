// A quick reader of results files in the form the batch writes them: the
// record's fields read straight from the text, with no tree of JSON values
// built and freed on the way.  A class summary reads tens of thousands of
// records; a general JSON parser spent most of its time there.
//
// It takes only what it is sure of: text that is all strict UTF-8, the
// fields it knows, each once and of its own type, numbers and scores in
// their plain forms.  Anything else (another field, a byte-order mark, a
// number it would have to round, a surrogate escape, a damaged file) is left
// to the general reader, which reads it or tells exactly what is wrong.
// Whatever it does read, the general reader reads the same.
#ifndef GENERATESHEET_TOOLS_JOB_RECORD_SCANNER_H_
#define GENERATESHEET_TOOLS_JOB_RECORD_SCANNER_H_

#include <optional>
#include <string_view>

#include "tools/job/student_record.h"

namespace generatesheet::cli {

// The record in `text`; none when the text is not in the plain form above.
std::optional<StudentRecord> ScanStudentRecord(std::string_view text);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_JOB_RECORD_SCANNER_H_
