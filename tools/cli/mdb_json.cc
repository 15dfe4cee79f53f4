#include "tools/cli/mdb_json.h"

#include <charconv>
#include <cstdio>
#include <vector>

#include "builder/inspect/access_file_reader.h"
#include "util/base64.h"

namespace generatesheet::cli {

namespace {

using nlohmann::ordered_json;

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

ordered_json ValueJson(const jet::Value& value, const std::string& type) {
  if (value.is_null()) return nullptr;
  if (value.is_bool()) return value.as_bool();
  if (value.is_integer()) return value.as_integer();
  if (value.is_double()) {
    if (type == "currency") {
      char text[64];
      std::snprintf(text, sizeof text, "%.4f", value.as_double());
      return text;
    }
    if (type == "numeric") return ShortestText(value.as_double());
    return value.as_double();
  }
  if (type == "datetime") return DateJson(value.as_text());
  if (type == "binary" || type == "ole") return {{"base64", EncodeBase64(value.as_text())}};
  return value.as_text();
}

ordered_json TableJson(const builder::InspectedTable& table) {
  ordered_json columns = ordered_json::array();
  for (const builder::InspectedColumn& column : table.columns) {
    columns.push_back({{"name", column.name}, {"type", column.type}});
  }
  ordered_json rows = ordered_json::array();
  for (const std::vector<jet::Value>& values : table.rows) {
    ordered_json row = ordered_json::object();
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      row[table.columns[c].name] = ValueJson(values[c], table.columns[c].type);
    }
    rows.push_back(std::move(row));
  }
  return {{"columns", std::move(columns)}, {"rows", std::move(rows)}};
}

}  // namespace

ordered_json DumpDatabase(const std::string& path, const std::optional<std::string>& table) {
  builder::AccessFileReader reader(path);
  const std::vector<std::string> names =
      table ? std::vector<std::string>{*table} : reader.UserTableNames();
  ordered_json dump = ordered_json::object();
  for (const std::string& name : names) {
    const builder::InspectedTable rows = reader.ReadTable(name);
    dump[rows.name] = TableJson(rows);
  }
  return dump;
}

}  // namespace generatesheet::cli
