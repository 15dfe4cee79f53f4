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

// A student's page that takes its size and resources from its page tree,
// as some writers make them, keeps both in the class PDF, and its drawing
// (a stream that also draws a form of its own) comes through unchanged.
TEST(ClassPdfTest, PagesKeepInheritedSizeAndTheirDrawing) {
  testing::TempDir dir;
  const std::string drawing = "q 1 0 0 1 10 10 cm /F0 Do Q 0 0 m 100 100 l S";
  WriteFileForTest(dir.File("raw.pdf"),
                   "%PDF-1.5\n1 0 obj <</Type/Catalog/Pages 2 0 R>> endobj\n"
                   "2 0 obj <</Type/Pages/Kids[3 0 R]/Count 1/MediaBox[0 0 300 400]"
                   "/Resources<</XObject<</F0 5 0 R>>>>>> endobj\n"
                   "3 0 obj <</Type/Page/Parent 2 0 R/Contents 4 0 R>> endobj\n"
                   "4 0 obj <</Length " +
                       std::to_string(drawing.size()) + ">>stream\n" + drawing +
                       "\nendstream endobj\n"
                       "5 0 obj <</Type/XObject/Subtype/Form/BBox[0 0 50 50]/Length 19>>stream\n"
                       "0 g 0 0 40 30 re f\nendstream endobj\n"
                       "trailer <</Root 1 0 R/Size 6>>\n%%EOF\n");
  const std::string one = dir.File("one.pdf");
  Sh("qpdf " + ShellQuote(dir.File("raw.pdf")) + " " + ShellQuote(one) + " 2>/dev/null");
  ClassPdf pdf;
  ASSERT_EQ(pdf.Add(one, "甲"), "");
  ASSERT_EQ(pdf.Add(one, "乙"), "");
  const std::string out = dir.File("class.pdf");
  pdf.Write(out, "", false);

  EXPECT_EQ(Sh("qpdf --check " + ShellQuote(out) + " >/dev/null 2>&1 && echo sound"), "sound\n");
  EXPECT_NE(Sh("head -c 8 " + ShellQuote(out)).find("%PDF-1.5"), std::string::npos);
  const json read =
      json::parse(Sh("qpdf --json --json-key=pages --json-key=outlines " + ShellQuote(out)));
  ASSERT_EQ(read["pages"].size(), 2u);
  EXPECT_EQ(read["outlines"][1]["title"], "乙");
  EXPECT_EQ(read["outlines"][1]["destpageposfrom1"], 2);
  EXPECT_EQ(Sh("pdfinfo -f 1 -l 2 -box " + ShellQuote(out) +
               " | grep -c 'MediaBox: *0.00 *0.00 *300.00 *400.00'"),
            "2\n");
  for (int page = 0; page < 2; ++page) {
    const std::string object = read["pages"][page]["object"];
    const std::string contents = read["pages"][page]["contents"][0];
    const std::string file = ShellQuote(out);
    EXPECT_EQ(Sh("qpdf --show-object='" + contents + "' --filtered-stream-data " + file), drawing);
    // The form the drawing names is in the page's own resources: the page
    // looks as the student's own does.
    const std::string look = "pdftoppm -r 20 -gray -f " + std::to_string(page + 1) + " -l " +
                             std::to_string(page + 1) + " ";
    EXPECT_EQ(Sh(look + file + " | md5sum"),
              Sh(look.substr(0, look.find("-f")) + "-f 1 -l 1 " + ShellQuote(one) + " | md5sum"));
  }
}

}  // namespace
}  // namespace generatesheet::cli
