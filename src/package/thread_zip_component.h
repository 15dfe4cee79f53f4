// The zip component of the calling thread.  Each thread has its own, created
// on first use and kept for the thread's life, so objects driven from
// different threads never share a component mid-call, and the host can ask
// the component that just ran an extraction why it failed.
#ifndef GENERATESHEET_PACKAGE_THREAD_ZIP_COMPONENT_H_
#define GENERATESHEET_PACKAGE_THREAD_ZIP_COMPONENT_H_

#include <memory>

#include "package/zip_component.h"

namespace generatesheet {

// This thread's component: the real one on libarchive unless replaced.
ZipComponent& ThreadZipComponent();

// Replaces this thread's component (tests put in components that answer
// fixed codes); nullptr restores the real one.
void ReplaceThreadZipComponent(std::unique_ptr<ZipComponent> zip);

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_THREAD_ZIP_COMPONENT_H_
