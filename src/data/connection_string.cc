#include "data/connection_string.h"

#include "data/collation.h"

namespace generatesheet {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string DataSourceOf(std::string_view connection_string) {
  std::string_view rest = connection_string;
  while (!rest.empty()) {
    std::size_t end = rest.find(';');
    std::string_view pair = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    std::size_t eq = pair.find('=');
    if (eq == std::string_view::npos) continue;
    if (FoldCase(Trim(pair.substr(0, eq))) != "data source") continue;
    std::string_view value = Trim(pair.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return {};
}

}  // namespace generatesheet
