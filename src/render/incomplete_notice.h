// The notice at the top of a page that lacks parts: a reader who prints or
// opens the page sees that it is not whole, why, and what to do.
#ifndef GENERATESHEET_RENDER_INCOMPLETE_NOTICE_H_
#define GENERATESHEET_RENDER_INCOMPLETE_NOTICE_H_

#include <string>
#include <string_view>

namespace generatesheet {

// What the reader is told to do, by what the cause calls for.
enum class Remedy {
  kReportThePart,  // a part failed for a reason of its own
  kKeyFile,        // the master key file is missing or unreadable
  kKeyOrPackage,   // the key does not open the package: the key, else the package
  kPackage,        // the answer data is missing, not encrypted or damaged
  kStudentNumber,  // the student number does not open the scores
  kSubject,        // the subject selects no section of the paper
};

struct RemedyAdvice {
  Remedy remedy;
  const char* advice;  // names the thing to put right
};

// One row per remedy.
inline constexpr RemedyAdvice kRemedyAdvice[] = {
    {Remedy::kReportThePart,
     "页面中缺少无法读取的部分，请勿当作完整的试卷使用；请将此说明转告生成页面的人员，处理后重新"
     "生成"},
    {Remedy::kKeyFile,
     "页面上没有页眉（学号、姓名、得分）和考生答案。请取得正确的主密钥文件，指定给生成程序（"
     "generate-sheet 的 --key-file 选项）后重新生成"},
    {Remedy::kKeyOrPackage,
     "页面上没有页眉（学号、姓名、得分）和考生答案。请核对密钥文件（generate-sheet 的 --key-file "
     "选项）是否与答卷包相符后重新生成；密钥文件无误时，请重新取得这名考生的答卷包"},
    {Remedy::kPackage,
     "页面上没有页眉（学号、姓名、得分）和考生答案。请重新取得这名考生的答卷包后重新生成"},
    {Remedy::kStudentNumber,
     "页面上没有页眉（学号、姓名、得分）和考生答案。请核对学号后重新生成；学号无误时，请核对密钥"
     "文件"},
    {Remedy::kSubject, "请改正科目后重新生成此页面"},
};

// The advice of `remedy`'s row.
std::string_view AdviceFor(Remedy remedy);

// "此页面不完整：CAUSE。ADVICE" as one block, both texts escaped.  Styled
// inline, so it shows in any template and on paper.
std::string IncompleteNoticeHtml(std::string_view cause, std::string_view advice);

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_INCOMPLETE_NOTICE_H_
