#include "tools/job/output_files.h"

#include <filesystem>
#include <iterator>
#include <string_view>

#include "generatesheet/page_file_name.h"

namespace generatesheet::cli {

namespace {

constexpr std::string_view kPageSuffix = ".html";

std::string_view WithoutPageSuffix(std::string_view page_file_name) {
  if (page_file_name.ends_with(kPageSuffix)) page_file_name.remove_suffix(kPageSuffix.size());
  return page_file_name;
}

}  // namespace

std::set<std::string> ClassFileNames() {
  std::set<std::string> names(std::begin(kSummaryFiles), std::end(kSummaryFiles));
  names.insert(std::begin(kArchiveFiles), std::end(kArchiveFiles));
  names.insert({kClassPdfName, kCardsPdfName});
  return names;
}

std::string PagePathFor(const std::string& page_prefix, const std::string& zip_name) {
  return page_prefix + PageFileName(zip_name);
}

std::string PdfPathFor(const std::string& page_path) {
  std::filesystem::path pdf(page_path);
  return pdf.replace_extension(".pdf").string();
}

std::string RecordFileName(const std::string& page_file_name) {
  return std::string(WithoutPageSuffix(page_file_name)) + kRecordSuffix;
}

std::string CardFileName(const std::string& page_file_name) {
  return std::string(WithoutPageSuffix(page_file_name)) + ".card.html";
}

}  // namespace generatesheet::cli
