#include "package/control_host.h"

#include "render/rtf_to_text.h"

namespace generatesheet {

void RichTextBox::SetTextRTF(const std::string& rtf) { text_ = RtfToPlainText(rtf); }

ControlHost& ControlHost::ForThisThread() {
  thread_local ControlHost host;
  return host;
}

ControlHost::ControlHost() : zip_(CreateArchiveZipComponent()) {}

void ControlHost::ReplaceZipComponent(std::unique_ptr<ZipComponent> zip) {
  zip_ = zip ? std::move(zip) : CreateArchiveZipComponent();
}

}  // namespace generatesheet
