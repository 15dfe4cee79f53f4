#include "component/page_file.h"

#include <filesystem>
#include <utility>

#include "render/error_prefixes.h"
#include "util/error.h"
#include "util/error_sink.h"
#include "util/file_util.h"

namespace generatesheet {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec) && !ec;
}

// The page goes into an existing folder: say which one is missing rather
// than that a temporary file could not be made in it.
void RequireFolderOf(const std::string& page_path) {
  const std::filesystem::path folder = std::filesystem::path(page_path).parent_path();
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    throw KindedError(FailureKind::kWrite, folder.string(), "输出文件夹不存在：" + folder.string());
  }
}

}  // namespace

std::string WritePaperPage(const RenderContext& context, const PageFiles& files,
                           const ContentNotice& notice) {
  return Reported(context.errors, prefix::kPage, [&] {
    AssembledPage page = AssemblePage(context, files.template_path, files.student_title, notice);
    const std::string& path = files.page_path;
    if (SameFile(path, files.package_path)) {
      throw KindedError(FailureKind::kWrite, path, "网页路径与答案包相同，拒绝覆盖答案包：" + path);
    }
    RequireFolderOf(path);
    try {
      WriteFileAtomically(path, EncodeFromUtf8(std::move(page.text), page.encoding));
    } catch (const Error& e) {
      throw KindedError(FailureKind::kWrite, path, e.what());
    }
    // Written as the template asks, but the page shows none of the paper.
    if (!page.holds_content) {
      context.errors.Report({prefix::kPage,
                             "模板中没有 \"$Content$\"，页面不含试卷内容：" + files.template_path,
                             FailureKind::kTemplate, files.template_path});
    }
    return path;
  });
}

}  // namespace generatesheet
