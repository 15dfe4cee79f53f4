// The driver: extract the package, prepare both databases, write the page,
// and tell what came of the page.
#include <optional>
#include <string_view>
#include <utility>

#include "cipher/sodium_cipher.h"
#include "component/create_html_impl.h"
#include "component/decrypting_filter.h"
#include "component/error_prefixes.h"
#include "generatesheet/page_file_name.h"
#include "package/thread_zip_component.h"
#include "render/error_prefixes.h"
#include "util/error.h"
#include "util/folder_lock.h"
#include "util/log.h"
#include "util/path.h"

namespace generatesheet {

namespace {
// The settings the package is always extracted with: two that only the old
// zip control gave a meaning, and the package password.
constexpr bool kOldControlFlag16 = false;
constexpr std::int16_t kOldControlOption11 = 2;
constexpr char kPackagePassword[] = "qvk";
// Besides 0, the one result code that counts as a successful extraction.
constexpr std::int16_t kAlsoExtracted = 40;
// How long a run waits for another run working in the same package folder.
constexpr std::chrono::seconds kFolderWait(120);

FailureKind KindOfExtraction(std::int16_t code) {
  switch (static_cast<ZipResult>(code)) {
    case ZipResult::kArchiveUnreadable:
      return FailureKind::kPackageMissing;
    case ZipResult::kNotZip:
      return FailureKind::kNotAZip;
    case ZipResult::kBadEntry:
      return FailureKind::kDamagedPackage;
    case ZipResult::kUnsafeEntry:
    case ZipResult::kLimitExceeded:
      return FailureKind::kRefusedEntry;
    case ZipResult::kWriteFailed:
      return FailureKind::kWrite;
    default:
      return FailureKind::kOther;
  }
}

}  // namespace

std::string CreateHtml::Impl::BakFolder() const { return NativePath(bak_data_path); }

std::string CreateHtml::Impl::PackagePath() const { return BakFolder() + "/" + zip_paper_name; }

std::string CreateHtml::Impl::PagePathToWrite() const {
  return NativePath(html_paper_path) + PageFileName(zip_paper_name);
}

std::string CreateHtml::Impl::KeyFilePath() const { return NativePath(key_file); }

void CreateHtml::Impl::Report(FailureReport report) {
  err_msg = report.Message();
  ++run.failures;
  // A mismatch concerns the package, which the failing procedure may not know.
  if (report.file.empty() &&
      (report.kind == FailureKind::kKeyMismatch || report.kind == FailureKind::kStudentMismatch)) {
    report.file = PackagePath();
  }
  run.last = RunFailure{report.kind, std::string(StepOfPrefix(report.prefix)),
                        std::move(report.file), err_msg, std::move(report.description)};
  if (report.cause && run.cause.kind == FailureKind::kNone) {
    run.cause = run.last;
    run.advice = std::move(report.advice);
  }
}

// A failed extraction leaves ErrMsg alone; its component knows why it failed.
RunFailure CreateHtml::Impl::ExtractionFailure(std::int16_t code) const {
  std::string message = ThreadZipComponent().LastResultDescription();
  if (message.empty()) message = "无法解压答卷包：" + PackagePath();
  return RunFailure{KindOfExtraction(code), "Unzip", PackagePath(), message, message};
}

// The answer database's name in the package folder.
constexpr char kAnalysisFile[] = "Analysis.mdb";

std::unique_ptr<Cipher> CreateHtml::Impl::CipherForUnpacking() const {
  // A kept file of that name is compared with the entry's bytes as they
  // came: it is unpacked, and decrypted, as before.
  for (const std::string& kept : {NativePath(template_path), KeyFileOrDefault(KeyFilePath()),
                                  LogFilePath(), PagePathToWrite()}) {
    if (kept.ends_with(kAnalysisFile)) return nullptr;
  }
  try {
    std::unique_ptr<Cipher> made = CreateCipher(KeyFilePath());
    if (made->NewFileDecryptor(BakFolder() + "/" + kAnalysisFile, "")) return made;
  } catch (const std::exception&) {
    // InitAnalysisConn tries again and says why.
  }
  return nullptr;
}

std::int16_t CreateHtml::Impl::ExtractPackage(Cipher* unpacking, bool* decrypted) {
  // The package name is joined to BakDataPath and, as the page's name, to
  // HTMLPaperPath: a path in it would reach outside both folders.
  if (auto fault = FileNameFault(zip_paper_name)) {
    throw Error("答卷包名称必须是不含路径的文件名：" + *fault);
  }
  ZipComponent& zip = ThreadZipComponent();
  // No entry may replace this run's page, another page beside it, the
  // template, the master key or the log.
  zip.SetKeptFiles({{PagePathToWrite(), "生成的页面", true},
                    {NativePath(template_path), "页面模板"},
                    {KeyFileOrDefault(KeyFilePath()), "主密钥文件"},
                    {LogFilePath(), "日志文件"}});
  zip.SetZipFilename(PackagePath());
  zip.SetUnzipToFolder(BakFolder());
  zip.SetOldControlFlag16(kOldControlFlag16);
  zip.SetOldControlOption11(kOldControlOption11);
  zip.SetEncryptionPassword(kPackagePassword);
  *decrypted = false;
  EntryFilterFactory decrypt;
  if (unpacking) {
    decrypt = [unpacking, decrypted, path = BakFolder() + "/" + kAnalysisFile] {
      return std::make_unique<DecryptingFilter>(unpacking->NewFileDecryptor(path, ""), decrypted);
    };
  }
  zip.SetEntryFilter(kAnalysisFile, std::move(decrypt));
  return zip.Extract();
}

bool CreateHtml::Impl::GenerateSheet() {
  page_path.clear();
  package_sha256.clear();
  results.clear();
  result_sections.clear();
  result_texts.clear();
  outcome = Outcome::kNotWritten;
  run = RunRecord{};
  failure = RunFailure{};
  // A connection the host left open would keep an earlier package's file.
  CloseConnections();
  // Held from the extraction until both connections are closed: another run
  // in this folder would extract and decrypt the same files meanwhile.
  std::optional<FolderLock> lock;
  bool result = Reported(prefix::kGenerateSheet, [&] {
    lock.emplace(BakFolder(), kFolderWait);
    std::unique_ptr<Cipher> unpacking = CipherForUnpacking();
    bool decrypted = false;
    std::int16_t code = ExtractPackage(unpacking.get(), &decrypted);
    if (unpacking && ThreadZipComponent().FilterRefused()) {
      // The database does not decrypt: unpacked as it came, it is left for
      // the decryption in place to refuse and name why.
      unpacking.reset();
      code = ExtractPackage(nullptr, &decrypted);
    }
    if (code != 0 && code != kAlsoExtracted) {
      failure = ExtractionFailure(code);
      return false;
    }
    package_sha256 = ThreadZipComponent().ArchiveSha256();
    PrepareAnalysis(decrypted ? std::move(unpacking) : nullptr);
    InitPbaseConn();
    WritePage();
    return true;
  });
  // Closing both connections lets the same object serve the next student.
  CloseConnections();
  lock.reset();
  if (result) {
    SettleOutcome();
  } else if (failure.kind == FailureKind::kNone) {
    failure = run.last;
  }
  return result;
}

// A page is complete only when no step reported a failure and the paper
// showed at least one question; otherwise ErrMsg ends up naming the cause.
void CreateHtml::Impl::SettleOutcome() {
  failure = run.last;
  if (page_path.empty()) return;
  if (run.cause.kind != FailureKind::kNone) {
    err_msg = run.cause.message;
    failure = run.cause;
  } else if (run.questions == 0) {
    const std::string note = NoQuestionNote(subject);
    // An earlier report keeps its text; the note says what it led to.
    if (run.failures == 0) {
      Report({prefix::kSections, note, FailureKind::kNoSection});
      failure = run.last;
    } else {
      // The last report, with the note after it.
      err_msg += "（" + note + "）";
      failure = run.last;
      failure.message = err_msg;
      failure.description += "（" + note + "）";
    }
  }
  outcome = run.failures == 0 ? Outcome::kComplete : Outcome::kWrittenWithErrors;
}

std::string CreateHtml::Impl::NoQuestionNote(const std::string& subject) {
  return "试卷中没有生成任何试题：请检查科目“" + subject + "”是否与这份答卷包的试卷相符";
}

void CreateHtml::Impl::CloseConnections() noexcept {
  if (analysis_conn) analysis_conn->Close();
  if (pbase_conn) pbase_conn->Close();
}

}  // namespace generatesheet
