#include "tools/cli/mdb_json.h"

#include <sodium.h>

#include <charconv>
#include <cstdio>
#include <vector>

#include "data/jet_values.h"
#include "data/mdb_reader.h"
#include "data/table.h"
#include "util/error.h"

namespace generatesheet::cli {

namespace {

using nlohmann::ordered_json;

std::string Base64(const std::string& bytes) {
  std::string text(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), reinterpret_cast<const unsigned char*>(bytes.data()),
                    bytes.size(), sodium_base64_VARIANT_ORIGINAL);
  text.resize(text.size() - 1);  // the terminating NUL
  return text;
}

// "1974-09-21 00:00:00" (as the data layer reads a date) in ISO-8601 UTC.
ordered_json DateJson(const std::string& text) {
  if (text.size() != 19 || text[10] != ' ') return text;  // an invalid date, as read
  return {{"date", text.substr(0, 10) + "T" + text.substr(11) + ".000Z"}};
}

std::string ShortestText(double d) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, d).ptr;
  return std::string(buffer, end);
}

ordered_json ValueJson(const Value& value, const std::string& type) {
  switch (value.kind()) {
    case Value::Kind::kNull:
      return nullptr;
    case Value::Kind::kBoolean:
      return value.boolean();
    case Value::Kind::kInteger:
      return value.integer();
    case Value::Kind::kDouble:
      if (type == "currency") {
        char text[64];
        std::snprintf(text, sizeof text, "%.4f", value.real());
        return text;
      }
      if (type == "numeric") return ShortestText(value.real());
      return value.real();
    case Value::Kind::kText:
      if (type == "datetime") return DateJson(value.text());
      if (type == "binary" || type == "ole") return {{"base64", Base64(value.text())}};
      return value.text();
  }
  return nullptr;
}

ordered_json TableJson(const Table& table, const std::vector<JetColumn>& declared) {
  ordered_json columns = ordered_json::array();
  std::vector<std::string> types;
  for (const JetColumn& column : declared) {
    types.push_back(JetTypeName(column.type));
    columns.push_back({{"name", column.name}, {"type", types.back()}});
  }
  ordered_json rows = ordered_json::array();
  for (std::size_t r = 0; r < table.row_count(); ++r) {
    ordered_json row = ordered_json::object();
    for (std::size_t c = 0; c < declared.size(); ++c) {
      row[declared[c].name] = ValueJson(table.row(r)[c], types[c]);
    }
    rows.push_back(std::move(row));
  }
  return {{"columns", std::move(columns)}, {"rows", std::move(rows)}};
}

}  // namespace

ordered_json DumpDatabase(const std::string& path, const std::optional<std::string>& table) {
  MdbReader reader(path);
  const std::vector<std::string> names =
      table ? std::vector<std::string>{*table} : reader.UserTableNames();
  ordered_json dump = ordered_json::object();
  for (const std::string& name : names) {
    const std::unique_ptr<Table> rows = reader.ReadTable(name);
    dump[rows->name()] = TableJson(*rows, reader.Columns(name));
  }
  return dump;
}

}  // namespace generatesheet::cli
