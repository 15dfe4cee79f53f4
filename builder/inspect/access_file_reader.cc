#include "builder/inspect/access_file_reader.h"

#include "data/jet_values.h"
#include "data/mdb_reader.h"
#include "data/table.h"

namespace generatesheet::builder {

namespace {

jet::Value InspectedValue(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kNull:
      return jet::Value::Null();
    case Value::Kind::kBoolean:
      return value.boolean();
    case Value::Kind::kInteger:
      return static_cast<long long>(value.integer());
    case Value::Kind::kDouble:
      return value.real();
    case Value::Kind::kText:
      return value.text();
  }
  return jet::Value::Null();
}

}  // namespace

AccessFileReader::AccessFileReader(const std::string& path)
    : reader_(std::make_unique<MdbReader>(path)) {}

AccessFileReader::~AccessFileReader() = default;

std::vector<std::string> AccessFileReader::UserTableNames() const {
  return reader_->UserTableNames();
}

InspectedTable AccessFileReader::ReadTable(const std::string& name) {
  const std::unique_ptr<Table> rows = reader_->ReadTable(name);
  const std::vector<JetColumn> declared = reader_->Columns(name);
  InspectedTable table;
  table.name = rows->name();
  for (const JetColumn& column : declared) {
    table.columns.push_back({column.name, JetTypeName(column.type)});
  }
  table.rows.reserve(rows->row_count());
  for (std::size_t r = 0; r < rows->row_count(); ++r) {
    std::vector<jet::Value>& row = table.rows.emplace_back();
    row.reserve(declared.size());
    for (std::size_t c = 0; c < declared.size(); ++c)
      row.push_back(InspectedValue(rows->row(r)[c]));
  }
  return table;
}

}  // namespace generatesheet::builder
