// Reads every user table of an .mdb file through the data layer (libmdb
// parses the definitions and cracks the rows), keeping the stored bytes of
// each field, so tests can check byte for byte what the Jet writer wrote.
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
  std::string text;        // the value as read: text, or an integer in decimal
};

struct LibmdbColumn {
  std::string name;
  int type = 0;  // the stored type code (a JetType)
};

struct LibmdbTable {
  std::vector<LibmdbColumn> columns;
  std::vector<std::vector<LibmdbField>> rows;
};

// Throws std::runtime_error when the file, its catalog, a table definition
// or a row cannot be read.
std::map<std::string, LibmdbTable> ReadWithLibmdb(const std::string& path);

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_JETWRITER_LIBMDB_DUMP_H_
