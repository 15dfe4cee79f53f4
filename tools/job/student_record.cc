#include "tools/job/student_record.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "tools/job/output_files.h"
#include "tools/job/record_scanner.h"
#include "util/error.h"
#include "util/file_util.h"
#include "util/regular_file.h"
#include "util/score_total.h"

namespace generatesheet::cli {

namespace {

using Json = nlohmann::ordered_json;

template <typename Enum>
Enum Named(const std::string& name, std::initializer_list<Enum> values,
           const char* (*name_of)(Enum)) {
  for (Enum v : values) {
    if (name == name_of(v)) return v;
  }
  throw Error("未知的取值 " + name);
}

std::string OptionalText(const Json& value) {
  return value.is_null() ? std::string() : value.get<std::string>();
}

// Refuses text nested deeper than a record ever is, before it is parsed:
// the JSON library builds, copies and frees a tree by recursion, and would
// exhaust the stack on a file nested thousands of levels deep.
void CheckNesting(std::string_view text) {
  size_t depth = 0;
  bool in_string = false, escaped = false;
  for (const char c : text) {
    if (in_string) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxRecordNesting) {
        throw Error("嵌套超过 " + std::to_string(kMaxRecordNesting) + " 层");
      }
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
}

// A question number: a whole number within int, never a fraction or a
// number rounded into range.
int QuestionNumber(const Json& value) {
  const bool fits = (value.is_number_unsigned() && value.get<std::uint64_t>() <= INT_MAX) ||
                    (value.is_number_integer() && !value.is_number_unsigned() &&
                     value.get<std::int64_t>() >= INT_MIN && value.get<std::int64_t>() <= INT_MAX);
  if (!fits) throw Error("题号不是有效的整数：" + value.dump());
  return static_cast<int>(value.get<std::int64_t>());
}

// A score as the library writes it: the shortest decimal form, no blanks,
// no "+" (so totals and per-question figures read the same number).
std::string Score(const Json& value, int number, const char* what) {
  const std::string text = OptionalText(value);
  if (text.empty()) return text;
  ScoreTotal score;
  score.Add(text, std::to_string(number), what);
  if (score.ToString() != text) {
    throw Error("第 " + std::to_string(number) + " 题的" + what + "不是有效的数字：\"" + text +
                "\"");
  }
  return text;
}

QuestionResult ResultFromJson(const Json& j) {
  QuestionResult r;
  r.number = QuestionNumber(j.at("number"));
  r.family =
      Named(j.at("family").get<std::string>(),
            {QuestionFamily::kSingleChoice, QuestionFamily::kCompound, QuestionFamily::kEssay},
            FamilyName);
  r.choice = j.at("choice").get<bool>();
  r.options = j.at("options").get<std::vector<std::string>>();
  r.student_answered = !j.at("student_answer").is_null();
  r.student_answer = OptionalText(j.at("student_answer"));
  r.standard_answer = j.at("standard_answer").get<std::string>();
  // The summary does arithmetic on these: they must be numbers.
  r.obtained = Score(j.at("obtained"), r.number, "得分");
  r.full = Score(j.at("full"), r.number, "满分");
  r.verdict = Named(j.at("verdict").get<std::string>(),
                    {Verdict::kCorrect, Verdict::kPartial, Verdict::kWrong, Verdict::kUnanswered,
                     Verdict::kUnknown},
                    VerdictName);
  r.error = OptionalText(j.at("error"));
  return r;
}

// The JSON form of one result, field for field what ResultFromJson reads
// (and what the library's ResultsToJson gives hosts); text that is not
// UTF-8 is mended when the record is written.
Json ResultToJson(const QuestionResult& r) {
  const auto text_or_null = [](const std::string& text, bool present) {
    return present ? Json(text) : Json(nullptr);
  };
  Json j;
  j["number"] = r.number;
  j["family"] = FamilyName(r.family);
  j["choice"] = r.choice;
  j["options"] = r.options;
  j["student_answer"] = text_or_null(r.student_answer, r.student_answered);
  j["standard_answer"] = r.standard_answer;
  j["obtained"] = text_or_null(r.obtained, !r.obtained.empty());
  j["full"] = text_or_null(r.full, !r.full.empty());
  j["verdict"] = VerdictName(r.verdict);
  j["error"] = text_or_null(r.error, !r.error.empty());
  return j;
}

}  // namespace

const char* OutcomeName(Outcome state) {
  switch (state) {
    case Outcome::kComplete:
      return "complete";
    case Outcome::kWrittenWithErrors:
      return "with_errors";
    case Outcome::kNotWritten:
      break;
  }
  return "not_written";
}

void WriteStudentRecord(const std::string& folder, const StudentRecord& record) {
  Json j;
  j["student_id"] = record.student_id;
  j["student_name"] = record.student_name;
  j["subject"] = record.subject;
  if (!record.class_name.empty()) j["class"] = record.class_name;
  if (!record.package.empty()) j["package"] = record.package;
  if (!record.package_sha256.empty()) j["package_sha256"] = record.package_sha256;
  if (!record.template_path.empty()) j["template"] = record.template_path;
  if (!record.template_sha256.empty()) j["template_sha256"] = record.template_sha256;
  j["outcome"] = OutcomeName(record.state);
  j["page"] = record.page;
  j["message"] = record.message;
  if (record.options) {
    j["options"] = {{"marks", record.options->marks}, {"pdf", record.options->pdf}};
  }
  if (record.pdf_pages > 0) j["pdf_pages"] = record.pdf_pages;
  Json& results = j["results"] = Json::array();
  for (size_t i = 0; i < record.results.size(); ++i) {
    Json result = ResultToJson(record.results[i]);
    if (i < record.sections.size() && !record.sections[i].empty()) {
      result["section"] = record.sections[i];
    }
    if (i < record.texts.size() && !record.texts[i].empty()) result["text"] = record.texts[i];
    results.push_back(std::move(result));
  }
  // Not flushed: the page was, before this; a record a crash loses or cuts
  // short only makes --resume make its page again.
  WriteFileAtomically(folder + RecordFileName(record.page),
                      j.dump(1, ' ', false, Json::error_handler_t::replace) + "\n",
                      Durability::kReproducible);
}

void AddFailure(StudentRecord& record, const std::string& failure) {
  if (record.state == Outcome::kComplete) record.state = Outcome::kWrittenWithErrors;
  record.message += record.message.empty() ? failure : "；" + failure;
}

void RemoveStudentRecord(const std::string& page_path) {
  const std::filesystem::path page(page_path);
  const std::filesystem::path record =
      page.parent_path() / RecordFileName(page.filename().string());
  std::error_code ec;
  std::filesystem::remove(record, ec);
  if (ec) throw SystemError("无法删除旧的结果记录", record.string(), ec.value());
}

StudentRecord ReadStudentRecord(const std::string& path, std::optional<std::string>* bytes) {
  try {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) throw Error("是符号链接");
    std::string text = ReadRegularFile(path, kMaxRecordBytes);
    if (bytes == nullptr) return ParseStudentRecord(text);
    *bytes = std::move(text);
    return ParseStudentRecord(**bytes);
  } catch (const std::exception& e) {
    throw Error("学生结果文件无法读取：" + path + "：" + e.what());
  }
}

StudentRecord ParseStudentRecord(std::string_view text) {
  if (std::optional<StudentRecord> plain = ScanStudentRecord(text)) return std::move(*plain);
  return ParseRecordJson(text);
}

StudentRecord ParseRecordJson(std::string_view text) {
  CheckNesting(text);
  const Json j = Json::parse(text);
  StudentRecord record;
  record.student_id = j.at("student_id").get<std::string>();
  record.student_name = j.at("student_name").get<std::string>();
  record.subject = j.at("subject").get<std::string>();
  record.class_name = j.value("class", "");
  record.package = j.value("package", "");
  record.package_sha256 = j.value("package_sha256", "");
  record.template_path = j.value("template", "");
  record.template_sha256 = j.value("template_sha256", "");
  record.state =
      Named(j.at("outcome").get<std::string>(),
            {Outcome::kComplete, Outcome::kWrittenWithErrors, Outcome::kNotWritten}, OutcomeName);
  record.page = j.at("page").get<std::string>();
  record.message = j.at("message").get<std::string>();
  if (j.contains("options")) {
    const Json& options = j.at("options");
    record.options = PageOptions{options.at("marks").get<bool>(), options.at("pdf").get<bool>()};
  }
  record.pdf_pages = j.value("pdf_pages", std::size_t{0});
  const Json& results = j.at("results");
  if (!results.is_array()) throw Error("results 不是数组");
  if (results.size() > kMaxRecordQuestions) {
    throw Error("题目超过 " + std::to_string(kMaxRecordQuestions) + " 道");
  }
  for (const Json& r : results) {
    record.results.push_back(ResultFromJson(r));
    record.sections.push_back(r.contains("section") ? r.at("section").get<std::string>() : "");
    record.texts.push_back(r.contains("text") ? r.at("text").get<std::string>() : "");
  }
  return record;
}

std::optional<StudentRecord> ReadRecordMaybeReplaced(const std::string& path) {
  constexpr int kTries = 3;
  for (int attempt = 1;; ++attempt) {
    try {
      return ReadStudentRecord(path);
    } catch (const Error&) {
      std::error_code ec;
      if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return std::nullopt;
      if (attempt == kTries) throw;
    }
  }
}

RecordFiles FindStudentRecords(const std::string& folder) {
  RecordFiles found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with(kRecordSuffix) || name.starts_with(".")) continue;
    std::error_code ec;
    const std::filesystem::file_type type = entry.symlink_status(ec).type();
    if (type == std::filesystem::file_type::regular) {
      found.records.push_back(entry.path().string());
    } else if (type == std::filesystem::file_type::not_found) {
      continue;  // removed since the folder was read: a batch runs its student again
    } else {
      const char* kind = type == std::filesystem::file_type::symlink     ? "符号链接"
                         : type == std::filesystem::file_type::directory ? "文件夹"
                         : type == std::filesystem::file_type::fifo      ? "命名管道"
                                                                         : "不是普通文件";
      found.skipped.push_back(entry.path().string() + "（" + kind + "）");
    }
  }
  std::sort(found.records.begin(), found.records.end());
  std::sort(found.skipped.begin(), found.skipped.end());
  return found;
}

}  // namespace generatesheet::cli
