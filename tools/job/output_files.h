// The names of what runs leave in the output folder: beside each student's
// page its results record, its PDF and its report card; beside them all the
// class's summary files, PDFs and archive manifest.  Every command that
// writes, lists, guards or links these files takes their names from here.
#ifndef GENERATESHEET_TOOLS_JOB_OUTPUT_FILES_H_
#define GENERATESHEET_TOOLS_JOB_OUTPUT_FILES_H_

#include <set>
#include <string>

namespace generatesheet::cli {

// The class summary's files (class_summary.h).
inline constexpr const char* kSummaryFiles[] = {"index.html", "summary.csv",  "items.csv",
                                                "scores.csv", "summary.json", "summary.xlsx"};
// The class PDF (class_pdf.h) and the report cards' PDF (card_pdf.h).
inline constexpr char kClassPdfName[] = "class.pdf";
inline constexpr char kCardsPdfName[] = "cards.pdf";
// The archive manifest and its signature (archive_manifest.h).
inline constexpr char kArchiveManifestName[] = "MANIFEST.json";
inline constexpr char kArchiveSignatureName[] = "MANIFEST.json.sig";
inline constexpr const char* kArchiveFiles[] = {kArchiveManifestName, kArchiveSignatureName};
// The files index.html links to when they are in its folder.
inline constexpr const char* kLinkedFiles[] = {"summary.csv",  "items.csv",    "scores.csv",
                                               "summary.json", "summary.xlsx", kClassPdfName};
// The file of the lock on the class's files (summary_files_lock.h), there
// only while a writer holds it; the archive manifest never lists it.
inline constexpr char kSummaryLockName[] = ".generate-sheet.lock";
// The ending of a student's results record (student_record.h).
inline constexpr char kRecordSuffix[] = ".results.json";

// Every file of the class named above but the lock: the names no
// student's file may take.
std::set<std::string> ClassFileNames();

// The path of the page made from the package `zip_name` in the folder
// `page_prefix` (ending with "/"): where the library writes it.
std::string PagePathFor(const std::string& page_prefix, const std::string& zip_name);

// The PDF's path for a page: "s1.pdf" beside "s1.html".
std::string PdfPathFor(const std::string& page_path);

// "s1.results.json" for the page "s1.html" (other names get the suffix).
std::string RecordFileName(const std::string& page_file_name);

// "s1.card.html" for the page "s1.html" (other names get the suffix).
std::string CardFileName(const std::string& page_file_name);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_JOB_OUTPUT_FILES_H_
