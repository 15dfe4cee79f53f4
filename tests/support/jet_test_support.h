// Reading Access files in tests through the independent JavaScript reader
// mdb-reader (tests/js/read_mdb.mjs, run with node).
#ifndef GENERATESHEET_TESTS_SUPPORT_JET_TEST_SUPPORT_H_
#define GENERATESHEET_TESTS_SUPPORT_JET_TEST_SUPPORT_H_

#include <nlohmann/json.hpp>
#include <string>

namespace generatesheet::testing {

// Every user table of the .mdb file at `path`, as mdb-reader reads it:
//   {"table": {"columns": [{"name", "type"}], "rows": [{"column": value}]}}
// with Null as null (see tests/js/read_mdb.mjs for dates, binary values).
// Throws std::runtime_error when node or mdb-reader is missing (the text
// says to run `npm ci --prefix tests/js`) or when the reader fails (the
// text carries its error output).
nlohmann::json ReadWithMdbReader(const std::string& path);

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_SUPPORT_JET_TEST_SUPPORT_H_
