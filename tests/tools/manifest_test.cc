// The manifest reader and the pieces of batch that need no process.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "tools/batch/batch_manifest.h"
#include "tools/batch/progress_bar.h"
#include "tools/cli/cli_args.h"
#include "tools/cli/input_files.h"
#include "tools/cli/shard_option.h"
#include "tools/job/sheet_job.h"
#include "tools/summary/csv_reader.h"
#include "util/error.h"
#include "util/text_encoding.h"

namespace generatesheet::cli {
namespace {

using Fields = std::vector<std::string>;
using generatesheet::testing::TempDir;
using generatesheet::testing::WriteFileForTest;

TEST(CsvReaderTest, QuotingLineEndsAndByteOrderMark) {
  const std::vector<CsvRecord> records = ParseCsv(
      "\xEF\xBB\xBF"
      "a,b,c\r\n"
      "\"x, y\",\"say \"\"hi\"\"\",\r\n"
      "\n"
      "\"two\nlines\",,\"\"\n"
      "last,row,no-newline",
      "m.csv");
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].fields, (Fields{"a", "b", "c"}));
  EXPECT_EQ(records[1].fields, (Fields{"x, y", "say \"hi\"", ""}));
  EXPECT_EQ(records[1].line, 2u);
  EXPECT_EQ(records[2].fields, (Fields{"two\nlines", "", ""}));
  EXPECT_EQ(records[2].line, 4u);
  EXPECT_EQ(records[3].fields, (Fields{"last", "row", "no-newline"}));
  EXPECT_EQ(records[3].line, 6u);
}

TEST(CsvReaderTest, MalformedQuotesNameTheLine) {
  try {
    ParseCsv("a\n\"open,b\nc\n", "m.csv");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "清单格式错误：m.csv 第 2 行的引号字段没有结束引号");
  }
  try {
    ParseCsv("a,b\n\"x\"y,b\n", "m.csv");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "清单格式错误：m.csv 第 2 行的结束引号后还有字符");
  }
}

TEST(ManifestTest, ColumnsByNameAndFoldersFromTheManifest) {
  const std::vector<ManifestRow> rows = ParseManifest(
      "subject,student_name,student_id,zip_name,package_folder\n"
      "英语,张三,1001,1001.zip,exam/1001/\n"
      "计算机应用基础,\"李四\",1002,1002.zip,/abs/1002\n",
      "m.csv", "/data");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].index, 0u);
  EXPECT_EQ(rows[0].line, 2u);
  EXPECT_EQ(rows[0].job.package_folder, "/data/exam/1001");
  EXPECT_EQ(rows[0].job.zip_name, "1001.zip");
  EXPECT_EQ(rows[0].job.student_name, "张三");
  EXPECT_EQ(rows[1].job.package_folder, "/abs/1002");
  EXPECT_EQ(rows[1].job.subject, "计算机应用基础");
  EXPECT_EQ(rows[1].job.class_name, "") << "no class column: no class";

  // The optional class column, by its name or its Chinese alias, among the
  // other aliases.
  for (const char* column : {"class", "班级"}) {
    SCOPED_TRACE(column);
    const std::vector<ManifestRow> classes =
        ParseManifest(std::string("答卷包文件夹,答卷包,学号,姓名,科目,") + column +
                          "\ne,1001.zip,1001,张三,英语,一班\ne,1002.zip,1002,李四,英语,\n",
                      "m.csv", "");
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].job.student_id, "1001");
    EXPECT_EQ(classes[0].job.class_name, "一班");
    EXPECT_EQ(classes[1].job.class_name, "");
  }
  // A column named nearly like class is no class column: a warning asks
  // whether it was meant, and the rows have no class; names far from it,
  // and a header with the column, give none.
  const std::pair<const char*, bool> near_class[] = {
      {"clas", true},    {"Class ", true}, {"班別", true},   {"班", true},
      {"classes", true}, {"备注", false},  {"score", false}, {"class_name_of_student", false}};
  for (const auto& [column, warned] : near_class) {
    SCOPED_TRACE(column);
    std::vector<std::string> warnings;
    const std::vector<ManifestRow> parsed =
        ParseManifest(std::string("package_folder,zip_name,student_id,student_name,subject,") +
                          column + "\ne,1001.zip,1001,张三,英语,一班\n",
                      "m.csv", "", &warnings);
    EXPECT_EQ(parsed[0].job.class_name, "");
    EXPECT_EQ(warnings.size(), warned ? 1u : 0u);
    if (warned) {
      EXPECT_NE(warnings[0].find(std::string("清单 m.csv 的表头没有 class（班级）列，列“") +
                                 column + "”是否想写 "),
                std::string::npos)
          << warnings[0];
    }
  }
  std::vector<std::string> none;
  ParseManifest("package_folder,zip_name,student_id,student_name,subject,班级,clas\n", "m.csv", "",
                &none);
  EXPECT_TRUE(none.empty());
  try {
    ParseManifest("package_folder,zip_name,student_id,student_name,subject,class,班级\n", "m.csv",
                  "");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "清单格式错误：m.csv 的表头有两列都是 class：class 与 班级");
  }
  try {
    ParseManifest(std::string("package_folder,zip_name,student_id,student_name,subject,班级\n") +
                      "a,a.zip,1,x,y," + std::string(1, '\0') + "\n",
                  "m.csv", "");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "清单格式错误：m.csv 第 2 行的 class 含有空字符（NUL）");
  }
}

TEST(ManifestTest, RowsThatCannotBeRunAreRefused) {
  const std::string header = "package_folder,zip_name,student_id,student_name,subject\n";
  EXPECT_THROW(ParseManifest("", "m.csv", ""), Error);
  try {
    ParseManifest(header + "a,a.zip,1,x\n", "m.csv", "");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "清单格式错误：m.csv 第 2 行有 4 个字段，表头有 5 个");
  }
  try {
    ParseManifest(header + "a,,1,x,y\n", "m.csv", "");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "清单格式错误：m.csv 第 2 行的 zip_name 为空");
  }
  try {
    ParseManifest(header + "a,b.zip,1,x,y\na,../p.zip,1,x,y\n", "m.csv", "");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(
        e.what(),
        "清单格式错误：m.csv 第 3 行的 zip_name 必须是不含路径的文件名：“../p.zip”不是文件名："
        "含有路径分隔符“/”或“\\”");
  }
}

// What a row must have, with the manifest's folder to resolve against (an
// empty package_folder would otherwise be that folder, or the root); and
// columns the batch does not know are ignored, even two of one name.
TEST(ManifestTest, EmptyRequiredFieldsAreRefusedAndUnknownColumnsIgnored) {
  const std::string header = "package_folder,zip_name,student_id,student_name,subject\n";
  const struct {
    std::string text;
    const char* refusal;  // nullptr: read
  } cases[] = {
      {header + ",a.zip,1,x,y\n", "清单格式错误：m.csv 第 2 行的 package_folder 为空"},
      {header + "a,b.zip,1,x,y\n\"\",a.zip,1,x,y\n",
       "清单格式错误：m.csv 第 3 行的 package_folder 为空"},
      {header + "a,a.zip,,x,y\n", "清单格式错误：m.csv 第 2 行的 student_id 为空"},
      {header + "a,a.zip,1,,\n", nullptr},  // a name and a subject may be empty
      {"note,package_folder,zip_name,student_id,student_name,subject,note\n"
       "n1,a,a.zip,1,x,y,n2\n",
       nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      const std::vector<ManifestRow> rows = ParseManifest(c.text, "m.csv", "/data");
      EXPECT_EQ(c.refusal, nullptr) << "read";
      ASSERT_EQ(rows.size(), 1u);
      EXPECT_EQ(rows[0].job.package_folder, "/data/a");
      EXPECT_EQ(rows[0].job.zip_name, "a.zip");
      EXPECT_EQ(rows[0].job.student_id, "1");
    } catch (const Error& e) {
      ASSERT_NE(c.refusal, nullptr) << e.what();
      EXPECT_STREQ(e.what(), c.refusal);
    }
  }
}

// A manifest is read in one encoding throughout, or refused with the
// first byte that fits neither reading.
TEST(ManifestTextTest, OneEncodingThroughoutOrTheFirstBadByteNamed) {
  TempDir dir;
  const std::string path = dir.File("m.csv");
  const std::string header = "学号,姓名,答卷包\n";
  const std::string mixed =  // two lines in UTF-8, then a name in GBK
      header + "1001,张三丰,a.zip\n1002," + ConvertEncoding("李四", "UTF-8", "GB18030") +
      ",b.zip\n";
  struct Case {
    std::string what;
    std::string bytes;
    std::string text;   // read as, when it is read
    std::string error;  // else the message
  };
  const Case cases[] = {
      {"UTF-8", header, header, ""},
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + header, header, ""},
      {"GB18030", ConvertEncoding(header, "UTF-8", "GB18030"), header, ""},
      {"UTF-16 with its mark", "\xFF\xFE" + ConvertEncoding(header, "UTF-8", "UTF-16LE"), header,
       ""},
      {"UTF-8 and GBK mixed", mixed, "",
       "清单编码错误：" + path +
           " 既不是有效的 UTF-8（第 3 行第 6 个字节（0xC0）起无效），也不是有效的 GB18030（第 1 "
           "行第 23 个字节（0x85）起无效）；请把整个文件存为其中一种编码"},
      {"GB18030 cut short", ConvertEncoding("学号", "UTF-8", "GB18030") + "\xD6", "",
       "清单编码错误：" + path +
           " 既不是有效的 UTF-8（第 1 行第 3 个字节（0xBA）起无效），也不是有效的 GB18030（第 1 "
           "行第 5 个字节（0xD6）起无效）；请把整个文件存为其中一种编码"},
      {"a stray byte after the UTF-8 mark", "\xEF\xBB\xBF" + header + "1\xFF", "",
       "清单编码错误：" + path +
           " 以 UTF-8 的字节序标记开头，但第 2 行第 2 个字节（0xFF）起不是有效的 UTF-8"},
      {"a lone surrogate after the UTF-16 mark",
       std::string("\xFF\xFE"
                   "a\0b\0\n\0\0\xDC"
                   "c\0",
                   12),
       "",
       "清单编码错误：" + path +
           " 以 UTF-16LE 的字节序标记开头，但第 9 个字节（0x00）起不是有效的 UTF-16LE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileForTest(path, c.bytes);
    try {
      EXPECT_EQ(ReadManifestText(path), c.text);
      EXPECT_EQ(c.error, "");
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), c.error);
    }
  }
}

TEST(ShardTest, ParsesAndPartitions) {
  const Shard shard = ParseShard("2/5");
  EXPECT_EQ(shard.index, 2u);
  EXPECT_EQ(shard.count, 5u);
  EXPECT_TRUE(shard.Takes(7));
  EXPECT_FALSE(shard.Takes(8));
  for (const char* bad : {"5/5", "1/0", "-1/3", "1/", "/3", "a/b", "1/3/4", "1 /3", ""}) {
    EXPECT_THROW(ParseShard(bad), UsageError) << bad;
  }
}

TEST(PageFileNameTest, FollowsTheLibrarysRule) {
  EXPECT_EQ(PageFileName("a#b#c.zip"), "abc.html");
  EXPECT_EQ(PageFileName("a.zip.zip"), "a.html.html");
  EXPECT_EQ(PageFileName("paper.ZIP"), "paper.ZIP");
  EXPECT_EQ(WithTrailingSlash("out"), "out/");
  EXPECT_EQ(WithTrailingSlash("out/"), "out/");
  EXPECT_EQ(WithoutTrailingSlash("dir//"), "dir");
  EXPECT_EQ(WithoutTrailingSlash("/"), "/");
}

TEST(ProgressTest, BarAndLineShowRateAndTimeLeft) {
  ProgressSnapshot s;
  s.done = 60;
  s.total = 200;
  s.failed = 1;
  s.skipped = 10;
  s.elapsed_seconds = 10;  // 50 pages generated: 5 per second, 140 left
  EXPECT_EQ(FormatProgressBar(s, 10), "[###.......]  60/200  失败 1  5.0 页/秒  剩余 0:28");
  EXPECT_EQ(FormatProgressLine(s), "进度 60/200，失败 1，5.0 页/秒，剩余约 0:28");
  s.done = s.skipped;  // nothing generated yet: no estimate
  EXPECT_EQ(FormatProgressLine(s), "进度 10/200，失败 1，0.0 页/秒，剩余约 --:--");
  // Pages waiting for their PDF are told, and count half each: 20 pages
  // written in 10 seconds, nothing printed yet.
  s.printing = 20;
  EXPECT_EQ(FormatProgressLine(s), "进度 10/200（待打印 20），失败 1，1.0 页/秒，剩余约 3:00");
  EXPECT_EQ(FormatProgressBar(s, 10),
            "[..........]  10/200（待打印 20）  失败 1  1.0 页/秒  剩余 3:00");
  EXPECT_EQ(FormatDuration(3723), "1:02:03");
  EXPECT_EQ(FormatDuration(0.2), "0:01");
  EXPECT_EQ(FormatDuration(0), "0:00");
}

}  // namespace
}  // namespace generatesheet::cli
