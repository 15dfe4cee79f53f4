#include "tools/cli/demo_class.h"

#include <algorithm>
#include <cstdint>

#include "builder/package/answer_package.h"
#include "tools/cli/package_description.h"
#include "tools/summary/csv_writer.h"
#include "util/error.h"
#include "util/file_util.h"

namespace generatesheet::cli {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄",
                                     "周", "吴", "徐", "孙", "胡", "朱", "高", "林"};
constexpr const char* kGivenNames[] = {"子涵", "浩然", "欣怡", "宇轩", "雨萱", "梓睿",
                                       "思彤", "俊杰", "诗雨", "博文", "佳怡", "明轩",
                                       "若曦", "天佑", "可欣", "志远"};
constexpr const char* kClasses[] = {"高一（1）班", "高一（2）班"};
// The choice codes of options A to D.
constexpr int kOptionCodes[] = {1, 2, 4, 8};

// A small generator of its own: the same class on every machine.
class Draws {
 public:
  explicit Draws(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  double Next() {  // in [0, 1)
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<double>(state_ >> 11) / 9007199254740992.0;
  }

 private:
  uint64_t state_;
};

std::string Text(const json& value) {
  return value.is_string() ? value.get<std::string>() : value.is_null() ? "" : value.dump();
}

// A choice question answered by a student of `ability`: right, one of the
// wrong options, or (rarely) not at all.  Returns whether it is right.
bool AnswerChoice(json& row, double ability, Draws& draws) {
  const std::string key = Text(row["M_TopicAns"]);
  const double draw = draws.Next();
  if (draw < ability) {
    row["M_StudentAnswer"] = key;
    return true;
  }
  if (draw > 0.96) {
    row["M_StudentAnswer"] = nullptr;
    return false;
  }
  // Wrong answers gather on one tempting option, as they do in a real class.
  const int start = static_cast<int>(draws.Next() * 4) == 0 ? 2 : 1;
  for (int step = 0; step < 4; ++step) {
    const std::string code = std::to_string(kOptionCodes[(start + step) % 4]);
    if (code != key) {
      row["M_StudentAnswer"] = code;
      return false;
    }
  }
  row["M_StudentAnswer"] = nullptr;
  return false;
}

// The score of a question as the description spells its full marks.
json ScoreOf(const json& full, double share) {
  const double points = full.is_number() ? full.get<double>() : std::stod(Text(full));
  return std::to_string(static_cast<long long>(points * share + 0.5));
}

void DrawAnswers(json& description, double ability, Draws& draws) {
  json& answers = description["analysis"]["tbl_AnalysisPaper"];
  json& scores = description["analysis"]["tbl_Account"];
  for (json& row : answers) {
    const json full = row["S_Score"];
    double share = 0;
    if (row["I_TypeID"] == 1) {
      share = AnswerChoice(row, ability, draws) ? 1 : 0;
    } else {
      // A written answer keeps its text (one the sample left blank takes
      // the reference answer's); its marks follow the ability.
      if (row["M_StudentAnswer"].is_null()) row["M_StudentAnswer"] = row["M_TopicAns"];
      share = std::min(1.0, std::max(0.0, ability + (draws.Next() - 0.5) * 0.5));
    }
    for (json& score : scores) {
      if (score["I_QuestionNo"] == row["I_QuestionNo"]) score["S_GetScore"] = ScoreOf(full, share);
    }
  }
}

}  // namespace

json DemoStudent(const json& sample, size_t k) {
  json student = sample;
  if (k == 0) return student;
  // The numbers that follow the sample student's in the last two digits.
  const std::string id = Text(sample["student_id"]);
  if (id.size() < 2) throw Error("示例描述的学号过短：" + id);
  const size_t last = (std::stoul(id.substr(id.size() - 2)) + k) % 100;
  const std::string number =
      id.substr(0, id.size() - 2) + (last < 10 ? "0" : "") + std::to_string(last);
  const std::string stem = fs::path(Text(sample["package_name"])).stem().string();
  student["student_id"] = number;
  student["student_name"] = std::string(kSurnames[k % 16]) + kGivenNames[(k * 7 + 3) % 16];
  student["package_name"] = stem.substr(0, stem.size() - id.size()) + number + ".zip";
  Draws draws(k);
  // Abilities spread from about 35% to 95% right.
  DrawAnswers(student, 0.35 + 0.6 * draws.Next(), draws);
  return student;
}

std::string BuildDemoClass(const std::vector<fs::path>& samples, SodiumCipher& cipher,
                           const fs::path& out) {
  std::string manifest = "package_folder,zip_name,student_id,student_name,subject,class\r\n";
  for (const fs::path& sample : samples) {
    const json description = json::parse(ReadWholeFile(sample.string()));
    for (size_t k = 0; k < kDemoStudentsPerSample; ++k) {
      const json student = DemoStudent(description, k);
      const PackageSpec spec = ParsePackageSpec(student, sample.string());
      const std::string folder =
          "packages/" + sample.stem().string() + "-" + (k < 9 ? "0" : "") + std::to_string(k + 1);
      fs::create_directories(out / folder);
      builder::BuildAnswerPackage(spec.description, cipher,
                                  (out / folder / spec.package_name).string(), spec.options);
      manifest += CsvLine({folder, spec.package_name, spec.description.student_id,
                           spec.student_name, spec.subject, kClasses[k % 2]});
    }
  }
  const std::string path = (out / "students.csv").string();
  WriteFileAtomically(path, manifest);
  return path;
}

}  // namespace generatesheet::cli
