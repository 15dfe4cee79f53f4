// The error text a call throws, for tests that check exact messages.
#ifndef GENERATESHEET_TESTS_SUPPORT_ERROR_TEXT_H_
#define GENERATESHEET_TESTS_SUPPORT_ERROR_TEXT_H_

#include <string>

#include "util/error.h"

namespace generatesheet::testing {

// What `f` throws as an Error, or "(no error)" when it does not throw.
template <typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_SUPPORT_ERROR_TEXT_H_
