// class.pdf put together from many students' PDFs, without a browser: the
// students' PDFs here are made with qpdf and read back with it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/command_output.h"
#include "support/shell_quote.h"
#include "support/temp_dir.h"
#include "tools/pdf/class_pdf.h"
#include "util/error.h"

namespace generatesheet::cli {
namespace {

using nlohmann::json;
using testing::ReadFileForTest;
using testing::ShellQuote;
using testing::WriteFileForTest;

std::string Sh(const std::string& command) { return testing::RunForOutput(command).text; }

// More students than are put together in one piece, of one and of two
// pages, from odd pages: every student is in, in order, each bookmark on
// its student's first page, blank pages only where a student would start
// on an even one.  A file that is no PDF is refused by Add and left out.
TEST(ClassPdfTest, ManyStudentsInPiecesEachFromAnOddPage) {
  testing::TempDir dir;
  // A one-page PDF, mended into shape by qpdf, and a two-page one of it.
  WriteFileForTest(dir.File("raw.pdf"),
                   "%PDF-1.4\n1 0 obj <</Type/Catalog/Pages 2 0 R>> endobj\n"
                   "2 0 obj <</Type/Pages/Kids[3 0 R]/Count 1>> endobj\n"
                   "3 0 obj <</Type/Page/Parent 2 0 R/MediaBox[0 0 595 842]>> endobj\n"
                   "trailer <</Root 1 0 R/Size 4>>\n%%EOF\n");
  const std::string one = dir.File("one.pdf"), two = dir.File("two.pdf");
  Sh("qpdf " + ShellQuote(dir.File("raw.pdf")) + " " + ShellQuote(one) + " 2>/dev/null");
  Sh("qpdf --empty --pages " + ShellQuote(one) + " " + ShellQuote(one) + " -- " + ShellQuote(two));
  WriteFileForTest(dir.File("not.pdf"), "%PDF-1.4 half a fi");

  ClassPdf pdf;
  EXPECT_NE(pdf.Add(dir.File("not.pdf"), "x").find("PDF 无法读取：" + dir.File("not.pdf")),
            std::string::npos);
  constexpr int kStudents = 300;
  std::vector<int> expected;
  int page = 2;  // after a one-page front page
  for (int i = 0; i < kStudents; ++i) {
    ASSERT_EQ(pdf.Add(i % 3 == 0 ? two : one, "学生 " + std::to_string(i)), "");
    if (page % 2 == 0) ++page;
    expected.push_back(page);
    page += i % 3 == 0 ? 2 : 1;
  }
  pdf.Write(dir.File("class.pdf"), ReadFileForTest(one), true);

  const json read = json::parse(
      Sh("qpdf --json --json-key=outlines --json-key=pages " + ShellQuote(dir.File("class.pdf"))));
  ASSERT_EQ(read["outlines"].size(), static_cast<size_t>(kStudents));
  for (int i = 0; i < kStudents; ++i) {
    EXPECT_EQ(read["outlines"][i]["title"], "学生 " + std::to_string(i));
    EXPECT_EQ(read["outlines"][i]["destpageposfrom1"], expected[i]) << i;
  }
  EXPECT_EQ(read["pages"].size(), static_cast<size_t>(page - 1));
  // Nothing left beside it.
  EXPECT_EQ(Sh("ls -A " + ShellQuote(dir.path()) + " | grep -c tmp"), "0\n");

  // A folder where the file should go: an error naming it, no file made.
  ClassPdf none;
  ::mkdir(dir.File("in-the-way.pdf").c_str(), 0700);
  try {
    none.Write(dir.File("in-the-way.pdf"), "", false);
    ADD_FAILURE() << "written over a folder";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("in-the-way.pdf"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace generatesheet::cli
