#include "render/page_assembly.h"

#include <filesystem>

#include "render/error_prefixes.h"
#include "render/page_file_name.h"
#include "render/paper_renderers.h"
#include "util/error.h"
#include "util/file_util.h"
#include "util/path.h"
#include "util/text_encoding.h"

namespace generatesheet {

namespace {

constexpr char kTitle[] = "生成的网页标题";

// Replaces every `from` in `text`; the inserted text is never searched again.
std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  size_t start = 0;
  for (size_t at; (at = text.find(from, start)) != std::string::npos; start = at + from.size()) {
    out.append(text, start, at - start).append(to);
  }
  return out.append(text, start);
}

bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec) && !ec;
}

}  // namespace

std::string PageFileName(const std::string& zip_paper_name) {
  return ReplaceAll(ReplaceAll(zip_paper_name, "#", ""), ".zip", ".html");
}

std::string WritePaperPage(const RenderContext& context, const PageFiles& files) {
  return Reported(context.errors, prefix::kPage, [&] {
    const std::string template_bytes = ReadWholeFile(files.template_path);
    const TextEncoding encoding = DetectTemplateEncoding(template_bytes);
    std::string page = DecodeToUtf8(template_bytes, encoding);

    std::string content = RenderPaperHeader(context);
    content += RenderSections(context);
    page = ReplaceAll(page, "$Title$", kTitle);
    page = ReplaceAll(page, "$Content$", content);

    const std::string path = files.html_paper_path + PageFileName(files.zip_paper_name);
    const std::string package = files.bak_data_path + "\\" + files.zip_paper_name;
    if (SameFile(NativePath(path), NativePath(package))) {
      throw Error("网页路径与答案包相同，拒绝覆盖答案包：" + path);
    }
    WriteFileAtomically(path, EncodeFromUtf8(page + "\r\n", encoding));
    return NativePath(path);
  });
}

}  // namespace generatesheet
