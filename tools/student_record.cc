#include "tools/student_record.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "render/score_total.h"
#include "util/error.h"
#include "util/file_util.h"

namespace generatesheet::cli {

namespace {

constexpr char kSuffix[] = ".results.json";
constexpr char kPageSuffix[] = ".html";

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

QuestionResult ResultFromJson(const Json& j) {
  QuestionResult r;
  r.number = j.at("number").get<int>();
  r.family =
      Named(j.at("family").get<std::string>(),
            {QuestionFamily::kSingleChoice, QuestionFamily::kCompound, QuestionFamily::kEssay},
            FamilyName);
  r.choice = j.at("choice").get<bool>();
  r.options = j.at("options").get<std::vector<std::string>>();
  r.student_answered = !j.at("student_answer").is_null();
  r.student_answer = OptionalText(j.at("student_answer"));
  r.standard_answer = j.at("standard_answer").get<std::string>();
  r.obtained = OptionalText(j.at("obtained"));
  r.full = OptionalText(j.at("full"));
  // The summary does arithmetic on these: they must be numbers.
  for (const std::string* score : {&r.obtained, &r.full}) {
    if (!score->empty()) ScoreTotal().Add(*score, std::to_string(r.number));
  }
  r.verdict = Named(j.at("verdict").get<std::string>(),
                    {Verdict::kCorrect, Verdict::kPartial, Verdict::kWrong, Verdict::kUnanswered,
                     Verdict::kUnknown},
                    VerdictName);
  r.error = OptionalText(j.at("error"));
  return r;
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

std::string RecordFileName(const std::string& page_file_name) {
  std::string stem = page_file_name;
  if (stem.ends_with(kPageSuffix)) stem.resize(stem.size() - (sizeof kPageSuffix - 1));
  return stem + kSuffix;
}

void WriteStudentRecord(const std::string& folder, const StudentRecord& record) {
  Json j;
  j["student_id"] = record.student_id;
  j["student_name"] = record.student_name;
  j["subject"] = record.subject;
  j["outcome"] = OutcomeName(record.state);
  j["page"] = record.page;
  j["message"] = record.message;
  if (record.options) {
    j["options"] = {{"marks", record.options->marks}, {"pdf", record.options->pdf}};
  }
  j["results"] = Json::parse(ResultsToJson(record.results));
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

StudentRecord ReadStudentRecord(const std::string& path) {
  try {
    const Json j = Json::parse(ReadWholeFile(path));
    StudentRecord record;
    record.student_id = j.at("student_id").get<std::string>();
    record.student_name = j.at("student_name").get<std::string>();
    record.subject = j.at("subject").get<std::string>();
    record.state =
        Named(j.at("outcome").get<std::string>(),
              {Outcome::kComplete, Outcome::kWrittenWithErrors, Outcome::kNotWritten}, OutcomeName);
    record.page = j.at("page").get<std::string>();
    record.message = j.at("message").get<std::string>();
    if (j.contains("options")) {
      const Json& options = j.at("options");
      record.options = PageOptions{options.at("marks").get<bool>(), options.at("pdf").get<bool>()};
    }
    for (const Json& r : j.at("results")) record.results.push_back(ResultFromJson(r));
    return record;
  } catch (const std::exception& e) {
    throw Error("学生结果文件无法读取：" + path + "：" + e.what());
  }
}

std::vector<std::string> FindStudentRecords(const std::string& folder) {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(kSuffix) && !name.starts_with(".") && entry.is_regular_file()) {
      paths.push_back(entry.path().string());
    }
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

}  // namespace generatesheet::cli
