// The library's one error type.  Members documented as throwing throw
// generatesheet::Error (or std::bad_alloc); its what() names the thing at
// fault: file, table, column, question number, archive entry.  A host may
// catch it with only the installed headers:
//
//   try {
//     connection.Open();
//   } catch (const generatesheet::Error& e) {
//     std::cerr << e.what() << "\n";
//   }
#ifndef GENERATESHEET_ERROR_H_
#define GENERATESHEET_ERROR_H_

#include <stdexcept>
#include <string>

#include "generatesheet/export.h"

namespace generatesheet {

class GENERATESHEET_EXPORT Error : public std::runtime_error {
 public:
  explicit Error(const std::string& description);
  Error(const Error&) = default;
  Error& operator=(const Error&) = default;
  ~Error() override;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_ERROR_H_
