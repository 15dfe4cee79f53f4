// The quick reader of results files against the general JSON reader, on a
// results file the batch writes and on that file damaged or written in
// other ways: whatever the quick reader takes, it reads as the general
// reader does; whatever it leaves, reading the file gives what the general
// reader gives, record or error.
#include "tools/job/record_scanner.h"

#include <gtest/gtest.h>

#include <exception>
#include <string>

#include "support/temp_dir.h"
#include "tools/job/student_record.h"

namespace generatesheet::cli {
namespace {

using testing::ReadFileForTest;
using testing::TempDir;

// Every field of a record as text, so two records compare with a readable
// difference.
std::string Describe(const StudentRecord& r) {
  std::string out = r.student_id + "|" + r.student_name + "|" + r.subject + "|" + r.class_name +
                    "|" + r.package + "|" + r.template_path + "|" + r.template_sha256 + "|" +
                    r.package_sha256 + "|" + OutcomeName(r.state) + "|" + r.page + "|" + r.message +
                    "|" + std::to_string(r.pdf_pages) + "|";
  out +=
      r.options ? std::string(r.options->marks ? "m" : "-") + (r.options->pdf ? "p" : "-") : "none";
  for (size_t i = 0; i < r.results.size(); ++i) {
    const QuestionResult& q = r.results[i];
    out += "\n" + std::to_string(q.number) + "|" + FamilyName(q.family) + "|" +
           (q.choice ? "choice" : "text") + "|";
    for (const std::string& option : q.options) out += option + ",";
    out += "|" + std::string(q.student_answered ? "answered:" : "none:") + q.student_answer + "|" +
           q.standard_answer + "|" + q.obtained + "|" + q.full + "|" + VerdictName(q.verdict) +
           "|" + q.error + "|" + (i < r.sections.size() ? r.sections[i] : "(no section)");
  }
  return out;
}

std::string WhatReads(StudentRecord (*read)(std::string_view), std::string_view text) {
  try {
    return Describe(read(text));
  } catch (const std::exception& e) {
    return std::string("error: ") + e.what();
  }
}

// A results file as the batch writes it: control characters, text that is
// not UTF-8, a NUL, no answer, no score, the largest question number.
std::string WrittenRecord() {
  StudentRecord record;
  record.student_id = "2024010101";
  record.student_name = "李明";
  record.subject = "英语";
  record.class_name = "三班";
  record.package = "/p/s.zip";
  record.package_sha256 = std::string(64, 'a');
  record.template_path = "/t/page.html";
  record.template_sha256 = std::string(64, 'b');
  record.state = Outcome::kWrittenWithErrors;
  record.page = "s.html";
  record.message = "第 2 题：无法解密";
  record.options = PageOptions{true, true};
  record.pdf_pages = 4;
  QuestionResult choice;
  choice.number = 1;
  choice.choice = true;
  choice.options = {"A", "B", "C", "D"};
  choice.student_answer = choice.standard_answer = "B";
  choice.student_answered = true;
  choice.obtained = choice.full = "2";
  choice.verdict = Verdict::kCorrect;
  QuestionResult essay;
  essay.number = 2;
  essay.family = QuestionFamily::kEssay;
  essay.standard_answer = "He said \"yes\"\\\n\ttab\x01 and /";
  essay.full = "1.5";
  essay.error = "无法解密";
  QuestionResult compound;
  compound.number = 2147483647;
  compound.family = QuestionFamily::kCompound;
  compound.student_answer = std::string("a\0b\xFF", 4);
  compound.student_answered = true;
  compound.obtained = "-0.25";
  compound.full = "10";
  compound.verdict = Verdict::kPartial;
  record.results = {choice, essay, compound};
  record.sections = {"一、单选题", "二、作文", ""};
  TempDir dir;
  WriteStudentRecord(dir.path() + "/", record);
  return ReadFileForTest(dir.File("s.results.json"));
}

struct Variant {
  const char* name;
  std::string from;  // replaced at its first occurrence; "$" appends
  std::string to;
  bool scanned;  // whether the quick reader takes it
};

std::string Apply(std::string text, const Variant& v) {
  if (v.from == "$") return text + v.to;
  const size_t at = text.find(v.from);
  if (at == std::string::npos) return "";
  return text.replace(at, v.from.size(), v.to);
}

TEST(RecordScannerTest, ReadsWhatTheGeneralReaderReadsAndLeavesTheRest) {
  const std::string written = WrittenRecord();
  const Variant variants[] = {
      {"as written", "\"student_id\"", "\"student_id\"", true},
      {"no blanks", "\"student_id\": ", "\"student_id\":", true},
      {"tab and CR as blanks", "\n \"subject\"", "\r\n\t\"subject\"", true},
      {"trailing blanks", "$", " \r\n\t", true},
      {"escaped slash", "/p/s.zip", "\\/p\\/s.zip", true},
      {"escaped letter", "李明", "\\u674e\\u660E", true},
      {"escaped digits", "李明", "\\u0039\\u0030", true},
      {"escaped control", "\\u0001", "\\b\\f\\r", true},
      {"negative number", "\"number\": 1,", "\"number\": -1,", true},
      {"minus zero", "\"number\": 1,", "\"number\": -0,", true},
      {"no options", "\"options\": {\n  \"marks\": true,\n  \"pdf\": true\n },", "", true},
      {"empty score", "\"full\": \"10\"", "\"full\": \"\"", true},
      {"raw NUL", "\\u0000", std::string(1, '\0'), false},
      {"raw control byte", "\\u0001", "\x01", false},
      {"not UTF-8", "李明", "\xC0\xAF", false},
      {"cut UTF-8", "李明", "\xE6\x9D", false},
      {"byte-order mark", "{", "\xEF\xBB\xBF{", false},
      {"surrogate pair", "李明", "\\ud83d\\ude00", false},
      {"lone surrogate", "李明", "\\ud83d", false},
      {"unknown escape", "李明", "\\x41", false},
      {"short escape", "李明", "\\u67", false},
      {"number past int", "2147483647", "2147483648", false},
      {"number below int", "\"number\": 1,", "\"number\": -2147483649,", false},
      {"huge number", "\"number\": 1,", "\"number\": 123456789012345678901234567890,", false},
      {"fraction", "\"number\": 1,", "\"number\": 1.0,", false},
      {"exponent", "\"number\": 1,", "\"number\": 1e0,", false},
      {"leading zero", "\"number\": 1,", "\"number\": 01,", false},
      {"number as text", "\"number\": 1,", "\"number\": \"1\",", false},
      {"pages as fraction", "\"pdf_pages\": 4", "\"pdf_pages\": 4.0", false},
      {"negative pages", "\"pdf_pages\": 4", "\"pdf_pages\": -4", false},
      {"score not shortest", "\"full\": \"10\"", "\"full\": \"10.0\"", false},
      {"score with blanks", "\"full\": \"10\"", "\"full\": \" 10\"", false},
      {"score as number", "\"full\": \"10\"", "\"full\": 10", false},
      {"score as words", "\"full\": \"10\"", "\"full\": \"十\"", false},
      {"true as text", "\"choice\": true", "\"choice\": \"true\"", false},
      {"null text", "\"三班\"", "null", false},
      {"unknown outcome", "with_errors", "done", false},
      {"unknown family", "essay", "poem", false},
      {"unknown verdict", "partial", "half", false},
      {"repeated field", "\"subject\": \"英语\",", "\"subject\": \"英语\", \"subject\": \"数学\",",
       false},
      {"other field", "\"subject\": \"英语\",", "\"subject\": \"英语\", \"x\": [1, {\"a\": null}],",
       false},
      {"other field of a result", "\"verdict\"", "\"x\": 1, \"verdict\"", false},
      {"other option", "\"pdf\": true", "\"pdf\": true, \"x\": 1", false},
      {"missing field", "\"page\": \"s.html\",", "", false},
      {"missing result field", "\"error\": null", "\"x\": null", false},
      {"options as array", "{\n  \"marks\": true,\n  \"pdf\": true\n }", "[true, true]", false},
      {"results as object", "\"results\": [", "\"results\": {\"a\": [", false},
      {"text after", "$", "x", false},
      {"second record", "$", "{}", false},
      {"comma before end", "\"message\": \"第 2 题：无法解密\",", "\"message\": \"\",,", false},
  };
  int scanned = 0;
  for (const Variant& v : variants) {
    const std::string text = Apply(written, v);
    ASSERT_FALSE(text.empty()) << v.name << ": nothing to replace";
    EXPECT_EQ(ScanStudentRecord(text).has_value(), v.scanned) << v.name;
    EXPECT_EQ(WhatReads(ParseStudentRecord, text), WhatReads(ParseRecordJson, text)) << v.name;
    scanned += ScanStudentRecord(text).has_value();
  }
  EXPECT_EQ(scanned, 12);
}

// Fields of the written record read back as written, NUL and mended text
// included.
TEST(RecordScannerTest, ReadsBackTheWrittenFields) {
  const std::optional<StudentRecord> read = ScanStudentRecord(WrittenRecord());
  ASSERT_TRUE(read);
  ASSERT_EQ(read->results.size(), 3u);
  EXPECT_EQ(read->results[2].student_answer, std::string("a\0b\xEF\xBF\xBD", 6));
  EXPECT_EQ(read->results[2].number, 2147483647);
  EXPECT_EQ(read->results[1].standard_answer, "He said \"yes\"\\\n\ttab\x01 and /");
  EXPECT_FALSE(read->results[1].student_answered);
  EXPECT_EQ(read->results[1].obtained, "");
  EXPECT_EQ(read->sections, (std::vector<std::string>{"一、单选题", "二、作文", ""}));
  EXPECT_EQ(read->pdf_pages, 4u);
  EXPECT_EQ(read->template_sha256, std::string(64, 'b'));
  // A result without a section is written without the field.
  EXPECT_EQ(WrittenRecord().find("\"section\": \"\""), std::string::npos);
}

// A file cut short anywhere is left to the general reader, which names
// what is wrong.
TEST(RecordScannerTest, LeavesEveryTruncatedFile) {
  const std::string written = WrittenRecord();
  for (size_t size = 0; size + 2 < written.size(); ++size) {
    const std::string cut = written.substr(0, size);
    ASSERT_FALSE(ScanStudentRecord(cut)) << size;
    ASSERT_EQ(WhatReads(ParseStudentRecord, cut), WhatReads(ParseRecordJson, cut)) << size;
  }
}

// One question more than a record may hold is refused as before.
TEST(RecordScannerTest, LeavesARecordOfTooManyQuestions) {
  const std::string result =
      R"({"number": 1, "family": "single_choice", "choice": false, "options": [],
       "student_answer": null, "standard_answer": "", "obtained": null, "full": null,
       "verdict": "unknown", "error": null})";
  std::string text =
      R"({"student_id": "1", "student_name": "", "subject": "", "outcome": "complete",
       "page": "s.html", "message": "", "results": [)" +
      result;
  for (size_t i = 1; i < kMaxRecordQuestions; ++i) text += "," + result;
  EXPECT_TRUE(ScanStudentRecord(text + "]}"));
  text += "," + result + "]}";
  EXPECT_FALSE(ScanStudentRecord(text));
  EXPECT_EQ(WhatReads(ParseStudentRecord, text), "error: 题目超过 65536 道");
}

}  // namespace
}  // namespace generatesheet::cli
