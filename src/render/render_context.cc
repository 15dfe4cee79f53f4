#include "render/render_context.h"

#include "util/error.h"

namespace generatesheet {

Cipher& RenderContext::RequireCipher() const {
  if (cipher == nullptr) throw Error("解密组件尚未创建（答案库未经初始化）");
  return *cipher;
}

}  // namespace generatesheet
