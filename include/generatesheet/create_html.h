// CreateHtml turns one student's answer package into the HTML review page of
// the exam paper.
//
//   generatesheet::CreateHtml sheet;
//   sheet.SetBakDataPath("/data/exam/1001");      // folder of the package
//   sheet.SetZipPaperName("1001.zip");            // the package itself
//   sheet.SetTemplatePath("/data/template.html");
//   sheet.SetHTMLPaperPath("/data/pages/");       // prefix of the page path
//   sheet.SetStudentID("1001");
//   sheet.GenerateSheet();
//   if (sheet.PageOutcome() == generatesheet::Outcome::kComplete) { ... }
//   else std::cerr << sheet.ErrMsg();
//
// Contract:
// - No member throws.  A failing step writes its fixed Chinese prefix and a
//   description into ErrMsg and the run goes on with the next step, so a
//   failed section leaves a gap and the rest of the page is still produced.
//   ErrMsg keeps the last report; the library never clears it.
// - GenerateSheet returns false only when the package could not be
//   extracted (or the driver itself failed).  PagePath tells whether the page
//   was written: it is emptied when a run starts and set once the page is
//   complete on disk.  PageOutcome tells whether the page is whole: a run
//   whose steps reported a failure, or that rendered no question, wrote a
//   page with errors, and ErrMsg then names the cause.
// - A run reads only its own package: when Analysis.mdb cannot be decrypted,
//   AnalysisConn is left empty, never pointing at an earlier package.
// - A run holds an exclusive lock on BakDataPath from the extraction to the
//   closing of its connections; a second run on the same folder (in this
//   process or another) waits for it.
// - Strings are UTF-8.  Paths use "\" or "/" as separators, as in 2.0.0:
//   in every path a host gives (BakDataPath, TemplatePath, HTMLPaperPath,
//   KeyFile, LogFolder, a connection's Data Source, Delfile's argument)
//   "\" names the same folder boundary as "/", so "C:\bak" and
//   "/data/bak\Analysis.mdb" work as they read.  A file or folder whose
//   name holds "\" therefore cannot be addressed.  ZipPaperName is a bare
//   file name: any separator in it is refused.  Properties read back as
//   they were set, and the connection strings keep the host's "\"
//   (Data Source=C:\bak\Pbase.mdb); PagePath and the files that messages
//   name are the mapped paths.
// - One object belongs to one thread at a time; separate objects may run on
//   separate threads at once.
#ifndef GENERATESHEET_CREATE_HTML_H_
#define GENERATESHEET_CREATE_HTML_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "generatesheet/connection.h"
#include "generatesheet/export.h"
#include "generatesheet/question_result.h"
#include "generatesheet/run_failure.h"

namespace generatesheet {

// What the last run of a CreateHtml made of its page.
enum class Outcome {
  kNotWritten = 0,         // no page (or the object has not run yet)
  kWrittenWithErrors = 1,  // a page with gaps: a step failed or no question came out
  kComplete = 2,           // a page with every step successful
};

class GENERATESHEET_EXPORT CreateHtml {
 public:
  CreateHtml();
  ~CreateHtml();
  CreateHtml(const CreateHtml&) = delete;
  CreateHtml& operator=(const CreateHtml&) = delete;

  // The two connections create themselves, closed, on first read.  Setting
  // nullptr empties the member; the next read creates a fresh connection.
  std::shared_ptr<Connection> AnalysisConn();
  void SetAnalysisConn(std::shared_ptr<Connection> connection);
  std::shared_ptr<Connection> PbaseConn();
  void SetPbaseConn(std::shared_ptr<Connection> connection);

  // Extracts the package, prepares both databases and writes the page.
  bool GenerateSheet();
  // Hands one line to the LogCallback when one is set; else appends it to
  // syslog.txt in LogFolder when it is set, else in the folder named by the
  // environment variable GENERATESHEET_LOG_DIR when it is set, else in the
  // library's folder (an installed library's folder is usually not
  // writable).  Never fails: a log that cannot be written is reported once
  // on stderr.
  void WriteLog(std::string tempstr);
  // Decrypts Analysis.mdb in place and sets AnalysisConn's connection string.
  void InitAnalysisConn();
  // Sets PbaseConn's connection string.  A failure is also logged.  An open
  // PbaseConn refuses the change and stays as it was, open, with its string.
  void InitPbaseConn();
  // Deletes the file if it exists, read-only or not; never fails.
  void Delfile(std::string& filepath);

  std::string StudentName() const;
  void SetStudentName(std::string sValue);
  std::string TemplatePath() const;
  void SetTemplatePath(std::string sValue);
  // Stored and returned only.
  std::string DocumentPath() const;
  void SetDocumentPath(std::string sValue);
  // Folder of the package, without a trailing separator.
  std::string BakDataPath() const;
  void SetBakDataPath(std::string sValue);
  // File name of the package inside BakDataPath, e.g. "1001.zip".
  std::string ZipPaperName() const;
  void SetZipPaperName(std::string sValue);
  // Stored and returned only: packages are opened with a fixed password.
  std::string ZipPassword() const;
  void SetZipPassword(std::string sValue);
  std::string ErrMsg() const;
  void SetErrMsg(std::string sValue);
  std::string StudentID() const;
  void SetStudentID(std::string sValue);
  // "计算机应用基础" switches the rendering rules; any other text does not.
  std::string Subject() const;
  void SetSubject(std::string sValue);
  // Prefix of the page path, joined to the page's file name with no
  // separator: it ends with "/" (or "\").
  std::string HTMLPaperPath() const;
  void SetHTMLPaperPath(std::string sValues);

  // The folder of the syslog.txt this object's runs and WriteLog append to;
  // "" (the default) for GENERATESHEET_LOG_DIR or the library's folder.
  std::string LogFolder() const;
  void SetLogFolder(std::string folder);
  // When set, every line this object logs (its runs' and WriteLog's) goes to
  // `callback` instead of a file, without its line end, on the thread that
  // runs the object; LogFolder is then not used.  What the callback throws
  // is dropped.  An empty function (the default) restores the file.  The
  // callback may call SetLogCallback itself: it stays alive until it
  // returns, and the lines after go to the new target.
  void SetLogCallback(std::function<void(std::string_view line)> callback);

  // The master key file this object decrypts its packages with.  When it is
  // empty (the default) a run reads the file named by the environment
  // variable GENERATESHEET_KEY_FILE at its start.  Two objects with
  // different key files may run on two threads at once.
  std::string KeyFile() const;
  void SetKeyFile(std::string path);

  // The path of the page written by the last run, or "" when the run wrote
  // none.  Read-only.
  std::string PagePath() const;
  // What became of the last run's page.  Read-only.
  Outcome PageOutcome() const;
  // The SHA-256 (lowercase hex) of the answer package the last run
  // extracted, taken from the bytes the extraction read; "" when the run
  // extracted none.  Read-only.
  std::string PackageSha256() const;
  // Why the last run fell short: kind kNone for a complete page (and before
  // any run); else the kind, step, file and message of the failure that
  // ErrMsg reports, or of the failed extraction.  Read-only.
  const RunFailure& Failure() const;

  // Marks on the page: when true, each question's table gains a row with
  // the marks obtained and available and the verdict ("得分：3 / 4 ✔ 正确"),
  // and each section heading the section's subtotal ("本题得分 12 / 16").
  // A mark that cannot be read shows "—" and is reported in ErrMsg like any
  // other failure of its question.  Default false: the page is then exactly
  // as without this property.
  bool Marks() const;
  void SetMarks(bool sValue);

  // A notice on a page that lacks parts: when true, a page written with
  // errors opens its content (where "$Content$" stood) with a block
  // "此页面不完整：" followed by the cause in plain words and what to do,
  // escaped (<div class='incomplete' ...>), so a reader of the page or its
  // print sees that it is not whole.  A complete page is the same with or
  // without it.  Default false: pages are exactly as without this property.
  bool IncompleteNotice() const;
  void SetIncompleteNotice(bool sValue);

  // The student's title: when true, "$Title$" in the template is filled with
  // the student's number, name and subject, joined by spaces and escaped
  // ("1001 张三 英语"), so a browser's tab, a print's running header and a
  // PDF's title name the student.  Default false: "$Title$" gets the fixed
  // title "生成的网页标题", and pages are exactly as without this property.
  bool StudentTitle() const;
  void SetStudentTitle(bool sValue);

  // The per-question results of the last run, in the order of the page;
  // emptied when a run starts.  Filled whether Marks is on or not.
  const std::vector<QuestionResult>& Results() const;
  // The heading of each result's section, one per result of Results(): the
  // section's numeral, "、" and its title in plain text ("一、单选题"), as
  // the page heads it.
  const std::vector<std::string>& ResultSections() const;
  // The first line of each result's question text, one per result of
  // Results(): plain text with its blanks trimmed, at most 40 characters
  // (a longer line is cut and ends with "…"); "" for a question with none.
  const std::vector<std::string>& ResultTexts() const;

  class GENERATESHEET_NO_EXPORT Impl;  // the private procedures; for the library's own use
  Impl& impl() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_CREATE_HTML_H_
