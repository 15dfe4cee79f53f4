// The state behind a Connection: its connection string and, while open, the
// database reader and the tables read so far.  Each table is read from the
// file at most once per opening; Close() lets them go.
#ifndef GENERATESHEET_DATA_CONNECTION_IMPL_H_
#define GENERATESHEET_DATA_CONNECTION_IMPL_H_

#include <memory>
#include <string>
#include <unordered_map>

#include "data/mdb_reader.h"
#include "data/table_source.h"
#include "generatesheet/connection.h"

namespace generatesheet {

class Connection::Impl : public TableSource {
 public:
  bool is_open() const { return reader_ != nullptr; }
  const std::string& connection_string() const { return connection_string_; }
  void set_connection_string(std::string s) { connection_string_ = std::move(s); }
  // The native path of the open database.
  const std::string& path() const { return path_; }

  void Open(const std::string& native_path);
  void Close() noexcept;

  std::shared_ptr<const Table> GetTable(std::string_view name) override;

 private:
  std::string connection_string_;
  std::string path_;
  std::unique_ptr<MdbReader> reader_;
  std::unordered_map<std::string, std::shared_ptr<const Table>> tables_;  // by folded name
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_CONNECTION_IMPL_H_
