#include "tools/cli/package_description.h"

#include <filesystem>
#include <set>

#include "util/error.h"
#include "util/file_util.h"

namespace generatesheet::cli {

namespace {

using builder::Cell;
using builder::Row;
using nlohmann::json;

// Where in the description a value sits, for error texts.
std::string Place(const std::string& source, const std::string& table, size_t row,
                  const std::string& column) {
  return source + " 中表 " + table + " 第 " + std::to_string(row + 1) + " 行的 " + column;
}

// In the answer database the two answers of a choice question (I_TypeID 1)
// are answer codes ("1", "2", "4", "8"), stored as given; every other text
// there is rich text, written as a Windows rich-text control writes it.
bool StoredAsRichText(const std::string& table, const std::string& column, const json& row) {
  if (table != "tbl_AnalysisPaper" || !column.starts_with("M_")) return false;
  const bool choice = row.contains("I_TypeID") && (row["I_TypeID"] == 1 || row["I_TypeID"] == "1");
  return !(choice && (column == "M_StudentAnswer" || column == "M_TopicAns"));
}

Cell ParseCell(const json& value, const std::string& place, bool rich_in_answers) {
  switch (value.type()) {
    case json::value_t::null:
      return Cell();
    case json::value_t::boolean:
      return Cell(value.get<bool>());
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
      return Cell(value.get<long long>());
    case json::value_t::number_float:
      return Cell(value.get<double>());
    case json::value_t::string:
      if (rich_in_answers) {
        return Cell::Rich(builder::PlainTextToWindowsRtf(value.get<std::string>()));
      }
      return Cell(value.get<std::string>());
    case json::value_t::object:
      if (value.size() == 1 && value.contains("rtf") && value["rtf"].is_string()) {
        return Cell::Rich(value["rtf"].get<std::string>());
      }
      break;
    default:
      break;
  }
  throw Error("答卷包描述有误：" + place +
              " 的值应为 null、数字、布尔值、文本或 {\"rtf\": 文本}，而不是 " + value.dump());
}

std::vector<Row> ParseTable(const json& tables, const std::string& table,
                            const std::string& source) {
  std::vector<Row> rows;
  if (!tables.contains(table)) return rows;
  const json& list = tables[table];
  if (!list.is_array())
    throw Error("答卷包描述有误：" + source + " 中表 " + table + " 应为行的数组");
  for (size_t r = 0; r < list.size(); ++r) {
    if (!list[r].is_object()) {
      throw Error("答卷包描述有误：" + source + " 中表 " + table + " 第 " + std::to_string(r + 1) +
                  " 行应为对象（字段名: 值）");
    }
    Row row;
    for (const auto& [column, value] : list[r].items()) {
      row[column] = ParseCell(value, Place(source, table, r, column),
                              StoredAsRichText(table, column, list[r]));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

void CheckKeys(const json& object, const std::set<std::string>& allowed, const std::string& what) {
  if (!object.is_object()) throw Error("答卷包描述有误：" + what + " 应为对象");
  for (const auto& [key, value] : object.items()) {
    if (allowed.count(key) == 0) throw Error("答卷包描述有误：" + what + " 中有未知的键 " + key);
  }
}

std::string Text(const json& object, const std::string& key, const std::string& source) {
  if (!object.contains(key)) return "";
  if (!object[key].is_string())
    throw Error("答卷包描述有误：" + source + " 中 " + key + " 应为文本");
  return object[key].get<std::string>();
}

}  // namespace

PackageSpec ParsePackageSpec(const json& j, const std::string& source) {
  CheckKeys(j,
            {"student_id", "student_name", "subject", "package_name", "zip_encryption", "pbase",
             "analysis", "comment"},
            source);
  PackageSpec spec;
  if (!j.contains("student_id")) throw Error("答卷包描述有误：" + source + " 缺少 student_id");
  spec.description.student_id = Text(j, "student_id", source);
  spec.student_name = Text(j, "student_name", source);
  spec.subject = Text(j, "subject", source);
  spec.package_name = Text(j, "package_name", source);
  const std::string encryption =
      j.contains("zip_encryption") ? Text(j, "zip_encryption", source) : std::string("aes256");
  if (encryption != "aes256" && encryption != "zipcrypt" && encryption != "none") {
    throw Error("答卷包描述有误：" + source + " 中 zip_encryption 应为 aes256、zipcrypt 或 none");
  }
  spec.options.zip_encryption = encryption == "none" ? "" : encryption;

  const json empty = json::object();
  const json& pbase = j.contains("pbase") ? j["pbase"] : empty;
  const json& analysis = j.contains("analysis") ? j["analysis"] : empty;
  CheckKeys(pbase, {"tbl_QuestionType", "tbl_title", "tbl_CommItem", "tbl_ChoiceVice"},
            source + " 的 pbase");
  CheckKeys(analysis, {"tbl_Account", "tbl_AnalysisPaper"}, source + " 的 analysis");
  spec.description.question_types = ParseTable(pbase, "tbl_QuestionType", source);
  spec.description.titles = ParseTable(pbase, "tbl_title", source);
  spec.description.common_items = ParseTable(pbase, "tbl_CommItem", source);
  spec.description.choices = ParseTable(pbase, "tbl_ChoiceVice", source);
  spec.description.accounts = ParseTable(analysis, "tbl_Account", source);
  spec.description.analysis = ParseTable(analysis, "tbl_AnalysisPaper", source);
  return spec;
}

PackageSpec ReadPackageSpec(const std::string& path) {
  const std::string text = ReadWholeFile(path);
  json parsed;
  try {
    parsed = json::parse(text);
  } catch (const json::parse_error& e) {
    throw Error("答卷包描述不是有效的 JSON：" + path + "（字节 " + std::to_string(e.byte) +
                " 处）");
  }
  PackageSpec spec = ParsePackageSpec(parsed, path);
  if (spec.package_name.empty()) {
    spec.package_name = std::filesystem::path(path).stem().string() + ".zip";
  }
  return spec;
}

}  // namespace generatesheet::cli
