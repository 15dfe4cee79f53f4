#include "generatesheet/connection.h"

#include "data/collation.h"
#include "data/connection_impl.h"
#include "data/connection_string.h"
#include "util/error.h"
#include "util/path.h"

namespace generatesheet {

void Connection::Impl::Open(const std::string& native_path) {
  reader_ = std::make_unique<MdbReader>(native_path);
  path_ = native_path;
}

void Connection::Impl::Close() noexcept {
  tables_.clear();
  reader_.reset();
  path_.clear();
}

std::shared_ptr<const Table> Connection::Impl::GetTable(std::string_view name) {
  if (!reader_) throw Error("对象关闭时，不允许操作：连接未打开");
  std::string key = FoldCase(name);
  auto found = tables_.find(key);
  if (found == tables_.end()) found = tables_.emplace(key, reader_->ReadTable(name)).first;
  return found->second;
}

Connection::Connection() : impl_(std::make_unique<Impl>()) {}
Connection::~Connection() = default;

const std::string& Connection::ConnectionString() const { return impl_->connection_string(); }

void Connection::SetConnectionString(std::string connection_string) {
  if (impl_->is_open()) {
    throw Error("对象打开时，不允许操作：连接已打开，不能更改连接字符串（" + impl_->path() + "）");
  }
  impl_->set_connection_string(std::move(connection_string));
}

void Connection::Open(std::string_view connection_string, std::string_view /*user*/,
                      std::string_view /*password*/, int /*options*/) {
  if (impl_->is_open()) {
    throw Error("对象打开时，不允许操作：连接已经打开（" + impl_->path() + "）");
  }
  if (!connection_string.empty()) impl_->set_connection_string(std::string(connection_string));
  if (impl_->connection_string().empty()) throw Error("连接字符串为空，无法打开连接");
  std::string source = DataSourceOf(impl_->connection_string());
  if (source.empty()) {
    throw Error("连接字符串中没有 Data Source：" + impl_->connection_string());
  }
  // The fixed texts join the folder and the file with "\": a host's path.
  impl_->Open(NativePath(source));
}

void Connection::Close() noexcept { impl_->Close(); }

bool Connection::IsOpen() const { return impl_->is_open(); }

}  // namespace generatesheet
