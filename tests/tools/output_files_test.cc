// The names of what runs leave in the output folder, from the one list.
#include "tools/job/output_files.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace generatesheet::cli {
namespace {

TEST(OutputFilesTest, AStudentsFilesAreNamedAfterThePage) {
  struct Case {
    std::string page;
    std::string pdf;
    std::string record;
    std::string card;
  };
  const Case cases[] = {
      {"s1.html", "s1.pdf", "s1.results.json", "s1.card.html"},
      {"a.b.html", "a.b.pdf", "a.b.results.json", "a.b.card.html"},
      {"page", "page.pdf", "page.results.json", "page.card.html"},
      {"学生 李明.html", "学生 李明.pdf", "学生 李明.results.json", "学生 李明.card.html"},
      {"x.HTML", "x.pdf", "x.HTML.results.json", "x.HTML.card.html"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PdfPathFor(c.page), c.pdf) << c.page;
    EXPECT_EQ(RecordFileName(c.page), c.record) << c.page;
    EXPECT_EQ(CardFileName(c.page), c.card) << c.page;
  }
  EXPECT_EQ(PdfPathFor("/out/pages/s1.html"), "/out/pages/s1.pdf");
}

TEST(OutputFilesTest, APagesPathIsTheFolderAndThePackagesPageName) {
  const std::pair<std::string, std::string> cases[] = {
      {"s1.zip", "out/s1.html"},
      {"#1#s1.zip", "out/1s1.html"},  // the library drops "#" from the name
      {"a.zip.zip", "out/a.html.html"},
  };
  for (const auto& [zip, page] : cases) EXPECT_EQ(PagePathFor("out/", zip), page) << zip;
}

TEST(OutputFilesTest, TheClassFilesAreEveryNameButTheLock) {
  const std::set<std::string> expected = {
      "index.html",   "summary.csv",   "items.csv", "scores.csv",        "summary.json",
      "summary.xlsx", "MANIFEST.json", "class.pdf", "MANIFEST.json.sig", "cards.pdf"};
  EXPECT_EQ(ClassFileNames(), expected);
  EXPECT_EQ(ClassFileNames().count(kSummaryLockName), 0u);
  for (const char* linked : kLinkedFiles) EXPECT_EQ(ClassFileNames().count(linked), 1u) << linked;
  // A student's record never takes a class file's name.
  for (const std::string& name : ClassFileNames()) EXPECT_FALSE(name.ends_with(kRecordSuffix));
}

}  // namespace
}  // namespace generatesheet::cli
