// Reads every user table of an .mdb file through libmdb's own catalog, row
// and long-value code, keeping the stored bytes of each field, so tests can
// check what the Jet writer wrote without libmdb's lossy text conversion.
#ifndef GENERATESHEET_TESTS_JETWRITER_LIBMDB_DUMP_H_
#define GENERATESHEET_TESTS_JETWRITER_LIBMDB_DUMP_H_

#include <map>
#include <string>
#include <vector>

namespace generatesheet::testing {

struct LibmdbField {
  bool is_null = true;     // for a Boolean column: the value is !is_null
  std::string bytes;       // stored bytes; for a memo the whole text
  uint8_t memo_flags = 0;  // memo: the flag byte of its 12-byte header
  std::string text;        // libmdb's own conversion (non-memo, non-Boolean)
};

struct LibmdbColumn {
  std::string name;
  int type = 0;  // MDB_* type code
};

struct LibmdbTable {
  std::vector<LibmdbColumn> columns;
  std::vector<std::vector<LibmdbField>> rows;
};

// Throws std::runtime_error when libmdb cannot open the file, read its
// catalog, a table definition or a row.
std::map<std::string, LibmdbTable> ReadWithLibmdb(const std::string& path);

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_JETWRITER_LIBMDB_DUMP_H_
