// The holder of the two platform components the old hidden form hosted: the
// zip component and the rich-text converter.  One holder per thread, created
// on first use and kept for the thread's life, so objects driven from
// different threads never share a component mid-call.
#ifndef GENERATESHEET_PACKAGE_CONTROL_HOST_H_
#define GENERATESHEET_PACKAGE_CONTROL_HOST_H_

#include <memory>
#include <string>

#include "package/zip_component.h"

namespace generatesheet {

// Stands where the rich-text control stood: rich text in, plain text out.
class RichTextBox {
 public:
  void SetTextRTF(const std::string& rtf);
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

class ControlHost {
 public:
  // The calling thread's holder, created on first use.
  static ControlHost& ForThisThread();

  // Replaces this thread's zip component (tests put in components that
  // answer fixed codes); nullptr restores the real one.
  void ReplaceZipComponent(std::unique_ptr<ZipComponent> zip);

  ZipComponent& XceedZip1() { return *zip_; }
  RichTextBox& RichTextBox1() { return rich_text_; }

 private:
  ControlHost();
  std::unique_ptr<ZipComponent> zip_;
  RichTextBox rich_text_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_CONTROL_HOST_H_
