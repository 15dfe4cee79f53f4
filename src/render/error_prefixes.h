// The fixed prefix under which each rendering procedure reports a failure.
// Each text names the procedure of the system that first reported it and
// stays exactly as it is: hosts match on it.  The brackets, comma and colon
// are full-width; the two blanks inside the essay and compound texts are
// part of them.
#ifndef GENERATESHEET_RENDER_ERROR_PREFIXES_H_
#define GENERATESHEET_RENDER_ERROR_PREFIXES_H_

namespace generatesheet::prefix {

inline constexpr char kPage[] = "【GePaperInfo】创建文件出错，错误信息：";
inline constexpr char kPaperHeader[] = "【GetPaperTotleInfo】获取试卷的标题信息出错，错误信息：";
inline constexpr char kSections[] = "【SelectPaper】生成选择题体面信息出错，错误信息：";
inline constexpr char kChoiceSection[] = "【SingleChoose】生成单选题生成代码信息出错，错误信息：";
inline constexpr char kEssaySection[] = "【LunShu】英译汉[论述题]  写作[论述题]出错，错误信息：";
inline constexpr char kCompoundSection[] =
    "【FuHeTi】阅读理解[单选题]  完型填空[单选题]出错，错误信息：";
inline constexpr char kPassage[] = "【GetBigQuestion】获取复合题的大题目出错，错误信息：";
inline constexpr char kChoiceOptions[] = "【GetSelectOption】获取到选择题的选项出错，错误信息：";
inline constexpr char kAnswerRows[] =
    "【GetAnswerAndAnalysis】获取学生答案和标准答案以及解析出错，错误信息：";

}  // namespace generatesheet::prefix

#endif  // GENERATESHEET_RENDER_ERROR_PREFIXES_H_
