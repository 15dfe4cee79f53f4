#include "jetwriter/libmdb_dump.h"

#include <stdexcept>

#include "data/jet_values.h"
#include "data/mdb_reader.h"
#include "util/error.h"

namespace generatesheet::testing {

namespace {

std::string Text(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kInteger:
      return std::to_string(value.integer());
    case Value::Kind::kText:
      return value.text();
    default:
      return "";
  }
}

LibmdbTable ReadTable(MdbReader& reader, const std::string& name) {
  const MdbReader::StoredTable stored = reader.ReadStoredTable(name);
  LibmdbTable out;
  for (const JetColumn& column : stored.columns) out.columns.push_back({column.name, column.type});
  for (const auto& stored_row : stored.rows) {
    std::vector<LibmdbField> row;
    for (std::size_t i = 0; i < stored_row.size(); ++i) {
      const MdbReader::StoredField& f = stored_row[i];
      LibmdbField field;
      field.is_null = f.is_null;
      if (!f.is_null && stored.columns[i].type == kJetMemo) {
        field.memo_flags = f.stored.size() > 3 ? f.stored[3] : 0;
        field.bytes.assign(f.long_value.begin(), f.long_value.end());
      } else if (!f.is_null && stored.columns[i].type != kJetBoolean) {
        field.bytes.assign(f.stored.begin(), f.stored.end());
        field.text = Text(f.value);
      }
      row.push_back(std::move(field));
    }
    out.rows.push_back(std::move(row));
  }
  return out;
}

}  // namespace

std::map<std::string, LibmdbTable> ReadWithLibmdb(const std::string& path) {
  try {
    MdbReader reader(path);
    std::map<std::string, LibmdbTable> tables;
    for (const std::string& name : reader.UserTableNames()) tables[name] = ReadTable(reader, name);
    return tables;
  } catch (const Error& e) {
    throw std::runtime_error(e.what());
  }
}

}  // namespace generatesheet::testing
