#include "tools/batch/batch_manifest.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <map>

#include "tools/summary/csv_reader.h"
#include "util/edit_distance.h"
#include "util/error.h"
#include "util/file_util.h"
#include "util/path.h"

namespace generatesheet::cli {

namespace fs = std::filesystem;

namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

bool Known(const std::string& name) {
  return std::ranges::find(kManifestColumns, name) != std::end(kManifestColumns) ||
         std::ranges::find(kManifestOptionalColumns, name) != std::end(kManifestOptionalColumns);
}

// Where each column is, by its name or its alias.
std::map<std::string, size_t> ColumnPositions(const CsvRecord& header, const std::string& source) {
  std::map<std::string, size_t> positions;
  for (size_t i = 0; i < header.fields.size(); ++i) {
    std::string name = header.fields[i];
    for (size_t c = 0; c < std::size(kManifestColumns); ++c) {
      if (name == kManifestAliases[c]) name = kManifestColumns[c];
    }
    for (size_t c = 0; c < std::size(kManifestOptionalColumns); ++c) {
      if (name == kManifestOptionalAliases[c]) name = kManifestOptionalColumns[c];
    }
    const auto [at, added] = positions.emplace(name, i);
    if (!added && Known(name)) {
      throw Error("清单格式错误：" + source + " 的表头有两列都是 " + name + "：" +
                  header.fields[at->second] + " 与 " + header.fields[i]);
    }
  }
  for (const char* column : kManifestColumns) {
    if (positions.count(column) == 0) {
      throw Error("清单格式错误：" + source + " 的表头缺少列 " + column + "；找到：" +
                  Joined(header.fields) + "；须有：package_folder, zip_name, student_id, " +
                  "student_name, subject（或 答卷包文件夹, 答卷包, 学号, 姓名, 科目）");
    }
  }
  return positions;
}

// The code points of UTF-8 text, ASCII letters in lower case.
std::vector<char32_t> CodePoints(const std::string& text) {
  std::vector<char32_t> points;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = lead < 0x80 ? static_cast<char32_t>(std::tolower(lead)) : lead;
    for (size_t k = 1; k < length && i + k < text.size(); ++k) {
      code = code << 8 | static_cast<unsigned char>(text[i + k]);
    }
    points.push_back(code);
    i += length;
  }
  return points;
}

// A column named nearly like class or 班级 in a header without either: the
// students' classes would be lost without a word.
void WarnOfMisspeltClass(const CsvRecord& header, const std::map<std::string, size_t>& at,
                         const std::string& source, std::vector<std::string>* warnings) {
  if (warnings == nullptr || at.count("class") > 0) return;
  for (const std::string& name : header.fields) {
    for (const char* wanted : {kManifestOptionalColumns[0], kManifestOptionalAliases[0]}) {
      const std::vector<char32_t> target = CodePoints(wanted);
      const size_t allowed = target.size() / 2;  // class: 2, 班级: 1
      if (EditDistance(CodePoints(name), target) <= allowed) {
        warnings->push_back("清单 " + source + " 的表头没有 class（班级）列，列“" + name +
                            "”是否想写 " + wanted + "？此列不被读取，学生都按未分班汇总");
        return;
      }
    }
  }
}

// A package is a zip archive, so its name ends in ".zip" (any case); the
// page's name then ends in ".html" (or keeps the ".ZIP"), never in a name
// the batch gives its other files.
bool EndsWithZip(const std::string& name) {
  if (name.size() < 4) return false;
  std::string end = name.substr(name.size() - 4);
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == ".zip";
}

std::string Folder(const std::string& folder, const std::string& base_folder) {
  if (folder.empty() || fs::path(folder).is_absolute() || base_folder.empty()) {
    return WithoutTrailingSlash(folder);
  }
  return WithoutTrailingSlash((fs::path(base_folder) / folder).lexically_normal().string());
}

}  // namespace

std::vector<ManifestRow> ParseManifest(std::string_view text, const std::string& source,
                                       const std::string& base_folder,
                                       std::vector<std::string>* warnings) {
  const std::vector<CsvRecord> records = ParseCsv(text, source);
  if (records.empty()) throw Error("清单格式错误：" + source + " 没有表头行");
  const std::map<std::string, size_t> at = ColumnPositions(records[0], source);
  WarnOfMisspeltClass(records[0], at, source, warnings);
  const size_t width = records[0].fields.size();

  std::vector<ManifestRow> rows;
  for (size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    const std::string where = source + " 第 " + std::to_string(record.line) + " 行";
    if (record.fields.size() != width) {
      throw Error("清单格式错误：" + where + "有 " + std::to_string(record.fields.size()) +
                  " 个字段，表头有 " + std::to_string(width) + " 个");
    }
    for (const auto& [column, position] : at) {
      // A NUL would cut messages short and reach pages and files raw.
      if (Known(column) && record.fields[position].find('\0') != std::string::npos) {
        throw Error("清单格式错误：" + where + "的 " + column + " 含有空字符（NUL）");
      }
    }
    ManifestRow row;
    row.index = rows.size();
    row.line = record.line;
    row.job.package_folder = Folder(record.fields[at.at("package_folder")], base_folder);
    row.job.zip_name = record.fields[at.at("zip_name")];
    row.job.student_id = record.fields[at.at("student_id")];
    row.job.student_name = record.fields[at.at("student_name")];
    row.job.subject = record.fields[at.at("subject")];
    if (const auto class_at = at.find("class"); class_at != at.end()) {
      row.job.class_name = record.fields[class_at->second];
    }
    if (row.job.package_folder.empty())
      throw Error("清单格式错误：" + where + "的 package_folder 为空");
    if (row.job.zip_name.empty()) throw Error("清单格式错误：" + where + "的 zip_name 为空");
    // The number unlocks the student's answers: without it no page is whole.
    if (row.job.student_id.empty()) throw Error("清单格式错误：" + where + "的 student_id 为空");
    if (auto fault = FileNameFault(row.job.zip_name)) {
      throw Error("清单格式错误：" + where + "的 zip_name 必须是不含路径的文件名：" + *fault);
    }
    if (!EndsWithZip(row.job.zip_name)) {
      throw Error("清单格式错误：" + where + "的 zip_name 不以 .zip 结尾：" + row.job.zip_name);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace generatesheet::cli
