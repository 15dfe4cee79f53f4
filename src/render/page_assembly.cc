// GePaperInfo: fill the template with the rendered paper and write the page.
#include <filesystem>

#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "render/page_file_name.h"
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

void CreateHtml::Impl::GePaperInfo() {
  Reported(prefix::kGePaperInfo, [&] {
    const std::string template_bytes = ReadWholeFile(template_path);
    const TextEncoding encoding = DetectTemplateEncoding(template_bytes);
    std::string page = DecodeToUtf8(template_bytes, encoding);

    std::string content = GetPaperTotleInfo();
    content += SelectPaper();
    page = ReplaceAll(page, "$Title$", kTitle);
    page = ReplaceAll(page, "$Content$", content);

    const std::string path = html_paper_path + PageFileName(zip_paper_name);
    const std::string package = bak_data_path + "\\" + zip_paper_name;
    if (SameFile(NativePath(path), NativePath(package))) {
      throw Error("网页路径与答案包相同，拒绝覆盖答案包：" + path);
    }
    WriteFileAtomically(path, EncodeFromUtf8(page + "\r\n", encoding));
    page_path = NativePath(path);
  });
}

}  // namespace generatesheet
