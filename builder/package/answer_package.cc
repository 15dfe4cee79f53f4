#include "builder/package/answer_package.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <set>

#include "builder/jet/database.h"
#include "cipher/sodium_cipher.h"
#include "util/error.h"

namespace generatesheet::builder {

namespace {

using jet::Column;
using jet::ColumnType;

// The columns every table of a package carries, in order, so that a table
// given no rows still has the columns the system reads.
const std::map<std::string, std::vector<std::string>>& StandardColumns() {
  static const std::map<std::string, std::vector<std::string>> kColumns = {
      {"tbl_QuestionType", {"I_CmdId", "C_DataCode", "C_TestStyle", "I_TypeID", "C_Startexe"}},
      {"tbl_title", {"I_QuestionNo", "M_Title", "C_DataCode", "I_TypeID", "C_RecCode"}},
      {"tbl_CommItem", {"C_RecCode", "M_Title"}},
      {"tbl_ChoiceVice", {"I_QuestionNo", "C_ChoiceAnswer", "M_AnswerCont"}},
      {"tbl_Account", {"I_QuestionNo", "S_GetScore", "I_RECNO"}},
      {"tbl_AnalysisPaper",
       {"I_QuestionNo", "I_TypeID", "M_StudentAnswer", "M_TopicAns", "M_Analysis", "S_Score"}},
  };
  return kColumns;
}

std::string NumberText(const jet::Value& v) {
  if (v.is_integer()) return std::to_string(v.as_integer());
  if (v.is_double()) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v.as_double()).ptr;
    return std::string(buffer, end);
  }
  if (v.is_bool()) return v.as_bool() ? "True" : "False";
  return v.is_text() ? v.as_text() : "";
}

// The type a column gets from its name and the cells given for it.
ColumnType InferType(const std::string& name, const std::vector<Row>& rows, bool encrypted) {
  if (encrypted || name.starts_with("M_")) return ColumnType::kMemo;
  bool any = false, all_integer = true, all_number = true, long_text = false;
  for (const Row& row : rows) {
    const auto it = row.find(name);
    if (it == row.end() || it->second.value.is_null()) continue;
    const jet::Value& v = it->second.value;
    any = true;
    all_integer = all_integer && v.is_integer();
    all_number = all_number && (v.is_integer() || v.is_double());
    if (v.is_bool()) return ColumnType::kBoolean;
    if (v.is_text() && v.as_text().size() > 255) long_text = true;
  }
  const bool numeric_name = name.starts_with("I_") || name.starts_with("S_");
  if (!any) return numeric_name && name != "I_TypeID" ? ColumnType::kLong : ColumnType::kText;
  if (all_integer) return name == "S_Score" ? ColumnType::kDouble : ColumnType::kLong;
  if (all_number) return ColumnType::kDouble;
  return long_text ? ColumnType::kMemo : ColumnType::kText;
}

struct TableSpec {
  std::string name;
  const std::vector<Row>* rows;
  std::set<std::string> encrypted;  // columns whose values the builder encrypts
};

std::vector<std::string> ColumnNames(const TableSpec& spec) {
  std::vector<std::string> names = StandardColumns().at(spec.name);
  for (const Row& row : *spec.rows) {
    for (const auto& [name, cell] : row) {
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  return names;
}

// The text a cell stands for in the database: rich text for plain text in a
// memo column of the question bank, the text itself otherwise.
jet::Value StoredValue(const Cell& cell, ColumnType type, bool bank) {
  if (cell.value.is_null() || cell.rich) return cell.value;
  if (type == ColumnType::kMemo && bank) return PlainTextToWindowsRtf(NumberText(cell.value));
  if ((type == ColumnType::kText || type == ColumnType::kMemo) && !cell.value.is_text()) {
    return NumberText(cell.value);
  }
  if (type == ColumnType::kDouble && cell.value.is_integer()) {
    return static_cast<double>(cell.value.as_integer());
  }
  return cell.value;
}

// Encrypts a cell of Analysis.mdb: keyed by question or by record number.
using Encrypter = std::function<jet::Value(const Row&, const std::string&, const Cell&)>;

void AddTable(jet::Database& db, const TableSpec& spec, bool bank, const Encrypter& encrypt) {
  const std::vector<std::string> names = ColumnNames(spec);
  std::vector<Column> columns;
  for (const std::string& name : names) {
    columns.emplace_back(name, InferType(name, *spec.rows, spec.encrypted.count(name) > 0));
  }
  jet::Table& table = db.AddTable(spec.name, columns);
  for (const Row& row : *spec.rows) {
    std::vector<jet::Value> values;
    for (const Column& column : columns) {
      const auto it = row.find(column.name);
      const Cell cell = it == row.end() ? Cell() : it->second;
      if (spec.encrypted.count(column.name) && !cell.value.is_null()) {
        values.push_back(encrypt(row, column.name, cell));
      } else {
        values.push_back(StoredValue(cell, column.type, bank));
      }
    }
    table.AddRow(values);
  }
}

std::string CellText(const Row& row, const std::string& column) {
  const auto it = row.find(column);
  return it == row.end() ? "" : NumberText(it->second.value);
}

}  // namespace

void WriteDatabases(const PackageDescription& d, SodiumCipher& cipher, const std::string& folder,
                    const BuildOptions& options) {
  const Encrypter none;
  jet::Database bank;
  AddTable(bank, {"tbl_QuestionType", &d.question_types, {}}, true, none);
  AddTable(bank, {"tbl_title", &d.titles, {}}, true, none);
  AddTable(bank, {"tbl_CommItem", &d.common_items, {}}, true, none);
  AddTable(bank, {"tbl_ChoiceVice", &d.choices, {}}, true, none);
  bank.Save(folder + "/Pbase.mdb");

  std::map<std::string, std::string> record_keys;  // question number -> I_RECNO text
  for (const Row& account : d.accounts) {
    record_keys.try_emplace(CellText(account, "I_QuestionNo"), CellText(account, "I_RECNO"));
  }
  const Encrypter encrypt = [&](const Row& row, const std::string& column, const Cell& cell) {
    const std::string question_no = CellText(row, "I_QuestionNo");
    std::string key = column == "S_GetScore" || column == "M_StudentAnswer"
                          ? cipher.DeriveQuestionKey(question_no, d.student_id)
                          : record_keys[question_no];
    return jet::Value(cipher.EncryptString(NumberText(cell.value), key));
  };
  jet::Database answers;
  AddTable(answers, {"tbl_Account", &d.accounts, {"S_GetScore"}}, false, encrypt);
  AddTable(answers,
           {"tbl_AnalysisPaper", &d.analysis, {"M_StudentAnswer", "M_TopicAns", "M_Analysis"}},
           false, encrypt);
  const std::string analysis_path = folder + "/Analysis.mdb";
  answers.Save(analysis_path);
  if (options.encrypt_analysis_file) cipher.EncryptFile(analysis_path);
}

void BuildAnswerPackage(const PackageDescription& description, SodiumCipher& cipher,
                        const std::string& zip_path, const BuildOptions& options) {
  namespace fs = std::filesystem;
  const fs::path staging =
      fs::path(zip_path).parent_path() / (fs::path(zip_path).filename().string() + ".databases");
  std::error_code ec;
  fs::create_directories(staging, ec);
  if (ec) throw Error("无法创建文件夹：" + staging.string());
  try {
    WriteDatabases(description, cipher, staging.string(), options);
    WriteZip(zip_path,
             {{"Pbase.mdb", (staging / "Pbase.mdb").string()},
              {"Analysis.mdb", (staging / "Analysis.mdb").string()}},
             "qvk", options.zip_encryption);
  } catch (...) {
    fs::remove_all(staging, ec);
    throw;
  }
  fs::remove_all(staging, ec);
}

}  // namespace generatesheet::builder
