// Builds real answer packages: the question bank Pbase.mdb and the student's
// encrypted Analysis.mdb, zipped with the fixed package password.  Used by
// the package-building command, the sample packages and the tests.
//
//   PackageDescription d;
//   d.student_id = "1001";
//   d.question_types.push_back({{"I_CmdId", 1}, {"C_DataCode", "86"}, {"C_TestStyle", "单选题"}});
//   d.titles.push_back({{"I_QuestionNo", 1}, {"M_Title", "1+1=?"}, {"C_DataCode", "86"}});
//   d.analysis.push_back({{"I_QuestionNo", 1}, {"I_TypeID", 1}, {"M_StudentAnswer", "2"}});
//   BuildAnswerPackage(d, cipher, "/tmp/p/1001.zip");
#ifndef GENERATESHEET_BUILDER_PACKAGE_ANSWER_PACKAGE_H_
#define GENERATESHEET_BUILDER_PACKAGE_ANSWER_PACKAGE_H_

#include <map>
#include <string>
#include <vector>

#include "builder/jet/value.h"

namespace generatesheet {
class SodiumCipher;  // src/cipher/sodium_cipher.h, the builder's one use of the library's insides
}  // namespace generatesheet

namespace generatesheet::builder {

// A cell of a description.  Text in a memo column of the question bank is
// written as rich text the way a Windows rich-text control writes Chinese;
// a Rich cell is rich text written unchanged.
struct Cell {
  Cell() = default;  // Null
  template <typename T>
  Cell(T v) : value(std::move(v)) {}
  static Cell Rich(std::string rtf) {
    Cell c(std::move(rtf));
    c.rich = true;
    return c;
  }
  jet::Value value;
  bool rich = false;
};

// Column name -> cell; a column left out of a row is Null in that row.
using Row = std::map<std::string, Cell>;

struct PackageDescription {
  std::string student_id;  // the per-question keys are made for this student

  // Pbase.mdb.  Column types follow the cells: a column whose cells are all
  // integers is a Long Integer column, numbers make a Double column, anything
  // else text (M_ columns memo).  So I_TypeID holds a type name or a numeric
  // type id as the description gives it.
  std::vector<Row> question_types;  // tbl_QuestionType
  std::vector<Row> titles;          // tbl_title
  std::vector<Row> common_items;    // tbl_CommItem
  std::vector<Row> choices;         // tbl_ChoiceVice

  // Analysis.mdb, in plain text: S_GetScore and M_StudentAnswer are
  // encrypted with the per-question key, M_TopicAns and M_Analysis with the
  // row's I_RECNO (from the tbl_Account row of the same question).
  std::vector<Row> accounts;  // tbl_Account: I_QuestionNo, S_GetScore, I_RECNO
  std::vector<Row> analysis;  // tbl_AnalysisPaper
};

struct BuildOptions {
  std::string zip_encryption = "aes256";  // "aes256", "zipcrypt" or "" (none)
  bool encrypt_analysis_file = true;
};

// Writes Pbase.mdb and Analysis.mdb (encrypted as a whole unless the options
// say otherwise) into `folder`.  Throws Error.
void WriteDatabases(const PackageDescription& description, SodiumCipher& cipher,
                    const std::string& folder, const BuildOptions& options = {});

// Writes the package at `zip_path` (its two databases inside, nothing left
// beside it).  Throws Error.
void BuildAnswerPackage(const PackageDescription& description, SodiumCipher& cipher,
                        const std::string& zip_path, const BuildOptions& options = {});

// Plain text as a Windows rich-text control writes it: \ansicpg936, GBK
// bytes as \'hh, other characters as \uN, line breaks as \par.
std::string PlainTextToWindowsRtf(const std::string& utf8);

// Zips `files` (path in the archive -> path on disk) into `zip_path`,
// protected with `password` under `encryption` ("aes256", "zipcrypt", "").
void WriteZip(const std::string& zip_path, const std::map<std::string, std::string>& files,
              const std::string& password, const std::string& encryption);

}  // namespace generatesheet::builder

#endif  // GENERATESHEET_BUILDER_PACKAGE_ANSWER_PACKAGE_H_
