// Cutting a group's printed PDF into the students' PDFs, without a browser:
// the printed documents are written by hand, put in shape by qpdf and read
// back with it.
#include "tools/pdf/overlaid_split.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/command_output.h"
#include "support/shell_quote.h"
#include "support/temp_dir.h"
#include "util/error.h"

namespace generatesheet::cli {
namespace {

using nlohmann::json;
using testing::ReadFileForTest;
using testing::ShellQuote;
using testing::WriteFileForTest;

constexpr char kMark[] = "https://student.invalid/T0KEN/";

// A PDF whose pages hold link annotations to these addresses, as qpdf
// writes it.
std::string PdfWithLinks(const std::vector<std::vector<std::string>>& pages,
                         testing::TempDir& dir) {
  std::string kids, objects;
  int next = 3;
  for (const std::vector<std::string>& links : pages) {
    const int page = next++;
    std::string annotations;
    for (const std::string& uri : links) {
      objects += std::to_string(next) + " 0 obj <</Type/Annot/Subtype/Link/Rect[0 0 1 1]" +
                 "/A<</S/URI/URI(" + uri + ")>>>> endobj\n";
      annotations += std::to_string(next++) + " 0 R ";
    }
    objects += std::to_string(page) + " 0 obj <</Type/Page/Parent 2 0 R/MediaBox[0 0 595 842]" +
               (links.empty() ? "" : "/Annots[" + annotations + "]") + ">> endobj\n";
    kids += std::to_string(page) + " 0 R ";
  }
  WriteFileForTest(dir.File("raw.pdf"),
                   "%PDF-1.4\n1 0 obj <</Type/Catalog/Pages 2 0 R>> endobj\n"
                   "2 0 obj <</Type/Pages/Kids[" +
                       kids + "]/Count " + std::to_string(pages.size()) + ">> endobj\n" + objects +
                       "trailer <</Root 1 0 R/Size " + std::to_string(next) + ">>\n%%EOF\n");
  testing::RunForOutput("qpdf " + ShellQuote(dir.File("raw.pdf")) + " " +
                        ShellQuote(dir.File("shaped.pdf")) + " 2>/dev/null");
  return ReadFileForTest(dir.File("shaped.pdf"));
}

std::string Mark(const std::string& student) { return kMark + student; }

// Where each student starts is read from its mark alone: links of another
// group, or with more after the number, are the page's own; a student
// without a mark, one whose mark is not after the one before, or a first
// student not on the first page make the group unusable.
TEST(PrintedGroupTest, CountsEachStudentsPagesFromTheMarks) {
  const std::string other_group = "https://student.invalid/OTHER/1";
  const struct {
    std::vector<std::vector<std::string>> pages;
    size_t students;
    std::vector<size_t> counts;  // empty: refused
  } cases[] = {
      {{{Mark("0")}, {}, {Mark("1")}, {Mark("2"), "https://example.org/"}}, 3, {2, 1, 1}},
      {{{Mark("0")}, {other_group}, {Mark("1x")}, {Mark("1")}}, 2, {3, 1}},
      {{{Mark("0")}}, 1, {1}},
      {{{Mark("0")}, {Mark("2")}}, 3, {}},               // the second has no mark
      {{{}, {Mark("0")}, {Mark("1")}}, 2, {}},           // the first not on the first page
      {{{Mark("0"), Mark("1")}, {}}, 2, {}},             // two on one page
      {{{Mark("1")}, {Mark("0")}}, 2, {}},               // out of order
      {{{Mark("0")}, {Mark("1")}, {Mark("1")}}, 3, {}},  // a mark twice, one missing
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    const std::string pdf = PdfWithLinks(c.pages, dir);
    SCOPED_TRACE(std::to_string(c.pages.size()) + " pages, " + std::to_string(c.students) +
                 " students");
    if (c.counts.empty()) {
      EXPECT_THROW(PrintedGroup(pdf, kMark, c.students), Error);
    } else {
      EXPECT_EQ(PrintedGroup(pdf, kMark, c.students).page_counts(), c.counts);
    }
  }
}

// Each student's PDF holds its own pages, titled for it, with the overlay's
// page laid over each and the marks gone, the page's own links kept; an
// overlay of another page count is refused before any file is written.
TEST(PrintedGroupTest, WritesEachStudentsPagesWithTheOverlay) {
  testing::TempDir dir;
  const std::string printed =
      PdfWithLinks({{Mark("0")}, {"https://example.org/"}, {Mark("1")}}, dir);
  const std::string overlay = PdfWithLinks({{}, {}, {}}, dir);
  const std::vector<StudentPdf> students = {{"2024010101 李明 英语", dir.File("a.pdf")},
                                            {"2024010102 王芳 英语", dir.File("b.pdf")}};
  EXPECT_THROW(
      PrintedGroup(printed, kMark, 2).WriteStudentPdfs(PdfWithLinks({{}, {}}, dir), students),
      Error);
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.pdf")));

  PrintedGroup(printed, kMark, 2).WriteStudentPdfs(overlay, students);
  const size_t pages[] = {2, 1};
  for (size_t s = 0; s < students.size(); ++s) {
    SCOPED_TRACE(students[s].path);
    const std::string bytes = ReadFileForTest(students[s].path);
    EXPECT_EQ(bytes.find("student.invalid"), std::string::npos);
    EXPECT_EQ(bytes.find("example.org") != std::string::npos, s == 0);
    const json read = json::parse(
        testing::RunForOutput("qpdf --json --json-key=pages " + ShellQuote(students[s].path)).text);
    ASSERT_EQ(read["pages"].size(), pages[s]);
    const std::string info = testing::RunForOutput("pdfinfo " + ShellQuote(students[s].path)).text;
    EXPECT_NE(info.find("Title:           " + students[s].title + "\n"), std::string::npos) << info;
    // The overlay is drawn last on every page.
    size_t placed = 0;
    for (size_t at = 0; (at = bytes.find("/Fx0 Do", at)) != std::string::npos; ++at) ++placed;
    EXPECT_EQ(placed, pages[s]);
  }
}

}  // namespace
}  // namespace generatesheet::cli
