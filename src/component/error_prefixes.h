// The fixed prefix under which each procedure reports a failure in ErrMsg:
// the component's own here, the rendering procedures' in render/.
#ifndef GENERATESHEET_COMPONENT_ERROR_PREFIXES_H_
#define GENERATESHEET_COMPONENT_ERROR_PREFIXES_H_

#include "render/error_prefixes.h"

namespace generatesheet::prefix {

inline constexpr char kGenerateSheet[] = "创建文件出错，错误信息：";
inline constexpr char kInitAnalysisConn[] = "初始化Analysis数据库连接出错，详细信息：";
inline constexpr char kInitPbaseConn[] = "初始化Pbase数据库连接出错，详细信息：";

}  // namespace generatesheet::prefix

#endif  // GENERATESHEET_COMPONENT_ERROR_PREFIXES_H_
