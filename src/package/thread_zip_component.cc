#include "package/thread_zip_component.h"

#include <utility>

namespace generatesheet {

namespace {

std::unique_ptr<ZipComponent>& ThreadSlot() {
  thread_local std::unique_ptr<ZipComponent> zip = CreateArchiveZipComponent();
  return zip;
}

}  // namespace

ZipComponent& ThreadZipComponent() { return *ThreadSlot(); }

void ReplaceThreadZipComponent(std::unique_ptr<ZipComponent> zip) {
  ThreadSlot() = zip ? std::move(zip) : CreateArchiveZipComponent();
}

}  // namespace generatesheet
