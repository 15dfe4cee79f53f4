// The fixed prefix under which each procedure reports a failure in ErrMsg.
// The brackets, comma and colon are full-width; the two blanks inside the
// LunShu and FuHeTi texts are part of them.
#ifndef GENERATESHEET_COMPONENT_ERROR_PREFIXES_H_
#define GENERATESHEET_COMPONENT_ERROR_PREFIXES_H_

namespace generatesheet::prefix {

inline constexpr char kGenerateSheet[] = "创建文件出错，错误信息：";
inline constexpr char kGePaperInfo[] = "【GePaperInfo】创建文件出错，错误信息：";
inline constexpr char kSelectPaper[] = "【SelectPaper】生成选择题体面信息出错，错误信息：";
inline constexpr char kLunShu[] = "【LunShu】英译汉[论述题]  写作[论述题]出错，错误信息：";
inline constexpr char kFuHeTi[] = "【FuHeTi】阅读理解[单选题]  完型填空[单选题]出错，错误信息：";
inline constexpr char kGetBigQuestion[] = "【GetBigQuestion】获取复合题的大题目出错，错误信息：";
inline constexpr char kSingleChoose[] = "【SingleChoose】生成单选题生成代码信息出错，错误信息：";
inline constexpr char kGetSelectOption[] = "【GetSelectOption】获取到选择题的选项出错，错误信息：";
inline constexpr char kGetAnswerAndAnalysis[] =
    "【GetAnswerAndAnalysis】获取学生答案和标准答案以及解析出错，错误信息：";
inline constexpr char kGetPaperTotleInfo[] =
    "【GetPaperTotleInfo】获取试卷的标题信息出错，错误信息：";
inline constexpr char kInitAnalysisConn[] = "初始化Analysis数据库连接出错，详细信息：";
inline constexpr char kInitPbaseConn[] = "初始化Pbase数据库连接出错，详细信息：";

}  // namespace generatesheet::prefix

#endif  // GENERATESHEET_COMPONENT_ERROR_PREFIXES_H_
